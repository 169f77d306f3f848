// lanvo-sample: writes a data folder of an older Lanvo release, for trying and
// testing the conversion. Standard C++ only.
//
//   lanvo-sample --clients N --seed S [--stage f10|r1|r2] [--code-table f13|f24|both|none]
//                [--members ROOT] [--temp TEMP] [--proportional] [--odd-bytes] DIR
//
// The folder holds the client file of the chosen release (F10.DAT, F10R1.DAT or
// F10R2.DAT before the split), the code table, payment forms, registrations,
// the old counters, text documents, the company file, obsolete files of the
// clean-up list and the R02/R03/R04 folders. Clients are Brazilian: names,
// addresses, cities with their states and postal codes, CPF and CNPJ numbers
// with valid check digits, phones of every length, farms, banks, agencies and
// accounts typed the ways users typed them. --members writes the Veltoral member
// file ROOT/Vamk/Rud/F10R4.DAT; --temp writes, in the temporary folder TEMP, an
// R02 that an earlier conversion parked there.
//
// By default the files other than the client file hold a handful of records
// whatever the number of clients. --proportional makes them grow with it, as
// in the folder of a large auction house: for every 1,000 clients one auction
// with its registration file of 10 to 100 lots, one payment form (up to the
// 999 that their three-digit code can number) and ten text documents; and the
// member file holds one record for every client. The benchmarks use it.
//
// --odd-bytes puts, in one client record in four, a few bytes that no writer of
// the product puts in a field but that damaged or hand-edited files hold: a
// line feed, a carriage return, a NUL, a Ctrl-Z or a byte of 0x80 and above.
// The conversion copies them as bytes, except where a field read stops after
// a line feed.
//
// The same seed always gives the same bytes. Clients are written one at a time
// through a large buffer, so a million of them take a few seconds.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Random numbers: splitmix64, the same on every system and library.

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 to n - 1.
  int Below(int n) { return n <= 1 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  int Between(int low, int high) { return low + Below(high - low + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) { return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))]; }
  std::string Digits(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + Below(10));
    return s;
  }

 private:
  std::uint64_t state_;
};

// ---------------------------------------------------------------------------
// Text: the tables below are written in UTF-8 for the reader; the data files
// hold code page 1252, one byte a character.

std::string Latin1(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      auto next = static_cast<unsigned char>(utf8[++i]);
      out += static_cast<char>(c == 0xC2 ? next : next + 0x40);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::vector<std::string> Table(std::initializer_list<const char*> items) {
  std::vector<std::string> out;
  for (const char* item : items) out.push_back(Latin1(item));
  return out;
}

std::string Upper(std::string text) {
  for (char& ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) ch = static_cast<char>(c - 32);
  }
  return text;
}

// Pads a value with spaces to its width (the value fits).
std::string Field(std::string value, std::size_t width) {
  value.resize(width, ' ');
  return value;
}

std::string Cut(std::string text, std::size_t n) {
  if (text.size() > n) text.resize(n);
  return text;
}

std::string Format(const char* format, long a, long b = 0, long c = 0) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, a, b, c);
  return buffer;
}

const std::vector<std::string>& FirstNames() {
  static const auto names = Table({"João", "José", "Antônio", "Francisco", "Carlos", "Paulo", "Pedro",
      "Lucas", "Luiz", "Marcos", "Luís", "Gabriel", "Rafael", "Daniel", "Marcelo", "Bruno", "Eduardo",
      "Felipe", "Raimundo", "Rodrigo", "Sebastião", "Geraldo", "Adão", "Conceição", "Maria", "Ana",
      "Francisca", "Antônia", "Adriana", "Juliana", "Márcia", "Fernanda", "Patrícia", "Aline", "Sandra",
      "Camila", "Amanda", "Bruna", "Jéssica", "Letícia", "Júlia", "Luciana", "Vanessa", "Mariana",
      "Gustavo", "Otávio", "Valdir", "Joaquim", "Benedito", "Aparecida", "Irene", "Lúcia"});
  return names;
}

const std::vector<std::string>& Surnames() {
  static const auto names = Table({"Silva", "Santos", "Oliveira", "Souza", "Rodrigues", "Ferreira",
      "Alves", "Pereira", "Lima", "Gomes", "Costa", "Ribeiro", "Martins", "Carvalho", "Almeida", "Lopes",
      "Soares", "Fernandes", "Vieira", "Barbosa", "Rocha", "Dias", "Nascimento", "Andrade", "Moreira",
      "Nunes", "Marques", "Machado", "Mendes", "Freitas", "Cardoso", "Ramos", "Gonçalves", "Santana",
      "Teixeira", "Araújo", "Brandão", "Romão", "Guimarães", "Assunção", "Magalhães", "Junqueira"});
  return names;
}

struct City {
  std::string name, state;
  int cep_low, cep_high;  // the first five digits of the state's postal codes
  std::string area_code;
};

