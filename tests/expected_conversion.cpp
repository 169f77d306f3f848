#include "tests/expected_conversion.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "platform/common/wildcard.hpp"

namespace test {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Record layouts, as (name, offset, width), for naming what differs.

struct FieldName {
  const char* name;
  std::size_t at, width;
};

struct LayoutName {
  const char* file;
  std::size_t length;
  std::vector<FieldName> fields;
};

const std::vector<LayoutName>& Layouts() {
  static const std::vector<LayoutName> layouts = {
      {"F10R2.DAT", 1000, {{"code", 0, 11}, {"name", 11, 40}, {"text 2", 51, 40}, {"text 3", 91, 70},
                           {"text 4", 161, 30}, {"postal code", 191, 9}, {"text 5", 200, 30},
                           {"two characters", 230, 2}, {"group", 232, 7}, {"flag", 239, 1},
                           {"ten characters", 240, 10}, {"CPF/CNPJ", 250, 18}, {"second document", 268, 18},
                           {"area code", 286, 4}, {"first phone", 290, 37}, {"first phone tail", 327, 4},
                           {"second phone", 331, 23}, {"farm field 354", 354, 18}, {"long text", 372, 120},
                           {"new fields", 492, 121}, {"account field 613", 613, 28}, {"farm state", 641, 2},
                           {"farm name", 643, 40}, {"farm city", 683, 30}, {"bank code", 713, 4},
                           {"agency", 717, 6}, {"account", 723, 18}, {"account text", 741, 20},
                           {"tail", 761, 238}, {"deleted mark", 999, 1}}},
      {"F09R0.DAT", 815, {{"farm code", 0, 11}, {"farm name", 11, 189}, {"farm city", 200, 30},
                          {"farm state", 230, 38}, {"second document", 268, 86}, {"farm field 354", 354, 148},
                          {"owner", 502, 313}}},
      {"F04R0.DAT", 950, {{"account code", 0, 11}, {"bank name", 11, 40}, {"agency number", 51, 4},
                          {"agency check digit", 55, 2}, {"bank code", 57, 4}, {"account number", 61, 13},
                          {"account check digit", 74, 788}, {"account text", 862, 40},
                          {"account field 613", 902, 36}, {"fixed 0", 938, 1}, {"owner", 939, 11}}},
      {"FTEL1.DAT", 40, {{"file number", 0, 2}, {"kind", 2, 2}, {"joined", 4, 1}, {"owner key", 5, 10},
                         {"phone", 15, 23}, {"line end", 38, 2}}},
      {"F40.DAT", 500, {{"fixed 100", 0, 3}, {"blanks", 3, 10}, {"fixed 110", 13, 3}, {"key", 16, 10},
                        {"length", 26, 6}, {"length again", 32, 4}, {"fixed 0", 36, 3}, {"fixed 1", 39, 1},
                        {"text", 40, 460}}},
      {"F24R0.DAT", 60, {{"kind", 0, 1}, {"code", 1, 8}, {"name", 9, 51}}},
      {"F14R0.DAT", 311, {{"code", 0, 11}, {"description", 11, 157}, {"groups", 168, 70}, {"spaces", 238, 73}}},
      {"F34.DAT", 30, {{"group", 0, 10}, {"name", 10, 10}, {"value", 20, 10}}},
      {"F00R0.DAT", 1000, {{"code", 0, 11}, {"first phone", 290, 37}, {"first phone tail", 327, 4},
                           {"second phone", 331, 23}, {"from 354", 354, 646}}},
  };
  return layouts;
}

std::string Quoted(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c >= 32 && c < 127 && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out + "\"";
}

std::string Describe(const std::string& path, const std::string& got, const std::string& want) {
  std::size_t n = 0;
  while (n < got.size() && n < want.size() && got[n] == want[n]) ++n;
  std::string base = path.substr(path.find_last_of('/') + 1);
  std::string upper = base;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::ostringstream out;
  out << path << ": " << got.size() << " bytes, expected " << want.size();
  for (const LayoutName& layout : Layouts()) {
    if (upper != layout.file) continue;
    std::size_t record = n / layout.length, offset = n % layout.length;
    out << "; record " << record << " differs";
    for (const FieldName& f : layout.fields) {
      if (offset < f.at || offset >= f.at + f.width) continue;
      std::size_t at = record * layout.length + f.at;
      auto part = [&](const std::string& s) { return at < s.size() ? s.substr(at, f.width) : std::string(); };
      out << " in its " << f.name << " (" << f.at << ", " << f.width << "): got " << Quoted(part(got))
          << ", expected " << Quoted(part(want));
      return out.str();
    }
  }
  auto around = [&](const std::string& s) { return n < s.size() ? s.substr(n > 8 ? n - 8 : 0, 24) : std::string(); };
  out << "; first difference at byte " << n << ": got " << Quoted(around(got)) << ", expected " << Quoted(around(want));
  return out.str();
}

// ---------------------------------------------------------------------------
// Names: the data folder's names match in any letter case. A path is resolved
// part by part as the POSIX layer does: the spelling given when it exists,
// else the first existing spelling in byte order, and the given spelling from
// the first part that exists in no spelling.

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

std::string Parent(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : folder + "/" + name;
}

class Folder {
 public:
  explicit Folder(FolderImage& image) : image_(image) {}

