// Another program at work on the client file while a maintenance command
// runs (Lanvo on another machine, a second copy of this program): at the
// n-th file operation of the command (of the kinds chosen), it does its work
// on F10R2.DAT straight through the system, once, and keeps the bytes that it
// left there.
//
// The command looks at the file just before each of its writes (its size,
// and first the field itself where the change depends on it); what another
// program does between that look and the write no program can see. So work
// that changes the file's size is not done at a write, and work on the very
// field that the command changes only at a read.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>

#include "platform/platform.hpp"
#include "tests/support.hpp"

namespace test {

class OtherProgram {
 public:
  enum Moments { kEveryOperation, kNoWrite, kReads };

  OtherProgram(int n, Moments moments, std::function<void()> work) {
    plat::TestHooks().before_file_op = [this, n, moments, work = std::move(work)](plat::FileOp op) {
      if ((moments == kNoWrite && op == plat::FileOp::kWrite) || (moments == kReads && op != plat::FileOp::kRead))
        return true;
      if (++operations_ == n) {
        work();
        left_ = ReadFile("F10R2.DAT");
        done_ = true;
      }
      return true;
    };
  }
  ~OtherProgram() { plat::TestHooks().before_file_op = nullptr; }
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;

  // False when the command had fewer operations than n.
  bool done() const { return done_; }
  // The client file as the other program left it.
  const std::string& left() const { return left_; }

  // The works: bytes changed in place, a record appended, the file cut short.
  static void Edit(std::size_t at, const std::string& bytes) {
    std::fstream file("F10R2.DAT", std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(at));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static void Append(const std::string& bytes) {
    std::ofstream file("F10R2.DAT", std::ios::app | std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static void CutTo(std::size_t size) { fs::resize_file("F10R2.DAT", size); }

 private:
  int operations_ = 0;
  bool done_ = false;
  std::string left_;
};

}  // namespace test