const std::vector<City>& Cities() {
  static const std::vector<City> cities = [] {
    struct Row { const char* name; const char* state; int low, high; const char* area; };
    const Row rows[] = {
        {"Uberaba", "MG", 38000, 38099, "34"},        {"Uberlândia", "MG", 38400, 38415, "34"},
        {"Montes Claros", "MG", 39400, 39409, "38"},  {"Goiânia", "GO", 74000, 74899, "62"},
        {"Rio Verde", "GO", 75900, 75909, "64"},      {"Jataí", "GO", 75800, 75809, "64"},
        {"Campo Grande", "MS", 79000, 79129, "67"},   {"Dourados", "MS", 79800, 79849, "67"},
        {"Cuiabá", "MT", 78000, 78099, "65"},         {"Rondonópolis", "MT", 78700, 78749, "66"},
        {"Ribeirão Preto", "SP", 14000, 14114, "16"}, {"Araçatuba", "SP", 16000, 16129, "18"},
        {"Barretos", "SP", 14780, 14789, "17"},       {"Presidente Prudente", "SP", 19000, 19099, "18"},
        {"Londrina", "PR", 86000, 86099, "43"},       {"Maringá", "PR", 87000, 87099, "44"},
        {"Bagé", "RS", 96400, 96419, "53"},           {"Santana do Livramento", "RS", 97570, 97579, "55"},
        {"Feira de Santana", "BA", 44000, 44099, "75"}, {"Vitória da Conquista", "BA", 45000, 45099, "77"},
        {"Marabá", "PA", 68500, 68509, "94"},         {"Araguaína", "TO", 77800, 77829, "63"},
        {"Ji-Paraná", "RO", 76900, 76909, "69"},      {"Chapecó", "SC", 89800, 89816, "49"},
    };
    std::vector<City> out;
    for (const Row& r : rows) out.push_back({Upper(Latin1(r.name)), r.state, r.low, r.high, r.area});
    return out;
  }();
  return cities;
}

const std::vector<std::string>& Streets() {
  static const auto streets = Table({"RUA SETE DE SETEMBRO", "AV. BARÃO DO RIO BRANCO", "RUA TIRADENTES",
      "AV. SÃO BENEDITO", "RUA QUINZE DE NOVEMBRO", "RUA DOM PEDRO II", "AV. JOSÉ BONIFÁCIO",
      "ALAMEDA DOS IPÊS", "RUA CORONEL ANTÔNIO RIOS", "ROD. BR-050 KM", "ESTRADA MUNICIPAL",
      "AV. LEOPOLDINO DE OLIVEIRA", "RUA DOS PECUARISTAS"});
  return streets;
}

const std::vector<std::string>& Districts() {
  static const auto districts = Table({"CENTRO", "ZONA RURAL", "VILA NOVA", "JARDIM AMÉRICA",
      "BAIRRO ALTO", "SÃO JOSÉ", "PARQUE DAS NAÇÕES", "SANTA MÔNICA", "DISTRITO INDUSTRIAL"});
  return districts;
}

const std::vector<std::string>& FarmNames() {
  static const auto farms = Table({"FAZENDA SANTA FÉ", "FAZENDA BOA VISTA", "SÍTIO SÃO JOSÉ",
      "RANCHO ÁGUA LIMPA", "FAZENDA TRÊS MARIAS", "ESTÂNCIA SÃO PEDRO", "FAZENDA BELA VISTA",
      "FAZENDA SANTA HELENA", "SÍTIO BOM JESUS", "FAZENDA RIO DAS PEDRAS", "FAZENDA CONQUISTA",
      "AGROPECUÁRIA SERRA AZUL", "FAZENDA PONTAL DO ARAGUAIA", "HARAS SÃO LUIZ"});
  return farms;
}

const std::vector<std::string>& Notes() {
  static const auto notes = Table({"PAGA EM DIA", "ATENÇÃO: CONFERIR CADASTRO", "Prefere parcelamento em 30/60/90",
      "COMPRADOR DE NELORE", "Vendedor de matrizes Gir leiteiro", "CLIENTE DESDE 1994",
      "Retirar animais na fazenda", "Exige nota do produtor rural", ""});
  return notes;
}

const std::vector<std::string>& Holders() {
  static const auto holders = Table({"TITULAR PRÓPRIO", "CONTA CONJUNTA", "PROCURADOR", "CÔNJUGE",
      "EMPRESA DO GRUPO"});
  return holders;
}

struct Bank {
  std::string code, name;
};

const std::vector<Bank>& Banks() {
  static const std::vector<Bank> banks = [] {
    std::vector<Bank> out;
    const char* rows[][2] = {{"001", "BANCO DO BRASIL S.A."}, {"033", "BANCO SANTANDER"},
                             {"104", "CAIXA ECONÔMICA FEDERAL"}, {"237", "BANCO BRADESCO S.A."},
                             {"341", "ITAÚ UNIBANCO S.A. AGRONEGÓCIO"}, {"399", "HSBC BANK BRASIL"},
                             {"748", "BANCO COOPERATIVO SICREDI"}, {"756", "BANCOOB SICOOB"},
                             {"041", "BANRISUL"}, {"070", "BRB BANCO DE BRASÍLIA"}};
    for (auto& row : rows) out.push_back({row[0], Latin1(row[1])});
    return out;
  }();
  return banks;
}

const std::vector<std::string>& Breeds() {
  static const auto breeds = Table({"NELORE", "GIR", "GIROLANDO", "GUZERÁ", "TABAPUÃ", "BRAHMAN", "ANGUS",
      "SENEPOL", "SINDI", "BRANGUS", "QUARTO DE MILHA", "MANGALARGA MARCHADOR", "SANTA INÊS", "DORPER"});
  return breeds;
}

// ---------------------------------------------------------------------------
// Taxpayer numbers with valid check digits.