  bool IsFile(const std::string& path) const { return image_.files.count(path) > 0; }
  bool IsFolder(const std::string& path) const { return path.empty() || image_.folders.count(path) > 0; }
  bool Has(const std::string& path) const { return IsFile(path) || IsFolder(path); }

  // The names (not paths) of the entries of a folder, in byte order.
  std::vector<std::string> Entries(const std::string& folder) const {
    std::set<std::string> names;
    for (auto& [path, bytes] : image_.files)
      if (Parent(path) == folder) names.insert(path.substr(folder.empty() ? 0 : folder.size() + 1));
    for (const std::string& path : image_.folders)
      if (Parent(path) == folder) names.insert(path.substr(folder.empty() ? 0 : folder.size() + 1));
    return {names.begin(), names.end()};
  }

  std::string Resolve(const std::string& path) const {
    if (Has(path)) return path;
    std::string out;
    bool searching = true;
    std::size_t i = 0;
    while (i <= path.size()) {
      std::size_t slash = path.find('/', i);
      if (slash == std::string::npos) slash = path.size();
      std::string part = path.substr(i, slash - i);
      std::string candidate = Join(out, part);
      if (searching && !Has(candidate)) {
        std::optional<std::string> found;
        for (const std::string& name : Entries(out))
          if (SameName(name, part)) { found = name; break; }
        if (found) candidate = Join(out, *found);
        else searching = false;
      }
      out = candidate;
      i = slash + 1;
    }
    return out;
  }

  // Core names spell folders with backslashes.
  std::string Name(std::string core) const {
    std::replace(core.begin(), core.end(), '\\', '/');
    return Resolve(core);
  }

