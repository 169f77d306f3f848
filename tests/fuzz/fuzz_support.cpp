#include "tests/fuzz/fuzz_support.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/posix/posix.hpp"
#include "recfile/stream.hpp"

namespace fuzz {
namespace {

// The file operations that one input may cost: a few per record of every
// file would already be many (the streams read whole windows), so a count
// beyond this means a loop that the files do not bound.
constexpr std::uint64_t kOperationsPerInput = 4096;
constexpr std::uint64_t kOperationsPerByte = 4;

// The clock of every run: a Sunday in March, so that the delinquency update
// takes December of the year before as its reference month.
constexpr plat::LocalTime kNow = {2026, 3, 15, 9, 5, 3, 70};

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Fold(x) == Fold(y);
         });
}

// The folder of this process, below $LANVO_FUZZ_DIR, else /dev/shm where it
// exists, else the temporary folder. Each input makes it and removes it: the
// fuzzer ends its process without running what is registered to run at exit.
const fs::path& ProcessFolder() {
  static const fs::path folder = [] {
    const char* given = std::getenv("LANVO_FUZZ_DIR");
    fs::path base = given && *given ? fs::path(given)
                    : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                   : fs::temp_directory_path();
    return base / ("lanvo-fuzz-" + std::to_string(::getpid()));
  }();
  return folder;
}

std::vector<std::string> EntriesOf(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Every file below folder, named as the program names it: prefix, then the
// path with backslashes.
void ListFiles(const fs::path& folder, const std::string& prefix, std::vector<std::string>* out) {
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_directory()) continue;
    std::string name = fs::relative(entry.path(), folder).generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    out->push_back(prefix + name);
  }
}

}  // namespace

std::vector<std::string> SplitInput(const std::uint8_t* data, std::size_t size, std::size_t parts) {
  std::vector<std::string> out;
  std::size_t at = 0;
  for (std::size_t p = 0; p + 1 < parts; ++p) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < 4; ++i)
      if (at + i < size) length |= static_cast<std::size_t>(data[at + i]) << (8 * i);
    at = std::min(size, at + 4);
    length = std::min(length, size - at);
    out.emplace_back(reinterpret_cast<const char*>(data) + at, length);
    at += length;
  }
  out.emplace_back(reinterpret_cast<const char*>(data) + at, size - at);
  return out;
}

std::string JoinParts(const std::vector<std::string>& parts) {
  std::string out;
  for (std::size_t p = 0; p < parts.size(); ++p) {
    if (p + 1 < parts.size()) {
      std::uint32_t length = static_cast<std::uint32_t>(parts[p].size());
      for (int i = 0; i < 4; ++i) out += static_cast<char>((length >> (8 * i)) & 0xFF);
    }
    out += parts[p];
  }
  return out;
}

std::int32_t Script::Int() {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(Byte()) << (8 * i);
  return static_cast<std::int32_t>(v);
}