int CheckDigit(const std::string& digits, const std::vector<int>& weights) {
  int sum = 0;
  for (std::size_t i = 0; i < weights.size(); ++i) sum += (digits[i] - '0') * weights[i];
  int rest = sum % 11;
  return rest < 2 ? 0 : 11 - rest;
}

std::string Cpf(Random& random) {
  std::string d = random.Digits(9);
  d += static_cast<char>('0' + CheckDigit(d, {10, 9, 8, 7, 6, 5, 4, 3, 2}));
  d += static_cast<char>('0' + CheckDigit(d, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2}));
  return d.substr(0, 3) + "." + d.substr(3, 3) + "." + d.substr(6, 3) + "-" + d.substr(9, 2);
}

std::string Cnpj(Random& random) {
  std::string d = random.Digits(8) + "000" + static_cast<char>('1' + random.Below(3));
  d += static_cast<char>('0' + CheckDigit(d, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2}));
  d += static_cast<char>('0' + CheckDigit(d, {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2}));
  return d.substr(0, 2) + "." + d.substr(2, 3) + "." + d.substr(5, 3) + "/" + d.substr(8, 4) + "-" + d.substr(12, 2);
}

// ---------------------------------------------------------------------------
// A client, as its fields read in every release.

enum class Stage { kF10, kR1, kR2 };

struct Client {
  std::string code, name, address, district, city, postal_code, contact, state, group, birth,
      taxpayer, document2, area_code, phone1, phone2, farm_extra, notes, holder, farm_state,
      farm_name, farm_city, bank_code, agency, account, account_text;
  bool deleted = false;
};

std::string Phone(Random& random, const City& city) {
  std::string number = random.Chance(40) ? "9" + random.Digits(4) : std::to_string(random.Between(2, 3)) + random.Digits(3);
  number += "-" + random.Digits(4);
  switch (random.Below(6)) {
    case 0: return number;
    case 1: return "(0" + city.area_code + ") " + number;
    case 2: return "0xx" + city.area_code + " " + number;
    default: return "(" + city.area_code + ") " + number;
  }
}

// Phones of every length: short, with extensions and remarks, two phones typed
// into the first field, a second phone that repeats the first.
void Phones(Random& random, const City& city, Stage stage, Client& c) {
  std::size_t first_limit = stage == Stage::kF10 ? 31 : 41;
  c.phone1 = Phone(random, city);
  int shape = random.Below(10);
  if (shape == 0) c.phone1 += " RAMAL " + random.Digits(2);
  if (shape == 1) c.phone1 += " / " + Phone(random, city);
  if (shape == 2) c.phone1 += Latin1(" RECADO C/ SR. ") + Upper(random.Pick(FirstNames()));
  if (shape == 3) c.phone1 = "";
  c.phone1 = Cut(c.phone1, first_limit);
  int second = random.Below(10);
  if (second < 4) c.phone2 = "";
  else if (second == 4) c.phone2 = Cut(c.phone1, 23);
  else if (second == 5) c.phone2 = Cut(c.phone1, 9);
  else c.phone2 = Cut(Phone(random, city) + (random.Chance(30) ? " CEL" : ""), 23);
}

void Bankings(Random& random, Stage stage, Client& c) {
  if (stage == Stage::kF10 || random.Chance(35)) return;
  const Bank& bank = random.Pick(Banks());
  int code_form = random.Below(12);
  if (code_form == 0) c.bank_code = std::to_string(std::stoi(bank.code));  // "1" for "001"
  else if (code_form == 1) c.bank_code = "999";                             // a bank the table lacks
  else if (code_form == 2 && stage == Stage::kR2) c.bank_code = "0" + bank.code;
  else c.bank_code = bank.code;
  std::string agency = random.Digits(4);
  std::string check = std::to_string(random.Below(10));
  switch (random.Below(7)) {
    case 0: c.agency = agency + "-" + check; break;           // 1234-5
    case 1: c.agency = agency + check; break;                 // 12345
    case 2: c.agency = agency.substr(1) + "-" + check + random.Digits(1); break;  // 123-45
    case 3: c.agency = agency; break;
    case 4: c.agency = agency + "-X"; break;
    case 5: c.agency = agency.substr(0, 2) + " " + agency.substr(2); break;        // 12 34
    default: c.agency = agency + "-" + check;
  }
  std::size_t limit = stage == Stage::kR1 ? 10 : 18;
  switch (random.Below(6)) {
    case 0: c.account = random.Digits(5) + "-" + random.Digits(2); break;   // 12345-67
    case 1: c.account = random.Digits(6) + "-" + random.Digits(1); break;
    case 2: c.account = random.Digits(stage == Stage::kR1 ? 10 : 13); break; // no dash
    case 3: c.account = "000" + random.Digits(5) + "-X"; break;
    case 4: c.account = random.Digits(stage == Stage::kR1 ? 7 : 12) + "-" + random.Digits(1); break;
    default: c.account = random.Digits(4) + "-" + random.Digits(1);
  }
  c.account = Cut(c.account, limit);
  c.account_text = Latin1(random.Pick(std::vector<const char*>{"CONTA CORRENTE", "POUPANÇA", "CONTA RURAL", "CONTA SALÁRIO"}));
}

