// Writes the seed corpora of the fuzz harnesses: for each reader, files of
// valid records built field by field, the same records cut short, with the
// bytes 10, 13, 26 and 0 inside them, and empty files. The corpora are kept
// in the repository under tests/fuzz/corpus; this program remakes them:
//   lanvo-fuzz-seeds tests/fuzz/corpus
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/convert_support.hpp"
#include "tests/fuzz/fuzz_support.hpp"
#include "tests/step1_layouts.hpp"

namespace {

namespace fs = std::filesystem;
namespace layout = test::layout;
using test::Record;

fs::path g_root;

void Seed(const std::string& harness, const std::string& name, const std::string& bytes) {
  fs::create_directories(g_root / harness);
  std::ofstream out(g_root / harness / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The bytes that a record file must not hold, and the null character.
constexpr char kForbidden[] = {'\n', '\r', '\x1A', '\0'};

// The record with the four bytes put at the offsets given, one byte each,
// in turn.
std::string WithControls(std::string record, std::initializer_list<std::size_t> offsets) {
  std::size_t i = 0;
  for (std::size_t at : offsets) record[at] = kForbidden[i++ % sizeof kForbidden];
  return record;
}

std::string Join(std::initializer_list<std::string> records) {
  std::string out;
  for (const std::string& r : records) out += r;
  return out;
}

// The four seeds of a one-file reader: valid records, the last one cut short
// (and a file of one byte), the forbidden bytes inside a record, empty.
void OneFileSeeds(const std::string& harness, const std::string& first, const std::string& second,
                  std::initializer_list<std::size_t> control_offsets) {
  Seed(harness, "valid", first + second);
  Seed(harness, "cut-short", first + second.substr(0, second.size() / 2));
  Seed(harness, "one-byte", first.substr(0, 1));
  Seed(harness, "controls", WithControls(first, control_offsets) + second);
  Seed(harness, "empty", "");
}

// --- the client file of 3.03, the diskette and the member file

constexpr std::size_t kClient = 1000;

std::string NewClient(int n, const std::string& group, const std::string& taxpayer) {
  Record r = test::NewClientFromOld(test::OldClient(n));
  r.Set(layout::f10r2::kGroup, layout::f10r2::kGroupW, group);
  r.Set(layout::f10r2::kTaxpayer, layout::f10r2::kTaxpayerW, taxpayer);
  return r;
}

std::string Member(const std::string& taxpayer, const std::string& date, const std::string& count,
                   const std::string& status = " ", bool deleted = false) {
  Record r(kClient);
  r.Set(239, 1, status).Set(250, 18, taxpayer).Set(502, 10, date).Set(815, 3, count);
  if (deleted) r.Set(999, "+");
  return r;
}

// --- the counters file

std::string Counter(const std::string& group, const std::string& name, const std::string& value,
                    bool deleted = false) {
  Record r(30);
  r.Set(0, 10, group).Set(10, 10, name).Set(20, 10, value);
  if (deleted) r.Set(29, "+");
  return r;
}

// A script of the counters harness: its bytes as given.
std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

std::string Text(const std::string& text) { return static_cast<char>(text.size()) + text; }

void ClientPasses() {
  std::string old1 = test::OldClient(1), old2 = test::OldClient(2);
  OneFileSeeds("clients_pass1", old1, old2, {20, 280, 590, 0});
  // A file of an older release, with the bank code and the account.
  std::string mid1 = test::IntermediateClient(test::OldClient(1));
  Record older = test::IntermediateClient(test::OldClient(2));
  older.Set(layout::f10r1::kBankCode, layout::f10r1::kBankCodeW, "341");
  older.Set(layout::f10r1::kBankAccount, layout::f10r1::kBankAccountW, "0123-4 98765432-1");
  OneFileSeeds("clients_pass2", mid1, older, {30, 300, 566, 1020});
}

void CodeTable() {
  OneFileSeeds("code_table", test::OldCode("0001", "BANCO DO BRASIL"), test::OldCode("341", "ITA\xDA"),
               {2, 10, 33, 60});
}

void Registrations() {
  namespace f11 = layout::f11;
  auto f11_record = [](const std::string& code) {
    return Record(f11::kLength).Set(0, f11::kLength, std::string(f11::kLength, '~')).Set(f11::kCode, f11::kCodeW, code).bytes();
  };
  std::string names = Join({f11_record("1"), f11_record("00002"), f11_record("a"), f11_record("..\\X")});
  std::string reg1 = test::Registration('a', '+'), reg2 = test::Registration('b', 'Z');
  Seed("registrations", "valid", fuzz::JoinParts({names, reg1 + reg2, reg2, reg1}));
  Seed("registrations", "cut-short",
       fuzz::JoinParts({names.substr(0, f11::kLength + 3), reg1 + reg2.substr(0, 970), reg2.substr(0, 100), ""}));
  Seed("registrations", "controls",
       fuzz::JoinParts({WithControls(names, {1, 3, 998, 2000}), WithControls(reg1, {150, 170, 961, 1607}), reg2, reg1}));
  Seed("registrations", "empty", fuzz::JoinParts({"", "", "", ""}));
}

void PaymentForms() {
  std::string simple = test::OldForm("001", "A VISTA", {"30", "30", "30"});
  std::string runs = test::OldForm("002", "PARCELADO", {"30", "0", "30", "60", "", "-5", "90", "120", "150", "180", "210", "240"});
  OneFileSeeds("payment_forms", simple, runs, {2, 3, 36, 40});
}

void Counters() {
  std::string file = Join({Counter("", "10", "5"), Counter("", "60", "7", true), Counter("X", "10", "9"),
                           Counter("", "60", "-5"), Counter("", "14", "1234567890")});
  // Read the key of record 0, take the next code of record 2 (6 digits), set
  // counter 9 to 42, regroup record 0, search, and write through the guarded
  // open: appended, reusing a deleted record, rewriting record 1.
  std::string script = Bytes({3, 0, 0x80, 1, 0x82, 6, 2, 0}) + Text("") + Text("9") + Bytes({42, 0, 0, 0}) +
                       Bytes({3, 0x80}) + Text("Y") + Bytes({4, 29, 10, 10}) + Text("60") +
                       Bytes({5, 30, 1, 0, 5, 30, 3, 0, 5, 30, 0, 1, 5, 7, 1, 0});
  Seed("counters", "valid", fuzz::JoinParts({file, script}));
  // 65 bytes of records of 30: the guarded open completes the last one.
  Seed("counters", "cut-short", fuzz::JoinParts({file.substr(0, 65), script}));
  Seed("counters", "controls", fuzz::JoinParts({WithControls(file, {3, 12, 22, 29}), script}));
  Seed("counters", "empty", fuzz::JoinParts({"", Bytes({3, 2, 0}) + Text("") + Text("10") + Bytes({7, 0, 0, 0, 1, 0x80, 0})}));
  Seed("counters", "missing", fuzz::JoinParts({"", Bytes({0, 1, 0}) + Text("") + Text("4") + Bytes({0, 5, 30, 0, 3})}));
}

void Import() {
  std::string diskette = Join({NewClient(7, "123", "111.111.111-11"), NewClient(8, "0ab", "222.222.222-22")});
  std::string clients = Join({NewClient(1, "100", "1"), NewClient(2, "100", "2"), NewClient(5, "100", "5")});
  std::string typed = Bytes({0}) + "12";
  Seed("import", "valid", fuzz::JoinParts({diskette, clients, typed}));
  Seed("import", "cut-short", fuzz::JoinParts({diskette.substr(0, 1200), clients.substr(0, 2500), typed}));
  Seed("import", "controls",
       fuzz::JoinParts({WithControls(diskette, {100, 300, 500, 700}), WithControls(clients, {2, 240, 1001, 1500}), typed}));
  Seed("import", "utf8", fuzz::JoinParts({std::string("\xC3\xA7\xC3\xA3o") + diskette.substr(5), clients, Bytes({0}) + "\xC3\xA7"}));
  Seed("import", "empty", fuzz::JoinParts({"", "", Bytes({0})}));
  Seed("import", "missing", fuzz::JoinParts({diskette, "", Bytes({2}) + "1"}));
}

void ClientFile() {
  std::string clients = Join({NewClient(1, "123", "1"), NewClient(2, "1", "2"), NewClient(3, "ab", "3"),
                              NewClient(4, "AB", "4")});
  // No earlier export, room for 20 records, export group "1", change group
  // "123" to "9".
  std::string script = Bytes({0, 0, 20}) + Text("1") + Text("123") + Text("9");
  Seed("client_file", "valid", fuzz::JoinParts({clients, script}));
  Seed("client_file", "cut-short", fuzz::JoinParts({clients.substr(0, 3233), Bytes({0, 1, 3}) + Text("ab") + Text("AB") + Text("")}));
  Seed("client_file", "controls",
       fuzz::JoinParts({WithControls(clients, {233, 1232, 2100, 2233}), Bytes({0, 0, 200}) + Text("a") + Text("1") + Text("7")}));
  Seed("client_file", "empty", fuzz::JoinParts({"", Bytes({0, 0, 9}) + Text("1") + Text("1") + Text("2")}));
  Seed("client_file", "missing", fuzz::JoinParts({"", Bytes({1, 0, 9}) + Text("1") + Text("1") + Text("2")}));
}

void Delinquency() {
  std::string members = Join({Member("11111111111", "10/12/2025", "5"), Member("22222222222", "15/11/2025", "2"),
                              Member("33333333333", "1/1/2025", "1"), Member("44444444444", "10/12/2025", "1", "1"),
                              Member("55555555555", "10/12/2025", "1", " ", true)});
  std::string clients = Join({NewClient(1, "100", "11111111111"), NewClient(2, "100", "22222222222"),
                              NewClient(3, "000", "33333333333"), NewClient(4, "100", "")});
  Seed("delinquency", "valid", fuzz::JoinParts({members, clients, Bytes({0})}));
  Seed("delinquency", "cut-short", fuzz::JoinParts({members.substr(0, 3510), clients.substr(0, 3260), Bytes({0})}));
  Seed("delinquency", "controls",
       fuzz::JoinParts({WithControls(members, {252, 505, 816, 1999}), WithControls(clients, {251, 1255, 2232, 3250}), Bytes({0})}));
  Seed("delinquency", "empty", fuzz::JoinParts({"", "", Bytes({0})}));
  Seed("delinquency", "missing-members", fuzz::JoinParts({"", clients, Bytes({1})}));
  Seed("delinquency", "missing-clients", fuzz::JoinParts({members, "", Bytes({2})}));
}

// A client of 3.03 with a farm and a bank account, as the split reads it.
std::string SplitClient(int n, const std::string& farm, const std::string& bank, const std::string& agency,
                        const std::string& account) {
  Record r = test::NewClientFromOld(test::OldClient(n));
  return r.Set(286, 4, "A12" + std::to_string(n)).Set(354, 18, "INSCR 0" + std::to_string(n))
      .Set(613, 18, "CONTA " + std::to_string(n)).Set(641, 2, "GO").Set(643, 40, farm)
      .Set(683, 30, "GOIANIA").Set(713, 4, bank).Set(717, 6, agency).Set(723, 18, account)
      .Set(741, 20, "POUPANCA");
}

std::string BankRecord(char kind, const std::string& code, const std::string& name, bool deleted = false) {
  Record r(60);
  r.Set(0, 1, std::string(1, kind)).Set(1, 8, code).Set(9, 51, name);
  if (deleted) r.Set(59, "+");
  return r;
}

void Split() {
  std::string clients = Join({SplitClient(1, "FAZENDA BOA VISTA", "341", "1234-5", "12345-67"),
                              SplitClient(2, "", "001", "12345", "1234567890123"),
                              SplitClient(3, "SITIO", "", "", ""), SplitClient(4, "", "999", "123-45", "1-2")});
  std::string table = Join({BankRecord('1', "0001", "BANCO DO BRASIL"), BankRecord('2', "341", "ITAU"),
                            BankRecord('2', "001", "BB", true), BankRecord('2', "001", "BRASIL")});
  std::string old = Record(66).Set(0, 11, "150").Set(11, 11, "0").Set(22, 11, "-3").Set(33, 11, "999999999")
                        .Set(44, 11, "letters").Set(55, 11, "7");
  Seed("split", "valid", fuzz::JoinParts({clients, table, old, Bytes({0})}));
  Seed("split", "cut-short", fuzz::JoinParts({clients.substr(0, 3700), table.substr(0, 185), old.substr(0, 30), Bytes({8})}));
  Seed("split", "controls", fuzz::JoinParts({WithControls(clients, {650, 715, 720, 1290}),
                                             WithControls(table, {3, 70, 129, 200}), WithControls(old, {1, 12, 23, 56}),
                                             Bytes({0})}));
  Seed("split", "empty", fuzz::JoinParts({"", "", "", Bytes({0})}));
  Seed("split", "missing", fuzz::JoinParts({clients, table, old, Bytes({2 | 16})}));
}

std::string Owner(const std::string& code, const std::string& first, const std::string& second) {
  return Record(1000).Set(0, 11, code).Set(290, 41, first).Set(331, 23, second).Set(354, 18, "NOT A PHONE");
}

void PhoneIndex() {
  std::string company = Owner("00001", "(62) 5954-6113", "(016) 5896-0748");
  std::string clients = Join({Owner("00001", std::string(40, '4'), ""), Owner("00002", std::string(20, '1'), std::string(15, '2')),
                              Owner("00003", "(62) 5954-6113", "(62) 5954"), Owner("00004", "", "(11) 1111")});
  Seed("phone_index", "valid", fuzz::JoinParts({company, clients, Bytes({0})}));
  Seed("phone_index", "cut-short", fuzz::JoinParts({company.substr(0, 300), clients.substr(0, 2340), Bytes({0})}));
  Seed("phone_index", "controls",
       fuzz::JoinParts({WithControls(company, {5, 295, 333, 340}), WithControls(clients, {1291, 1300, 1335, 2000}), Bytes({0})}));
  Seed("phone_index", "empty", fuzz::JoinParts({"", "", Bytes({0})}));
  Seed("phone_index", "missing", fuzz::JoinParts({"", clients, Bytes({1})}));
}

std::string OldText(const std::string& key, const std::string& length, const std::string& text) {
  return Record(16).Set(0, 11, key).Set(11, 5, length).bytes() + text;
}

void TextDocuments() {
  std::string long_text(450, 'L');
  std::string valid = Join({OldText("10000000001", "5", "Texto"), OldText("20000000002", "3", "abc"),
                            OldText("10000000003", "450", long_text), OldText("10000000004", "0", "")});
  Seed("text_documents", "valid", valid);
  Seed("text_documents", "cut-short", valid.substr(0, 40));
  Seed("text_documents", "controls", OldText("1\n\r", "4", "a\nb\x1A") + OldText("1\0", "2", "\0\r"));
  Seed("text_documents", "negative", OldText("10000000001", "-16", "x") + OldText("10000000002", "2", "yy"));
  Seed("text_documents", "huge", OldText("10000000001", "99999", "x"));
  Seed("text_documents", "not-numeric", OldText("10000000001", "  abc", "x") + OldText("10000000002", "+7", "abcdefg"));
  Seed("text_documents", "empty", "");
}

void Texts() {
  int n = 0;
  for (const char* text : {"1.234,56", " 12,50", "R$ 12,50", "1,234.56", "1e308", "-0,005", "nan", "inf",
                           "05/13/2024", "5/1/2024", "31/12/-999", "\xC3\xA7\xC2\xA0\xC3\x41 a\t\r\n\x1A",
                           "999999999999999,999"})
    Seed("text", "text-" + std::to_string(++n), text);
  // Doubles as their bytes, then the decimals and a width.
  n = 0;
  for (double value : {1234.5, -1234.5, 2000000001.0, 1e15, 0.005, -0.0, std::nan(""), -HUGE_VAL}) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    Seed("text", "double-" + std::to_string(++n), bytes + Bytes({2, 12}));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  ClientPasses();
  CodeTable();
  Registrations();
  PaymentForms();
  Counters();
  Import();
  ClientFile();
  Delinquency();
  Split();
  PhoneIndex();
  TextDocuments();
  Texts();
  return 0;
}