std::string Script::Text(std::size_t max_length) {
  std::string text;
  for (std::size_t n = Byte() % max_length; n > 0; --n) text += static_cast<char>(Byte());
  return text;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "\n*** property broken: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

std::optional<std::string> LineField(const std::string& file, std::size_t at, std::size_t width) {
  if (at >= file.size()) return std::nullopt;
  std::string text = file.substr(at, width);
  std::size_t feed = text.find('\n');
  if (feed != std::string::npos) text.resize(feed + 1);
  return text;
}

std::size_t RecordCount(std::size_t size, std::size_t length) { return (size + length - 1) / length; }

Workspace::Workspace(std::size_t input_size)
    : run_(ProcessFolder() / "run"),
      data_(run_ / "data"),
      diskette_(run_ / "diskette"),
      root_(run_ / "root"),
      previous_(fs::current_path()),
      operation_bound_(kOperationsPerInput + kOperationsPerByte * input_size) {
  fs::remove_all(ProcessFolder());
  for (const fs::path& folder : {data_, diskette_, root_}) fs::create_directories(folder);
  plat::posix::SetDisketteFolder(diskette_.string());
  plat::posix::SetRootFolder(root_.string());
  plat::Hooks& hooks = plat::TestHooks();
  hooks.message_box = [this](plat::Dialog*, std::string_view text, std::string_view caption,
                             unsigned flags) {
    messages_.push_back({std::string(text), std::string(caption), flags});
    return (flags & 0xF) == plat::kYesNo ? plat::kIdYes : plat::kIdOk;
  };
  hooks.now = [] { return kNow; };
  hooks.free_space = [this](const std::string&, std::uint64_t* bytes) {
    *bytes = diskette_free_;
    return true;
  };
  hooks.before_file_op = [this](plat::FileOp) {
    if (++operations_ > operation_bound_)
      Fail("more than " + std::to_string(operation_bound_) + " file operations: a loop the files do not bound");
    return true;
  };
  fs::current_path(data_);
}

Workspace::~Workspace() {
  Check(fs::current_path() == data_, "the working folder changed");
  fs::current_path(previous_);
  plat::TestHooks() = plat::Hooks{};
  plat::posix::SetDisketteFolder("");
  plat::posix::SetRootFolder("");
  Check(rec::OpenStreamCount() == 0, "a stream was left open");
  // Nothing may appear beside the three folders, nor beside this run.
  Check(EntriesOf(run_) == std::vector<std::string>{"data", "diskette", "root"},
        "a file was created outside the data folder");
  Check(EntriesOf(ProcessFolder()) == std::vector<std::string>{"run"},
        "a file was created outside the run's folder");
  fs::remove_all(ProcessFolder());
}

fs::path Workspace::Native(const std::string& name) const {
  fs::path base = data_;
  std::string rest = name;
  if (rest.size() >= 2 && rest[1] == ':') {
    base = Fold(rest[0]) == 'A' ? diskette_ : root_;
    rest = rest.substr(2);
  } else if (!rest.empty() && rest[0] == '\\') {
    base = root_;
  }
  std::replace(rest.begin(), rest.end(), '\\', '/');
  while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
  return base / rest;
}

void Workspace::Write(const std::string& name, std::string_view bytes) {
  fs::path path = Native(name);
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Check(out.good(), "could not write " + name);
}

std::string Workspace::Read(const std::string& name) const {
  std::ifstream in(Native(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Workspace::Has(const std::string& name) const { return fs::exists(Native(name)); }

std::int64_t Workspace::Size(const std::string& name) const {
  std::error_code error;
  auto size = fs::file_size(Native(name), error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

void Workspace::ExpectOnly(std::initializer_list<std::string> names) const {
  std::vector<std::string> found;
  ListFiles(data_, "", &found);
  ListFiles(diskette_, "A:\\", &found);
  ListFiles(root_, "\\", &found);
  for (const std::string& file : found) {
    bool allowed = std::any_of(names.begin(), names.end(),
                               [&](const std::string& name) { return SameName(name, file); });
    Check(allowed, "unexpected file " + file);
  }
}

void ExpectWholeRecords(const Workspace& ws, const std::string& name, std::int64_t length) {
  std::int64_t size = ws.Size(name);
  Check(size >= 0, name + " is missing");
  Check(size % length == 0, name + " holds " + std::to_string(size) + " bytes, not whole records of " +
                                std::to_string(length));
}

void ExpectUpdatedInPlace(const Workspace& ws, const std::string& name, std::int64_t size_before,
                          std::int64_t length) {
  std::int64_t size = ws.Size(name);
  Check(size >= 0, name + " disappeared");
  if (size == size_before) return;
  Check(size > size_before, name + " shrank from " + std::to_string(size_before) + " to " + std::to_string(size));
  Check(size % length == 0, name + " grew from " + std::to_string(size_before) + " to " + std::to_string(size) +
                                " bytes, not to a boundary of records of " + std::to_string(length));
}

// ---------------------------------------------------------------------------
// The phone moves.

namespace {

constexpr std::size_t kPhoneLine = 40;
constexpr std::size_t kKeyWidth = 10, kFirstAt = 290, kFirstWidth = 41, kSecondAt = 331, kSecondWidth = 23;
constexpr std::size_t kKept = 37;

std::string TrimmedField(const std::string& record, std::size_t at, std::size_t width) {
  std::string text = LineField(record, at, width).value_or("");
  return text.erase(text.find_last_not_of(' ') + 1);
}

std::string PhoneLine(int number, const char* kind, bool joined, const std::string& key, const std::string& phone) {
  char head[8];
  std::snprintf(head, sizeof head, "%02d%s%c", number, kind, joined ? '1' : '0');
  std::string line = head + key.substr(0, kKeyWidth);
  line.resize(5 + kKeyWidth, ' ');
  line += phone.substr(0, kSecondWidth);
  line.resize(kPhoneLine - 2, ' ');
  return line + "\r\n";
}

}  // namespace

std::string MovePhones(std::string record, int number, std::string* index) {
  std::string key = LineField(record, 0, kKeyWidth).value_or("");
  std::string first = TrimmedField(record, kFirstAt, kFirstWidth);
  std::string second = TrimmedField(record, kSecondAt, kSecondWidth);
  if (first.compare(0, second.size(), second) == 0) second.clear();
  auto put = [&](std::size_t at, const std::string& text) {
    for (std::size_t i = 0; i < text.size() && at + i < record.size(); ++i) record[at + i] = text[i];
  };
  if (first.size() > kKept) {
    *index += PhoneLine(number, "01", false, key, first.substr(kKept));
    put(kFirstAt + kKept, "    ");
  }
  bool joined = !second.empty() && first.size() + 3 + second.size() <= kKept;
  if (joined) put(kFirstAt + first.size(), " / " + second);
  if (!second.empty()) {
    *index += PhoneLine(number, "02", joined, key, second);
    put(kSecondAt, std::string(kSecondWidth, ' '));
  }
  return record;
}

}  // namespace fuzz