Client MakeClient(Random& random, long number, Stage stage) {
  Client c;
  const City& city = random.Pick(Cities());
  c.code = Format("%05ld", number);
  bool company = random.Chance(12);
  std::string name = Upper(random.Pick(FirstNames())) + " " + Upper(random.Pick(Surnames()));
  if (random.Chance(50)) name += " " + Upper(random.Pick(Surnames()));
  if (random.Chance(15)) name += random.Chance(50) ? " FILHO" : " NETO";
  if (company) name = Latin1("AGROPECUÁRIA ") + Upper(random.Pick(Surnames())) + " LTDA";
  c.name = Cut(name, 40);
  c.address = Cut(random.Pick(Streets()) + ", " + std::to_string(random.Between(1, 9999)), 40);
  c.district = random.Pick(Districts());
  c.city = city.name;
  c.postal_code = Format("%05ld-%03ld", random.Between(city.cep_low, city.cep_high), random.Below(1000));
  c.contact = random.Chance(30) ? Latin1(random.Chance(50) ? "ESCRITÓRIO" : "CONTATO: GERENTE") : "";
  c.state = city.state;
  static const char* const groups[] = {"001", "002", "010", "012", "100", "101", "120", "200"};
  c.group = groups[random.Below(8)];
  c.birth = Format("%02ld/%02ld/%04ld", random.Between(1, 28), random.Between(1, 12), random.Between(1940, 2000));
  c.taxpayer = company ? Cnpj(random) : Cpf(random);
  c.document2 = random.Chance(40) ? "ISENTO" : city.state + "-" + random.Digits(2) + "." + random.Digits(3) + "." + random.Digits(3);
  switch (random.Below(6)) {  // the area code of the first phone, as typed
    case 0: c.area_code = city.area_code; break;
    case 1: c.area_code = "0" + city.area_code; break;
    case 2: c.area_code = "00" + city.area_code; break;
    case 3: c.area_code = "(" + city.area_code + ")"; break;
    case 4: c.area_code = ""; break;
    default: c.area_code = "A" + city.area_code.substr(0, 1) + city.area_code;
  }
  Phones(random, city, stage, c);
  if (random.Chance(25))
    c.farm_extra = Cut(random.Pick(std::vector<std::string>{"INCRA " + random.Digits(3) + "." + random.Digits(3),
                                                             "NIRF " + random.Digits(7), "ITR " + random.Digits(4)}),
                       stage == Stage::kF10 ? 8 : 18);
  c.notes = random.Pick(Notes());
  c.holder = random.Chance(60) ? Cut(random.Pick(Holders()), stage == Stage::kF10 ? 18 : 28) : "";
  if (random.Chance(65)) {
    const City& farm_city = random.Chance(70) ? city : random.Pick(Cities());
    c.farm_name = random.Pick(FarmNames());
    c.farm_city = farm_city.name;
    if (stage != Stage::kF10) c.farm_state = farm_city.state;
  }
  Bankings(random, stage, c);
  c.deleted = stage == Stage::kR2 && random.Chance(3);
  return c;
}

// ---------------------------------------------------------------------------
// The client layouts. Each row puts one field of the client at an offset,
// left-justified in its width.

using Member = std::string Client::*;
struct Place {
  int at, width;
  Member field;
};

// F10.DAT, 778 characters: the oldest layout.
const Place kF10Layout[] = {
    {0, 11, &Client::code},        {11, 40, &Client::name},        {52, 40, &Client::address},
    {93, 40, &Client::district},   {134, 30, &Client::city},       {165, 9, &Client::postal_code},
    {175, 30, &Client::contact},   {206, 2, &Client::state},       {209, 10, &Client::birth},
    {220, 18, &Client::taxpayer},  {239, 18, &Client::holder},     {272, 31, &Client::phone1},
    {303, 23, &Client::phone2},    {326, 8, &Client::farm_extra},  {435, 60, &Client::notes},
    {496, 40, &Client::farm_name}, {537, 30, &Client::farm_city},  {571, 18, &Client::document2},
    {590, 3, &Client::group},      {594, 4, &Client::area_code},
};
// F10R1.DAT, 1370 characters.
const Place kR1Layout[] = {
    {0, 11, &Client::code},        {11, 40, &Client::name},         {71, 40, &Client::address},
    {111, 70, &Client::district},  {181, 30, &Client::city},        {211, 9, &Client::postal_code},
    {220, 30, &Client::contact},   {250, 2, &Client::state},        {262, 10, &Client::birth},
    {292, 4, &Client::area_code},  {296, 41, &Client::phone1},      {337, 23, &Client::phone2},
    {360, 18, &Client::farm_extra}, {378, 120, &Client::notes},     {498, 18, &Client::taxpayer},
    {516, 18, &Client::document2}, {534, 28, &Client::holder},      {562, 2, &Client::farm_state},
    {564, 3, &Client::group},      {574, 40, &Client::farm_name},   {683, 30, &Client::farm_city},
    {1015, 3, &Client::bank_code}, {1018, 6, &Client::agency},      {1024, 10, &Client::account},
};
// F10R2.DAT, 1000 characters, as it was before the split.
const Place kR2Layout[] = {
    {0, 11, &Client::code},         {11, 40, &Client::name},        {51, 40, &Client::address},
    {91, 70, &Client::district},    {161, 30, &Client::city},       {191, 9, &Client::postal_code},
    {200, 30, &Client::contact},    {230, 2, &Client::state},       {232, 7, &Client::group},
    {240, 10, &Client::birth},      {250, 18, &Client::taxpayer},   {268, 18, &Client::document2},
    {286, 4, &Client::area_code},   {290, 41, &Client::phone1},     {331, 23, &Client::phone2},
    {354, 18, &Client::farm_extra}, {372, 120, &Client::notes},     {613, 28, &Client::holder},
    {641, 2, &Client::farm_state},  {643, 40, &Client::farm_name},  {683, 30, &Client::farm_city},
    {713, 4, &Client::bank_code},   {717, 6, &Client::agency},      {723, 18, &Client::account},
    {741, 20, &Client::account_text},
};

