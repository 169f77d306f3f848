// Test support: a fresh data folder per test, files written and read as
// bytes, the message boxes that a command shows, and records built field by
// field from named offsets.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace test {

namespace fs = std::filesystem;

// Makes a new empty folder, works in it for the test, and removes it after.
class FolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  fs::path folder() const { return folder_; }

 private:
  fs::path folder_;
  fs::path previous_;
};

void WriteFile(const fs::path& path, const std::string& bytes);
std::string ReadFile(const fs::path& path);
bool FileExists(const fs::path& path);
// Every file below a folder with its bytes, folders as "name/" with no bytes.
// A journal of the given change lines as the program writes it: the lines, then
// "END", their length and their CRC-32 (zip) in eight hexadecimal digits.
std::string Journal(const std::string& body);
std::vector<std::pair<std::string, std::string>> Snapshot(const fs::path& root);

struct Message {
  std::string text;
  std::string caption;
  unsigned flags;
  bool operator==(const Message&) const = default;
};
// A failed expectation shows the message as the console would print it.
inline void PrintTo(const Message& m, std::ostream* out) {
  *out << "[" << m.caption << "] " << m.text << " (flags " << m.flags << ")";
}

// Records every message box while it lives, answering with answer.
class MessageLog {
 public:
  explicit MessageLog(int answer = plat::kIdOk);
  ~MessageLog();
  const std::vector<Message>& messages() const { return messages_; }
  std::vector<std::string> texts() const;

 private:
  std::vector<Message> messages_;
};

// A record of a fixed length, all spaces, filled by named fields.
class Record {
 public:
  explicit Record(std::size_t length) : bytes_(length, ' ') {}
  // Puts text at offset, padded with spaces to width (cut to it when longer).
  Record& Set(std::size_t offset, std::size_t width, const std::string& text);
  Record& Set(std::size_t offset, const std::string& text) { return Set(offset, text.size(), text); }
  std::string Get(std::size_t offset, std::size_t width) const { return bytes_.substr(offset, width); }
  const std::string& bytes() const { return bytes_; }
  operator const std::string&() const { return bytes_; }

 private:
  std::string bytes_;
};

// The field of record n of a file of records of the given length.
std::string Field(const std::string& file, std::size_t length, std::size_t n, std::size_t offset,
                  std::size_t width);

}  // namespace test