  bool Exists(const std::string& core) const { return Has(Name(core)); }
  bool FileExists(const std::string& core) const { return IsFile(Name(core)); }
  bool Writable(const std::string& core) const { return !image_.read_only.count(Name(core)); }
  // The bytes of an existing file.
  std::string& Bytes(const std::string& core) { return image_.files.at(Name(core)); }
  // Creates a file (its name as given where it does not exist yet).
  std::string& Create(const std::string& core) {
    std::string name = Name(core);
    image_.read_only.erase(name);
    return image_.files[name];
  }
  void Remove(const std::string& core) {
    std::string name = Name(core);
    image_.files.erase(name);
    image_.read_only.erase(name);
  }
  // FDelete: the attribute cleared, the file removed; nothing for a folder.
  void Delete(const std::string& core) {
    if (FileExists(core)) Remove(core);
  }
  // CopyNoReplace.
  bool Copy(const std::string& from, const std::string& to) {
    if (!FileExists(from) || Exists(to)) return false;
    std::string bytes = Bytes(from);
    bool read_only = !Writable(from);
    Create(to) = bytes;
    if (read_only) image_.read_only.insert(Name(to));
    return true;
  }
  void MakeFolder(const std::string& path) {
    std::string name = Name(path);
    if (Has(name) || !IsFolder(Parent(name))) return;
    image_.folders.insert(name);
  }
  bool RemoveFolder(const std::string& core) {
    std::string name = Name(core);
    if (!image_.folders.count(name) || !Entries(name).empty()) return false;
    image_.folders.erase(name);
    return true;
  }
  // Takes a file or folder out, with everything below it.
  FolderImage Take(const std::string& name) {
    FolderImage taken;
    auto below = [&](const std::string& path) { return path == name || path.rfind(name + "/", 0) == 0; };
    for (auto it = image_.files.begin(); it != image_.files.end();) {
      if (below(it->first)) {
        if (image_.read_only.count(it->first)) taken.read_only.insert(it->first.substr(name.size()));
        image_.read_only.erase(it->first);
        taken.files.emplace(it->first.substr(name.size()), it->second);
        it = image_.files.erase(it);
      } else {
        ++it;
      }
    }
    for (auto it = image_.folders.begin(); it != image_.folders.end();) {
      if (below(*it)) {
        taken.folders.insert(it->substr(name.size()));
        it = image_.folders.erase(it);
      } else {
        ++it;
      }
    }
    return taken;
  }
  void Put(const std::string& name, const FolderImage& taken) {
    for (auto& [path, bytes] : taken.files) image_.files[name + path] = bytes;
    for (const std::string& path : taken.read_only) image_.read_only.insert(name + path);
    for (const std::string& path : taken.folders) image_.folders.insert(name + path);
  }
  // RenameNoReplace within one folder image.
  bool Rename(const std::string& from, const std::string& to) {
    std::string source = Name(from), target = Name(to);
    if (!Has(source) || Has(target) || !IsFolder(Parent(target))) return false;
    Put(target, Take(source));
    return true;
  }