// Stretches that no conversion reads: older releases left other data there.
struct Stretch {
  int at, width;
};
const Stretch kF10Unread[] = {{258, 14}, {334, 101}, {568, 3}, {599, 179}};
const Stretch kR1Unread[] = {{252, 10}, {272, 20}, {614, 69}, {715, 300}, {1034, 336}};

template <std::size_t N>
void Put(std::string& record, const Place (&layout)[N], const Client& c) {
  for (const Place& p : layout)
    record.replace(static_cast<std::size_t>(p.at), static_cast<std::size_t>(p.width),
                   Field(Cut(c.*(p.field), static_cast<std::size_t>(p.width)), static_cast<std::size_t>(p.width)));
}

// Printable leftovers, never a line feed, carriage return or Ctrl-Z.
void Leftovers(Random& random, std::string& record, const Stretch& s) {
  static const std::string kCharacters = Latin1("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,;:/-()*#@!?ÁÉÍÓÚÃÕÇáéíóúãõç");
  for (int i = 0; i < s.width; ++i)
    record[static_cast<std::size_t>(s.at + i)] = kCharacters[static_cast<std::size_t>(random.Below(static_cast<int>(kCharacters.size())))];
}

std::string ClientRecord(Random& random, const Client& c, Stage stage) {
  switch (stage) {
    case Stage::kF10: {
      std::string record(778, ' ');
      Put(record, kF10Layout, c);
      if (random.Chance(30)) for (const Stretch& s : kF10Unread) Leftovers(random, record, s);
      return record;
    }
    case Stage::kR1: {
      std::string record(1370, ' ');
      Put(record, kR1Layout, c);
      if (random.Chance(30)) for (const Stretch& s : kR1Unread) Leftovers(random, record, s);
      return record;
    }
    case Stage::kR2: {
      std::string record(1000, ' ');
      Put(record, kR2Layout, c);
      if (c.deleted) record[999] = '+';
      return record;
    }
  }
  return {};
}

template <std::size_t N>
void PutOddBytes(Random& random, std::string& record, const Place (&layout)[N]) {
  static const char kOdd[] = {'\n', '\r', '\0', '\x1A'};
  if (!random.Chance(25)) return;
  for (int n = random.Between(1, 3); n > 0; --n) {
    const Place& p = layout[random.Below(static_cast<int>(N))];
    char odd = random.Chance(50) ? kOdd[random.Below(4)] : static_cast<char>(random.Between(0x80, 0xFF));
    record[static_cast<std::size_t>(p.at + random.Below(p.width))] = odd;
  }
}

std::string ClientRecord(Random& random, const Client& c, Stage stage, bool odd_bytes) {
  std::string record = ClientRecord(random, c, stage);
  if (!odd_bytes) return record;
  switch (stage) {
    case Stage::kF10: PutOddBytes(random, record, kF10Layout); break;
    case Stage::kR1: PutOddBytes(random, record, kR1Layout); break;
    case Stage::kR2: PutOddBytes(random, record, kR2Layout); break;
  }
  return record;
}

// ---------------------------------------------------------------------------
// Files.

class Writer {
 public:
  explicit Writer(const fs::path& path) : file_(std::fopen(path.string().c_str(), "wb")) {
    if (!file_) Fail("cannot create " + path.string());
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  }
  ~Writer() {
    if (file_ && std::fclose(file_) != 0) Fail("cannot write");
  }
  void Write(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail("cannot write");
  }
  [[noreturn]] static void Fail(const std::string& what) {
    std::cerr << "lanvo-sample: " << what << "\n";
    std::exit(1);
  }

 private:
  std::FILE* file_;
};

void WriteFile(const fs::path& path, std::string_view bytes) {
  Writer writer(path);
  writer.Write(bytes);
}

// Puts text at offset of a record, which keeps its length.
void Overwrite(std::string& record, std::size_t at, const std::string& text) {
  record.replace(at, text.size(), text);
}

void MakeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

// The code table of older releases: F13.DAT (66 a record: code, name, unused)
// and the typed F24.DAT (60: kind, code, name) with its banks.
void WriteCodeTables(Random& random, const fs::path& dir, bool f13, bool f24) {
  if (f13) {
    Writer out(dir / "F13.DAT");
    int n = 1;
    for (const std::string& breed : Breeds())
      out.Write(Field(Format("%04ld", n++), 4) + Field(breed, 30) + Field(random.Chance(30) ? "ANTIGO" : "", 32));
  }
  if (f24) {
    Writer out(dir / "F24.DAT");
    int n = 1;
    for (const std::string& breed : Breeds()) {
      std::string record = "1" + Field(Format("%04ld", n++), 8) + Field(breed, 51);
      if (random.Chance(8)) record[59] = '+';
      out.Write(record);
    }
    for (const Bank& bank : Banks()) {
      std::string record = "2" + Field(bank.code, 8) + Field(bank.name, 51);
      out.Write(record);
      if (random.Chance(20)) {  // an older name of the same bank, deleted
        record = "2" + Field(bank.code, 8) + Field("ANTIGO " + bank.name, 51);
        record[59] = '+';
        out.Write(record);
      }
    }
    static const char* const kinds[][2] = {{"01", "A VISTA"}, {"02", "PARCELADO"}, {"03", "CHEQUE PRE-DATADO"}};
    for (auto& kind : kinds) out.Write("3" + Field(kind[0], 8) + Field(kind[1], 51));
  }
}

