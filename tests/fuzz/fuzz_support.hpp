// What every fuzz harness shares: a fresh data folder per input, the input
// cut into the files a reader needs, and the checks of the properties that
// every reader of untrusted bytes keeps whatever the bytes are. A property
// that does not hold aborts the process, which the fuzzer reports as a crash
// together with the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.hpp"

namespace fuzz {

namespace fs = std::filesystem;

// One input holds several files where a reader needs several: each part but
// the last is a length of 4 bytes (little-endian, cut to what remains) and
// that many bytes; the last part takes the rest. Parts the input does not
// reach are empty, so every input is a valid one.
std::vector<std::string> SplitInput(const std::uint8_t* data, std::size_t size, std::size_t parts);
// The input that SplitInput cuts into these parts (for the seeds).
std::string JoinParts(const std::vector<std::string>& parts);

// Reads the part of an input that steers a harness (which files exist, what
// is typed, which operations run) a byte at a time; 0 once it is used up.
class Script {
 public:
  explicit Script(std::string_view bytes) : bytes_(bytes) {}
  bool Done() const { return at_ >= bytes_.size(); }
  std::uint8_t Byte() { return Done() ? 0 : static_cast<std::uint8_t>(bytes_[at_++]); }
  std::int8_t Signed() { return static_cast<std::int8_t>(Byte()); }
  std::int32_t Int();
  // A length byte (below max_length) and that many bytes.
  std::string Text(std::size_t max_length = 16);

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

// Prints what broke and aborts.
[[noreturn]] void Fail(const std::string& what);
inline void Check(bool holds, const std::string& what) {
  if (!holds) Fail(what);
}

struct Message {
  std::string text;
  std::string caption;
  unsigned flags;
};

// A fresh folder for one input, on a memory file system where there is one:
// the data folder (the working folder while the workspace lives), the folder
// that stands for drive A: and the one that stands for the root of the
// drive. Message boxes are recorded and answered (Yes to a question), the
// clock is fixed, the free space of drive A: is what the harness sets, and
// the file operations are counted: more than the bound given for the input
// means a loop that the size of the files does not bound.
class Workspace {
 public:
  explicit Workspace(std::size_t input_size);
  // Checks that nothing was created beside the three folders and that no
  // stream is left open, then removes everything.
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // Names as the program spells them ("REG\F1200001.DAT", "A:\F10R2.BAK",
  // "\Vamk\Rud\F10R4.DAT"), relative to the data folder otherwise.
  void Write(const std::string& name, std::string_view bytes);
  std::string Read(const std::string& name) const;
  bool Has(const std::string& name) const;
  // -1 when missing.
  std::int64_t Size(const std::string& name) const;

  // Every file of the three folders is one of these names (in any letter
  // case, as the program finds them): no temporary file is left behind and
  // nothing else appeared.
  void ExpectOnly(std::initializer_list<std::string> names) const;

  void SetDisketteFreeSpace(std::uint64_t bytes) { diskette_free_ = bytes; }
  const std::vector<Message>& messages() const { return messages_; }
  // The messages shown so far, which are then forgotten.
  std::vector<Message> TakeMessages() { return std::exchange(messages_, {}); }
  std::uint64_t file_operations() const { return operations_; }

 private:
  fs::path Native(const std::string& name) const;

  fs::path run_;
  fs::path data_;
  fs::path diskette_;
  fs::path root_;
  fs::path previous_;
  std::vector<Message> messages_;
  std::uint64_t operations_ = 0;
  std::uint64_t operation_bound_;
  std::uint64_t diskette_free_ = 0;
};

// A file of fixed-length records written by the program: whole records only.
void ExpectWholeRecords(const Workspace& ws, const std::string& name, std::int64_t length);
// A record file updated in place: its size is the one it had, or it grew to
// a record boundary (a last record cut short completed, whole records added).
void ExpectUpdatedInPlace(const Workspace& ws, const std::string& name, std::int64_t size_before,
                          std::int64_t length);

// What the line read of limit width + 1 gives at a position of a file's
// bytes: up to width characters, ending after a line feed; nothing at or past
// the end.
std::optional<std::string> LineField(const std::string& file, std::size_t at, std::size_t width);

// The phones of one company or client record as the phone index moves them,
// worked out from the bytes: the lines of FTEL1.DAT (file number number) are
// appended to index, and the record comes back changed in place.
std::string MovePhones(std::string record, int number, std::string* index);

// Records of a file's bytes, the last one possibly cut short.
std::size_t RecordCount(std::size_t size, std::size_t length);

}  // namespace fuzz
