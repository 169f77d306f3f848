#include "tests/support.hpp"

#include "platform/platform.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

namespace test {

void FolderTest::SetUp() {
  previous_ = fs::current_path();
  std::random_device random;
  // In memory where the system has such a folder: the conversions flush
  // every file they commit, and on a disk the hundreds of runs of the fault
  // tests would wait for it.
  std::error_code error;
  fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
  folder_ = base / ("lanvo-test-" + std::to_string(random()) + "-" + std::to_string(random()));
  fs::create_directories(folder_);
  fs::current_path(folder_);
  // What an earlier test of the same process met is none of this one's.
  plat::ClearRefusals();
}

void FolderTest::TearDown() {
  fs::current_path(previous_);
  std::error_code ignored;
  for (auto& entry : fs::recursive_directory_iterator(folder_, ignored))
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(folder_, ignored);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const fs::path& path) { return fs::exists(fs::symlink_status(path)); }

std::vector<std::pair<std::string, std::string>> Snapshot(const fs::path& root) {
  std::vector<std::pair<std::string, std::string>> found;
  for (auto& entry : fs::recursive_directory_iterator(root)) {
    std::string name = fs::relative(entry.path(), root).generic_string();
    if (entry.is_directory())
      found.emplace_back(name + "/", "");
    else
      found.emplace_back(name, ReadFile(entry.path()));
  }
  std::sort(found.begin(), found.end());
  return found;
}

MessageLog::MessageLog(int answer) {
  plat::TestHooks().message_box = [this, answer](plat::Dialog*, std::string_view text,
                                                 std::string_view caption, unsigned flags) {
    messages_.push_back({std::string(text), std::string(caption), flags});
    return (flags & 0xF) == plat::kYesNo ? answer : plat::kIdOk;
  };
}

MessageLog::~MessageLog() { plat::TestHooks().message_box = nullptr; }

std::vector<std::string> MessageLog::texts() const {
  std::vector<std::string> out;
  for (auto& m : messages_) out.push_back(m.text);
  return out;
}

Record& Record::Set(std::size_t offset, std::size_t width, const std::string& text) {
  std::string value = text.substr(0, width);
  value.resize(width, ' ');
  if (bytes_.size() < offset + width) bytes_.resize(offset + width, ' ');
  bytes_.replace(offset, width, value);
  return *this;
}

std::string Field(const std::string& file, std::size_t length, std::size_t n, std::size_t offset,
                  std::size_t width) {
  std::size_t at = n * length + offset;
  if (at >= file.size()) return "";
  return file.substr(at, width);
}

std::string Journal(const std::string& body) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : body) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  char end[40];
  std::snprintf(end, sizeof end, "END %zu %08X\n", body.size(), static_cast<unsigned>(~crc));
  return body + end;
}

}  // namespace test