// F14.DAT, 335 a record: code, a character not kept, description, 24 slots of
// 5 (days of each installment), 180 unused.
void WritePaymentForms(Random& random, const fs::path& dir, int count) {
  struct Form { const char* description; std::vector<int> slots; };
  const Form forms[] = {
      {"A VISTA", {}},
      {"30/60/90", {30, 60, 90}},
      {"3 PARCELAS DE 30 DIAS", {30, 30, 30}},
      {"ENTRADA + 2 X 30", {30, 0, 30}},
      {"10 PARCELAS MENSAIS", {30, 30, 30, 30, 30, 30, 30, 30, 30, 30}},
      {"2 + 2 + 2", {60, 60, 90, 90, 120, 120}},
      {"24 PARCELAS", std::vector<int>(24, 30)},
  };
  Writer out(dir / "F14.DAT");
  constexpr int kKinds = static_cast<int>(std::size(forms));
  for (int code = 1; code <= count; ++code) {
    const Form& form = forms[(code - 1) % kKinds];
    std::string description = Latin1(form.description);
    if (code > kKinds) description += " (" + std::to_string((code - 1) / kKinds + 1) + ")";
    std::string record = Format("%03ld", code) + (random.Chance(50) ? "S" : " ") + Field(description, 31);
    for (int i = 0; i < 24; ++i)
      record += Field(i < static_cast<int>(form.slots.size()) && form.slots[static_cast<std::size_t>(i)] > 0
                          ? std::to_string(form.slots[static_cast<std::size_t>(i)]) : (random.Chance(20) ? "0" : ""), 5);
    record += std::string(180, ' ');
    out.Write(record);
  }
}

// F11.DAT (997 a record, a code that names REG\F12<code>.DAT) and the
// registration files (1608 a record: two amounts at 149 and 165, and the
// stretch from 960 that the one-time fix blanks).
// auctions: 0 for a handful of them, each with up to 5 lots; otherwise that
// many auctions numbered 1, 2, 3, ..., each with 10 to 100 lots.
void WriteRegistrations(Random& random, const fs::path& dir, long auctions) {
  fs::create_directory(dir / "REG");
  Writer f11(dir / "F11.DAT");
  long files = auctions > 0 ? auctions : random.Between(1, 4);
  for (long i = 0; i < files; ++i) {
    std::string code = Format("%05ld", auctions > 0 ? i + 1 : random.Between(1, 300));
    f11.Write(Field(code, 11) + Field(Latin1("LEILÃO ") + Upper(random.Pick(FarmNames())), 60) + std::string(926, ' '));
    if (random.Chance(20) || fs::exists(dir / "REG" / ("F12" + code + ".DAT"))) continue;  // no file for it
    Writer reg(dir / "REG" / ("F12" + code + ".DAT"));
    int lots = auctions > 0 ? random.Between(10, 100) : random.Between(1, 5);
    for (int k = 0; k < lots; ++k) {
      std::string record(1608, ' ');
      Overwrite(record, 0, Format("%05ld", k + 1));
      Overwrite(record, 11, Field(Latin1("LOTE ") + std::to_string(k + 1) + " - " + random.Pick(Breeds()), 40));
      Overwrite(record, 149, Field(Format("%ld,%02ld", random.Between(1, 999), random.Below(100)), 16));
      Overwrite(record, 165, Field(Format("%ld.%03ld,%02ld", random.Between(1, 99), random.Below(1000), random.Below(100)), 16));
      Overwrite(record, 960, Field("OBS. ANTIGA DO LOTE " + std::to_string(k + 1), 40));
      reg.Write(record);
    }
  }
}

// The text documents of older releases: key, length in 5, text.
void WriteTexts(Random& random, const fs::path& path, int count) {
  static const auto sentences = Table({"Frete por conta do comprador.", "Animais com exame de brucelose e tuberculose.",
      "Condições de pagamento conforme catálogo.", "Leilão transmitido ao vivo.", "Garantia de prenhez de 60 dias.",
      "Comissão de 5% sobre o valor do lote.", "Observação: ÁGUA, CAFÉ E PÃO."});
  Writer out(path);
  for (int i = 0; i < count; ++i) {
    std::string text;
    int target = random.Chance(15) ? random.Between(301, 500) : random.Between(0, 280);
    while (static_cast<int>(text.size()) < target) text += (text.empty() ? "" : " ") + random.Pick(sentences);
    text.resize(static_cast<std::size_t>(target));
    std::string key = (random.Chance(80) ? "1" : std::to_string(random.Between(2, 3))) + random.Digits(10);
    out.Write(key + Field(std::to_string(text.size()), 5) + text);
  }
}