 private:
  FolderImage& image_;
};

// ---------------------------------------------------------------------------
// Fields of records held in memory.

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// The field read: at most width characters of those the record has, up to
// and including a line feed.
std::string Read(const std::string& record, std::size_t at, std::size_t width) {
  if (at >= record.size()) return "";
  std::string field = record.substr(at, width);
  std::size_t feed = field.find('\n');
  return feed == std::string::npos ? field : field.substr(0, feed + 1);
}

// The bytes of a stretch of a record as they are, line feeds and all: the
// re-layout of the client file copies stretches, it reads no field.
std::string Copy(const std::string& record, std::size_t at, std::size_t width) {
  return at >= record.size() ? "" : record.substr(at, width);
}

std::vector<std::string> Records(const std::string& file, std::size_t length) {
  std::vector<std::string> records;
  for (std::size_t at = 0; at < file.size(); at += length) records.push_back(file.substr(at, length));
  return records;
}

long Integer(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

// Overwrites text at offset of a record that keeps its length.
void Overwrite(std::string& record, std::size_t at, const std::string& text) {
  if (at >= record.size()) return;
  record.replace(at, std::min(text.size(), record.size() - at), text.substr(0, record.size() - at));
}

// ---------------------------------------------------------------------------
// The run.

class Run {
 public:
  Run(const FolderImage& data, const FolderImage& temp) : result_{data, temp, {}}, data_(result_.data),
                                                           temp_(result_.temp) {}

  ExpectedRun Go() {
    FileConversion("F10R1.DAT", "F10.DAT", "F10.TMP", [this](const std::string& s) { return ClientsToR1(s); });
    FileConversion("F10R2.DAT", "F10R1.DAT", "F10R1.TMP", [this](const std::string& s) { return ClientsToR2(s); });
    FileConversion("F24.DAT", "F13.DAT", nullptr, [this](const std::string& s) { return CodeTable(s); });
    if (!LogTestAndMark("219")) FixRegistrations();
    FileConversion("F14R0.DAT", "F14.DAT", "F14.TMP", [this](const std::string& s) { return PaymentForms(s); });
    if (payment_warning_)
      result_.messages.push_back("[Lanvo] Problema na conversão das formas de pagamento.\nConsulte o suporte técnico.");
    Split();
    MigrateCounters();
    PhoneIndex();
    TextDocuments();
    CleanUp();
    result_.messages.push_back("[Lanvo] A conversão foi realizada.");
    return result_;
  }

 private:
  // Step 1: a source into a target when the target is absent; then the
  // source's backup and, once target and backup are there, its deletion.
  template <typename Convert>
  void FileConversion(const char* target, const char* source, const char* backup, Convert convert) {
    if (!data_.Exists(target) && data_.FileExists(source)) data_.Create(target) = convert(data_.Bytes(source));
    bool safe = data_.Exists(target);
    if (backup) {
      data_.Copy(source, backup);
      safe = safe && data_.Exists(backup);
    }
    if (safe) data_.Delete(source);
  }

  // F10.DAT (778) into F10R1.DAT (1370): (source offset, characters kept, width).
  std::string ClientsToR1(const std::string& f10) {
    struct Move { std::size_t at, keep, width; };
    static const Move moves[] = {
        {0, 11, 11},   {11, 40, 60},  {52, 40, 40},  {93, 40, 70},  {134, 30, 30},  {165, 9, 9},
        {175, 30, 30}, {206, 2, 12},  {209, 10, 30}, {594, 4, 4},   {272, 31, 41},  {303, 31, 41},
        {435, 60, 120}, {220, 18, 18}, {571, 18, 18}, {239, 18, 30}, {590, 4, 10},  {496, 40, 109},
        {537, 30, 687}};
    std::string out;
    for (const std::string& record : Records(f10, 778))
      for (const Move& m : moves) out += Pad(Copy(record, m.at, m.keep), m.width);
    return out;
  }

  // F10R1.DAT (1370) into F10R2.DAT (1000).
  std::string ClientsToR2(const std::string& f10r1) {
    struct Move { std::size_t at, keep, width; };
    static const Move moves[] = {
        {0, 51, 51},    {71, 181, 181}, {564, 3, 8},    {262, 10, 10},  {498, 36, 36}, {292, 206, 327},
        {534, 30, 30},  {574, 40, 40},  {683, 30, 30},  {1015, 3, 4},   {1018, 16, 283}};
    std::string out;
    for (const std::string& record : Records(f10r1, 1370))
      for (const Move& m : moves) out += Pad(Copy(record, m.at, m.keep), m.width);
    return out;
  }

  // F13.DAT (66) into F24.DAT (60): kind "1", code, name.
  std::string CodeTable(const std::string& f13) {
    std::string out;
    for (const std::string& record : Records(f13, 66))
      out += "1" + Pad(Read(record, 0, 4), 8) + Pad(Read(record, 4, 30), 51);
    return out;
  }

  // The conversion log: lines read in pieces of at most 9 characters.
  bool LogTestAndMark(const std::string& code) {
    if (data_.FileExists("CONV.DAT")) {
      const std::string& log = data_.Bytes("CONV.DAT");
      std::size_t at = 0;
      while (at < log.size()) {
        std::string piece = Read(log, at, 9);
        if (piece.compare(0, code.size(), code) == 0) return true;
        at += piece.size();
      }
      data_.Bytes("CONV.DAT") += code + "\r\n";
    } else {
      data_.Create("CONV.DAT") = code + "\r\n";
    }
    return false;
  }

  // Every record of the registration files named by F11.DAT gets 647 blanks
  // from 960. The files are opened without a change of attribute.
  void FixRegistrations() {
    if (!data_.FileExists("F11.DAT")) return;
    for (const std::string& entry : Records(data_.Bytes("F11.DAT"), 997)) {
      std::string name = "REG\\F12" + TrimRight(Read(entry, 0, 11)) + ".DAT";
      if (!data_.FileExists(name) || !data_.Writable(name)) continue;
      std::string& file = data_.Bytes(name);
      for (std::size_t at = 0; at < file.size(); at += 1608) {
        std::string record = file.substr(at, 1608);
        Overwrite(record, 960, std::string(647, ' '));
        file.replace(at, record.size(), record);
      }
    }
  }

  // F14.DAT (335) into F14R0.DAT (311): runs of equal slot values become
  // groups of (count, value); ten groups are written.
  std::string PaymentForms(const std::string& f14) {
    std::string out;
    for (const std::string& record : Records(f14, 335)) {
      out += Pad(Read(record, 0, 3), 11) + Pad(Read(record, 4, 31), 157);
      long count[24] = {}, value[24] = {};
      int group = 0;
      long previous = 0;
      for (std::size_t slot = 0; slot < 24; ++slot) {
        std::string text = Read(record, 35 + slot * 5, 5);
        long v = Integer(text);
        if (text.empty() || v <= 0) continue;
        if (previous > 0 && v != previous) ++group;
        ++count[group];
        value[group] = v;
        previous = v;
      }
      for (int g = 0; g < 10; ++g) {
        char text[32];
        std::snprintf(text, sizeof text, "%-2ld%-5ld", count[g], value[g]);
        out += (count[g] == 0 && value[g] == 0) ? std::string(7, ' ') : std::string(text).substr(0, 7);
      }
      out += std::string(73, ' ');
      for (int g = 6; g < 24; ++g)
        if (count[g] > 0) payment_warning_ = true;
    }
    return out;
  }

  // Step 2: farms and accounts out of the client records.
  void Split() {
    if (data_.Exists("F04R0.DAT") || data_.Exists("F09R0.DAT")) return;
    if (!data_.FileExists("F10R2.DAT") || !data_.Writable("F10R2.DAT")) return;
    data_.Copy("F10R2.DAT", "F10R2-250.BAK");
    bool table = data_.FileExists("F24.DAT");
    std::vector<std::string> banks = table ? Records(data_.Bytes("F24.DAT"), 60) : std::vector<std::string>();
    std::string farms, accounts, clients;
    long farm_count = 0, account_count = 0;
    for (std::string client : Records(data_.Bytes("F10R2.DAT"), 1000)) {
      std::string code = Read(client, 0, 10);
      std::string farm_name = TrimRight(Read(client, 643, 40));
      if (!farm_name.empty()) {
        farms += Pad(Sequence(++farm_count) + farm_name, 200) + Pad(Read(client, 683, 30), 30) +
                 Pad(Read(client, 641, 2), 38) + Pad(Read(client, 268, 18), 86) + Pad(Read(client, 354, 18), 148) +
                 Pad(code, 313);
      }
      std::string bank_code = TrimRight(Read(client, 713, 4));
      if (!bank_code.empty()) {
        std::string name = "BANCO";
        std::string key = Pad("2" + bank_code, 5);
        for (const std::string& bank : banks)
          if (bank.size() >= 5 && !(bank.size() == 60 && bank[59] == '+') && bank.compare(0, 5, key) == 0) {
            name = Read(bank, 9, 20);
            break;
          }
        auto [agency, agency_digit] = Agency(TrimRight(Read(client, 717, 6)));
        auto [account, account_digit] = Account(TrimRight(Read(client, 723, 18)));
        accounts += Pad(Sequence(++account_count) + name, 51) + Pad(agency, 4) + Pad(agency_digit, 2) +
                    Pad(bank_code.substr(0, 3), 4) + Pad(account, 13) + Pad(account_digit, 788) +
                    Pad(Read(client, 741, 20), 40) + Pad(Read(client, 613, 18), 36) + "0" + Pad(code, 11);
      }
      std::string area = TrimRight(Read(client, 286, 4));
      if (area.size() >= 3) {
        char number[16];
        std::snprintf(number, sizeof number, "%-4ld", Integer(area.substr(std::isdigit(static_cast<unsigned char>(area[0])) ? 0 : 1)));
        Overwrite(client, 286, number);
      }
      Overwrite(client, 354, std::string(18, ' '));
      Overwrite(client, 613, std::string(148, ' '));
      clients += client;
    }
    data_.Create("F04R0.DAT") = accounts;
    data_.Create("F09R0.DAT") = farms;
    data_.Bytes("F10R2.DAT") = clients;
    if (table && !data_.Exists("F24R0.DAT")) {
      std::string copy;
      for (const std::string& record : banks)
        if (record[0] != '2') copy += Pad(record, 60);
      data_.Create("F24R0.DAT") = copy;
      data_.Delete("F24.DAT");
    }
  }

  static std::string Sequence(long n) {
    char code[24];
    std::snprintf(code, sizeof code, "%05ld", n);
    return Pad(code, 11);
  }

  static std::pair<std::string, std::string> Agency(const std::string& text) {
    std::size_t dash = text.rfind('-');
    if (dash != std::string::npos && dash >= 1 && dash + 2 >= text.size())
      return {text.substr(0, std::min<std::size_t>(dash, 4)), text.substr(dash + 1, 1)};
    return {text.substr(0, 4), text.size() > 4 ? text.substr(4, 1) : ""};
  }

  static std::pair<std::string, std::string> Account(const std::string& text) {
    std::size_t dash = text.rfind('-');
    if (dash != std::string::npos && dash >= 1 && dash + 3 >= text.size())
      return {text.substr(0, std::min<std::size_t>(dash, 13)), text.substr(dash + 1, 2)};
    return {text.substr(0, 10), text.size() > 10 ? text.substr(10, 2) : ""};
  }

  // The six old counters into F34.DAT: values 1 to 999,999,998 only.
  void MigrateCounters() {
    if (!data_.FileExists("CONFIGA.DAT") || data_.Exists("F34.DAT")) return;
    static const char* const names[] = {"10", "60", "11", "14", "9", "4"};
    std::string old = data_.Bytes("CONFIGA.DAT"), counters;
    for (std::size_t k = 0; k < 6; ++k) {
      long value = Integer(Read(old, k * 11, 11));
      if (value > 0 && value < 999999999) {
        char record[64];
        std::snprintf(record, sizeof record, "%-10s%-10s%-10ld", "", names[k], value);
        counters += record;
      }
    }
    if (!counters.empty()) data_.Create("F34.DAT") = counters;
    data_.Delete("CONFIGA.DAT");
  }

  // Step 3: the phone index, company lines before client lines.
  void PhoneIndex() {
    if (data_.Exists("FTEL1.DAT")) return;
    std::string index;
    for (const auto& owner : {std::pair<const char*, const char*>{"F00R0.DAT", "00"}, {"F10R2.DAT", "10"}}) {
      // Named copies, not a structured binding: clang 14 cannot capture one.
      const char* source = owner.first;
      const char* number = owner.second;
      if (!data_.FileExists(source)) continue;
      std::string out;
      for (std::string record : Records(data_.Bytes(source), 1000)) {
        std::string key = Read(record, 0, 10);
        std::string first = TrimRight(Read(record, 290, 41)), second = TrimRight(Read(record, 331, 23));
        if (first.compare(0, second.size(), second) == 0) second.clear();
        auto line = [&](const char* kind, const char* joined, const std::string& phone) {
          index += std::string(number) + kind + joined + Pad(key, 10) + Pad(phone, 23) + "\r\n";
        };
        if (first.size() > 37) {
          Overwrite(record, 327, "    ");
          line("01", "0", first.substr(37));
        }
        bool joined = !second.empty() && first.size() + second.size() + 3 <= 37;
        if (joined) Overwrite(record, 290 + first.size(), " / " + second);
        if (!second.empty()) {
          Overwrite(record, 331, std::string(23, ' '));
          line("02", joined ? "1" : "0", second);
        }
        out += record;
      }
      data_.Bytes(source) = out;
    }
    data_.Create("FTEL1.DAT") = index;
  }

  // Step 3: the text documents.
  void TextDocuments() {
    if (data_.Exists("F40.DAT")) return;
    std::string documents;
    bool stopped = false;
    if (data_.FileExists("F90.DAT")) {
      const std::string old = data_.Bytes("F90.DAT");
      for (std::size_t at = 0; at < old.size();) {
        std::string key = old.substr(at, 11);
        std::string length = key.size() == 11 ? old.substr(std::min(old.size(), at + 11), 5) : "";
        // The length must be a number: blanks, a sign, then a digit.
        std::size_t digit = 0;
        while (digit < length.size() && std::isspace(static_cast<unsigned char>(length[digit]))) ++digit;
        if (digit < length.size() && (length[digit] == '+' || length[digit] == '-')) ++digit;
        long n = Integer(length);
        if (digit >= length.size() || !std::isdigit(static_cast<unsigned char>(length[digit])) || n < 0) {
          stopped = true;
          break;
        }
        long used = std::min(n, 300L);
        std::string text = at + 16 < old.size() ? old.substr(at + 16, static_cast<std::size_t>(used)) : "";
        if (key[0] == '1' && (used == 0 || !text.empty())) {
          char numbers[16];
          std::snprintf(numbers, sizeof numbers, "%-6ld%-4ld", used, used);
          documents += "100" + std::string(10, ' ') + "110" + Pad(key.substr(1), 10) + numbers + "0  1" +
                       Pad(text, 460);
        }
        at += 16 + static_cast<std::size_t>(n);
      }
      if (stopped) data_.Copy("F90.DAT", "F90.TMP");
      data_.Delete("F90.DAT");
    }
    data_.Create("F40.DAT") = documents;
  }

  // Step 4.
  void CleanUp() {
    static const char* const before_texts[] = {
        "Acc001.dat", "Accnew.001", "CONF0.SAT", "CONFIG1.DAT", "config2.dat", "config3.dat", "config4.dat",
        "lan01.txt", "normas.txt", "C01.DAT", "CONF3R0.DAT", "C03.DAT", "contrato.txt", "contrat2.txt",
        "c04.dat", "c04b.dat", "C04R0.DAT", "C04R0B.DAT", "C05.DAT", "C06AUX.DAT", "C06.DAT", "C06B.DAT",
        "C10.DAT", "d03.den", "d401.den", "d402.den", "d403.den", "d406.xls"};
    static const char* const after_texts[] = {"ExpCli.bat", "F15.DAT", "F18.DAT", "F19R0.DAT", "F19R1.DAT"};
    static const char* const last[] = {"Lanvo219.con", "Lanvo240.con", "COMPRESS.EXE", "Lanvo.hlp", "Lanvo.gid"};
    for (const char* name : before_texts) data_.Delete(name);
    data_.Rename("F09.DAT", "F90.DAT");
    if (data_.FileExists("F09.DAT")) {
      data_.Copy("F09.DAT", "F09.TMP");
      if (data_.Exists("F09.TMP")) data_.Delete("F09.DAT");
    }
    for (const char* name : after_texts) data_.Delete(name);
    if (data_.Exists("F24R0.DAT")) data_.Delete("F24.DAT");
    for (const char* name : last) data_.Delete(name);
    Park();
    Merge("R03", "R60");
    Merge("R04", "R65");
    data_.RemoveFolder("r01");
    data_.RemoveFolder("r401");
  }

  // R02 to Vamk/Lanvo/R02 of the temporary folder, or .001 to .100.
  void Park() {
    if (!data_.Exists("R02")) return;
    for (int i = 0; i <= 100; ++i) {
      temp_.MakeFolder("Vamk");
      temp_.MakeFolder("Vamk/Lanvo");
      char suffix[8] = "";
      if (i > 0) std::snprintf(suffix, sizeof suffix, ".%03d", i);
      std::string target = temp_.Name(std::string("Vamk/Lanvo/R02") + suffix);
      if (temp_.Has(target)) continue;
      temp_.Put(target, data_.Take(data_.Name("R02")));
      return;
    }
  }

  void Merge(const char* source, const char* target) {
    if (data_.Rename(source, target)) return;
    if (!data_.IsFolder(data_.Name(source)) || !data_.Has(data_.Name(source))) return;
    std::string from = data_.Name(source);
    for (const std::string& name : data_.Entries(from)) {
      if (!plat::WildcardMatch("*.DAT", name)) continue;
      for (int i = 0; i <= 100; ++i) {
        data_.MakeFolder(target);
        char suffix[8] = "";
        if (i > 0) std::snprintf(suffix, sizeof suffix, ".%03d", i);
        if (data_.Rename(from + "/" + name, std::string(target) + "\\" + name + suffix)) break;
      }
    }
    data_.RemoveFolder(source);
  }

  ExpectedRun result_;
  Folder data_;
  Folder temp_;
  bool payment_warning_ = false;
};

}  // namespace

FolderImage ReadFolderImage(const fs::path& root) {
  FolderImage image;
  if (!fs::is_directory(root)) return image;
  for (auto& entry : fs::recursive_directory_iterator(root)) {
    std::string name = fs::relative(entry.path(), root).generic_string();
    if (entry.is_directory()) {
      image.folders.insert(name);
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      image.files[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      if ((entry.status().permissions() & fs::perms::owner_write) == fs::perms::none) image.read_only.insert(name);
    }
  }
  return image;
}

ExpectedRun ExpectConversion(const FolderImage& data, const FolderImage& temp) { return Run(data, temp).Go(); }

std::vector<std::string> CompareFolders(const std::string& label, const FolderImage& got, const FolderImage& want) {
  std::vector<std::string> problems;
  for (const std::string& name : want.folders)
    if (!got.folders.count(name)) problems.push_back(label + ": missing folder " + name);
  for (const std::string& name : got.folders)
    if (!want.folders.count(name)) problems.push_back(label + ": unexpected folder " + name);
  for (auto& [name, bytes] : want.files) {
    auto found = got.files.find(name);
    if (found == got.files.end()) problems.push_back(label + ": missing " + name);
    else if (found->second != bytes) problems.push_back(label + ": " + Describe(name, found->second, bytes));
  }
  for (auto& [name, bytes] : got.files)
    if (!want.files.count(name)) problems.push_back(label + ": unexpected " + name);
  return problems;
}

std::vector<std::string> CheckConversion(const FolderImage& before, const FolderImage& before_temp,
                                         const fs::path& after, const fs::path& after_temp,
                                         const std::string& output) {
  ExpectedRun expected = ExpectConversion(before, before_temp);
  std::vector<std::string> problems = CompareFolders("data folder", ReadFolderImage(after), expected.data);
  std::vector<std::string> temp = CompareFolders("temporary folder", ReadFolderImage(after_temp), expected.temp);
  problems.insert(problems.end(), temp.begin(), temp.end());
  std::string messages;
  for (const std::string& m : expected.messages) messages += m + "\n";
  std::string shown = output;
  for (std::size_t at; (at = shown.find("\r\n")) != std::string::npos;) shown.erase(at, 1);
  if (shown != messages) problems.push_back("messages: got " + Quoted(shown) + ", expected " + Quoted(messages));
  return problems;
}

}  // namespace test