// The company file: one record of 1000 characters in the 3.03 layout of the
// fields that matter here.
void WriteCompany(Random& random, const fs::path& dir) {
  const City& city = random.Pick(Cities());
  Client c;
  c.code = "00001";
  c.name = Latin1("LEILÕES RURAIS ") + Upper(random.Pick(Surnames())) + " LTDA";
  Phones(random, city, Stage::kR2, c);
  std::string record(1000, ' ');
  Overwrite(record, 0, c.code);
  Overwrite(record, 11, Field(Cut(c.name, 40), 40));
  Overwrite(record, 51, Field(random.Pick(Streets()) + ", " + std::to_string(random.Between(1, 999)), 40));
  Overwrite(record, 161, Field(city.name, 30));
  Overwrite(record, 230, city.state);
  Overwrite(record, 250, Cnpj(random));
  Overwrite(record, 290, c.phone1);
  Overwrite(record, 331, c.phone2);
  Overwrite(record, 354, Field("INSC. EST. " + random.Digits(7), 18));
  WriteFile(dir / "F00R0.DAT", record);
}

const char* const kObsoleteFiles[] = {
    "Acc001.dat", "Accnew.001", "CONF0.SAT", "CONFIG1.DAT", "config2.dat", "config3.dat", "config4.dat",
    "lan01.txt", "normas.txt", "C01.DAT", "CONF3R0.DAT", "C03.DAT", "contrato.txt", "contrat2.txt",
    "c04.dat", "c04b.dat", "C04R0.DAT", "C04R0B.DAT", "C05.DAT", "C06AUX.DAT", "C06.DAT", "C06B.DAT",
    "C10.DAT", "d03.den", "d401.den", "d402.den", "d403.den", "d406.xls", "ExpCli.bat", "F15.DAT",
    "F18.DAT", "F19R0.DAT", "F19R1.DAT", "Lanvo219.con", "Lanvo240.con", "COMPRESS.EXE", "Lanvo.hlp",
    "Lanvo.gid"};

std::string SomeCase(Random& random, std::string name) {
  switch (random.Below(3)) {
    case 0: for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c))); break;
    case 1: for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c))); break;
    default: break;
  }
  return name;
}

void WriteObsoleteFiles(Random& random, const fs::path& dir) {
  for (const char* name : kObsoleteFiles) {
    if (!random.Chance(30)) continue;
    fs::path path = dir / SomeCase(random, name);
    WriteFile(path, "arquivo antigo " + std::string(name) + "\r\n");
    if (random.Chance(20)) MakeReadOnly(path);
  }
}

void WriteFolders(Random& random, const fs::path& dir) {
  if (random.Chance(70)) {
    fs::create_directories(dir / "R02" / "ANTIGO");
    WriteFile(dir / "R02" / "FOTO001.BMP", "BM foto do lote 1");
    WriteFile(dir / "R02" / "LOTE.DAT", "lote antigo");
    WriteFile(dir / "R02" / "ANTIGO" / "X.BMP", "BM");
  }
  if (random.Chance(70)) {
    fs::create_directory(dir / "R03");
    WriteFile(dir / "R03" / "A.DAT", "lotes do leilao A");
    WriteFile(dir / "R03" / "LOTES.DAT", "lotes");
    if (random.Chance(50)) WriteFile(dir / "R03" / "LEIA.TXT", "leia-me");
    if (random.Chance(50)) {  // R60 made by an earlier run: the merge meets a clash
      fs::create_directory(dir / "R60");
      WriteFile(dir / "R60" / "A.DAT", "lotes novos A");
      if (random.Chance(50)) WriteFile(dir / "R60" / "A.DAT.001", "lotes mais antigos A");
    }
  }
  if (random.Chance(60)) {
    fs::create_directory(dir / "R04");
    WriteFile(dir / "R04" / "B.DAT", "lotes do leilao B");
    WriteFile(dir / "R04" / "FOTO.BMP", "BM");
    if (random.Chance(50)) {
      fs::create_directory(dir / "R65");
      WriteFile(dir / "R65" / "b.dat", "lotes novos B");
    }
  }
  if (random.Chance(50)) {
    fs::create_directory(dir / "r01");
    if (random.Chance(40)) WriteFile(dir / "r01" / "X.TXT", "nao vazia");
  }
  if (random.Chance(50)) fs::create_directory(dir / "r401");
}

// The member file of Veltoral: 1000 a record; status at 239, CPF/CNPJ at 250,
// date at 502, count at 815, deleted mark at 999. Members come from the
// clients' taxpayer numbers, with strangers among them. one_per_client: one
// record for every client, the client's number or a stranger's.
void WriteMembers(const fs::path& root, const std::vector<std::string>& taxpayers, Random& random,
                  bool one_per_client) {
  fs::create_directories(root / "Vamk" / "Rud");
  Writer out(root / "Vamk" / "Rud" / "F10R4.DAT");
  auto member = [&](const std::string& taxpayer) {
    std::string record(1000, ' ');
    record[239] = random.Chance(10) ? '1' : '0';
    Overwrite(record, 250, Field(taxpayer, 18));
    if (!random.Chance(5))
      Overwrite(record, 502, Format("%02ld/%02ld/%04ld", random.Between(1, 28), random.Between(1, 12), random.Between(2022, 2027)));
    Overwrite(record, 815, Field(std::to_string(random.Below(4)), 3));
    if (random.Chance(3)) record[999] = '+';
    out.Write(record);
  };
  if (one_per_client) {
    for (const std::string& taxpayer : taxpayers) member(random.Chance(60) ? taxpayer : Cpf(random));
    return;
  }
  for (const std::string& taxpayer : taxpayers)
    if (random.Chance(60)) member(taxpayer);
  for (int i = 0; i < 5; ++i) member(Cpf(random));
}

struct Options {
  long clients = 25;
  std::uint64_t seed = 1;
  Stage stage = Stage::kR1;
  std::string code_table;  // empty: by stage
  fs::path members, temp, dir;
  bool proportional = false;
  bool odd_bytes = false;
};

[[noreturn]] void Usage(const std::string& problem) {
  std::cerr << "lanvo-sample: " << problem << "\n"
            << "usage: lanvo-sample --clients N --seed S [--stage f10|r1|r2] "
               "[--code-table f13|f24|both|none] [--members ROOT] [--temp TEMP] [--proportional] [--odd-bytes] DIR\n";
  std::exit(2);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(arg + " needs a value");
      return argv[++i];
    };
    try {
      if (arg == "--clients") o.clients = std::stol(value());
      else if (arg == "--seed") o.seed = std::stoull(value());
      else if (arg == "--stage") {
        std::string s = value();
        if (s == "f10") o.stage = Stage::kF10;
        else if (s == "r1") o.stage = Stage::kR1;
        else if (s == "r2") o.stage = Stage::kR2;
        else Usage("unknown stage " + s);
      } else if (arg == "--code-table") {
        o.code_table = value();
        if (o.code_table != "f13" && o.code_table != "f24" && o.code_table != "both" && o.code_table != "none")
          Usage("unknown code table " + o.code_table);
      } else if (arg == "--members") o.members = value();
      else if (arg == "--temp") o.temp = value();
      else if (arg == "--proportional") o.proportional = true;
      else if (arg == "--odd-bytes") o.odd_bytes = true;
      else if (!arg.empty() && arg[0] == '-') Usage("unknown option " + arg);
      else if (o.dir.empty()) o.dir = arg;
      else Usage("one folder only");
    } catch (const std::logic_error&) {
      Usage("not a number: " + arg);
    }
  }
  if (o.dir.empty()) Usage("no folder given");
  if (o.clients < 0) Usage("--clients must be 0 or more");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  Options o = Parse(argc, argv);
  std::error_code error;
  fs::create_directories(o.dir, error);
  if (!fs::is_directory(o.dir) || !fs::is_empty(o.dir)) Writer::Fail("not an empty folder: " + o.dir.string());
  Random random(o.seed);

  // The clients, one at a time.
  const char* client_file = o.stage == Stage::kF10 ? "F10.DAT" : o.stage == Stage::kR1 ? "F10R1.DAT" : "F10R2.DAT";
  std::vector<std::string> taxpayers;
  long farms = 0, banks = 0;
  {
    Writer out(o.dir / client_file);
    for (long n = 1; n <= o.clients; ++n) {
      Client c = MakeClient(random, n, o.stage);
      farms += !c.farm_name.empty();
      banks += !c.bank_code.empty();
      if (!o.members.empty()) taxpayers.push_back(c.taxpayer);
      out.Write(ClientRecord(random, c, o.stage, o.odd_bytes));
    }
  }

  std::string table = o.code_table.empty() ? (o.stage == Stage::kF10 ? "f13" : "f24") : o.code_table;
  WriteCodeTables(random, o.dir, table == "f13" || table == "both", table == "f24" || table == "both");
  // Per 1,000 clients with --proportional (see the top of this file).
  long thousands = o.proportional ? std::max(1L, o.clients / 1000) : 0;
  WritePaymentForms(random, o.dir, o.proportional ? static_cast<int>(std::clamp(thousands, 7L, 999L)) : 7);
  WriteRegistrations(random, o.dir, thousands);
  // The last codes of clients, receipts, auctions, payment forms, farms, banks.
  WriteFile(o.dir / "CONFIGA.DAT", Field(std::to_string(o.clients), 11) + Field(std::to_string(random.Between(0, 5000)), 11) +
                                       Field(std::to_string(random.Between(1, 80)), 11) + Field("7", 11) +
                                       Field(std::to_string(farms), 11) + Field(std::to_string(banks), 11));
  WriteTexts(random, o.dir / "F90.DAT", o.proportional ? static_cast<int>(10 * thousands) : random.Between(3, 12));
  if (random.Chance(40)) WriteTexts(random, o.dir / "F09.DAT", random.Between(1, 4));
  WriteCompany(random, o.dir);
  WriteObsoleteFiles(random, o.dir);
  WriteFolders(random, o.dir);
  // Files the conversion leaves alone.
  WriteFile(o.dir / "F20R0.DAT", Field(Latin1("LEILÃO DE GADO DE CORTE"), 200));
  WriteFile(o.dir / "LEIAME.TXT", "Lanvo - leia-me\r\n");
  if (!o.members.empty()) WriteMembers(o.members, taxpayers, random, o.proportional);
  if (!o.temp.empty()) {
    fs::create_directories(o.temp / "Vamk" / "Lanvo" / "R02");
    WriteFile(o.temp / "Vamk" / "Lanvo" / "R02" / "VELHO.BMP", "BM");
  }
  return 0;
}
