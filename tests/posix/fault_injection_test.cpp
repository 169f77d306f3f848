// Every file operation of a whole conversion, one at a time: the process ends
// there without flushing anything of its own (a crash, a killed process), or
// the operation fails (a full disk, a share that drops). After a crash the
// next run must end with the folder, byte for byte, of one uninterrupted run;
// after a failure no source may be gone whose data is not safe elsewhere, and
// the next run must converge in the same way. Every point, not a sample.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "convert/run.hpp"
#include "recfile/journal.hpp"
#include "tests/expected_conversion.hpp"
#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

namespace fs = test::fs;
using test::FolderImage;

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

// Where each source's data must be once the source is gone: in these files,
// as the uninterrupted run leaves them. The files of the clean-up list go
// without a successor: release 3.03 no longer uses them.
const std::map<std::string, std::vector<std::string>> kSuccessors = {
    {"F10.DAT", {"F10.TMP"}},     {"F10R1.DAT", {"F10R1.TMP"}}, {"F14.DAT", {"F14.TMP", "F14R0.DAT"}},
    {"F24.DAT", {"F24R0.DAT"}},   {"CONFIGA.DAT", {"F34.DAT"}}, {"F90.DAT", {"F40.DAT"}},
    {"F09.DAT", {"F90.DAT"}},
};

class FaultInjection : public test::FolderTest {
 protected:
  void SetUp() override {
    test::FolderTest::SetUp();
    base_ = folder();
  }
  void TearDown() override {
    unsetenv("TMPDIR");
    RunShell("chmod -R u+w " + Quote(base_));
    test::FolderTest::TearDown();
  }
  static test::ConsoleResult RunShell(const std::string& command) { return test::RunShell(command); }

  // Makes the sample folder and converts a copy once without faults. With
  // read_only_company, the company file is read-only, as a file copied from a
  // CD is: the phone step makes it writable before it opens it for update, so
  // that a run changes a file's attributes as well.
  void Prepare(const std::string& options, bool read_only_company = false) {
    original_ = base_ / "original";
    ASSERT_EQ(RunShell(std::string(LANVO_SAMPLE_EXE) + " " + options + " " + Quote(original_)).status, 0);
    if (read_only_company) {
      ASSERT_EQ(RunShell("chmod a-w " + Quote(original_ / "F00R0.DAT")).status, 0);
    }
    original_image_ = test::ReadFolderImage(original_);
    plat::InjectFault(plat::FaultKind::kNone, 0);
    operations_ = RunAt(base_ / "clean", base_ / "clean-tmp", plat::FaultKind::kNone, 0);
    clean_ = test::ReadFolderImage(base_ / "clean");
    clean_temp_ = test::ReadFolderImage(base_ / "clean-tmp");
    ASSERT_GT(operations_, 100u);
  }

  // Copies the original folder to data and converts it in a child process
  // with the fault at operation n; returns the child's count of operations
  // (a run without fault) or 0.
  std::uint64_t RunAt(const fs::path& data, const fs::path& temp, plat::FaultKind kind, std::uint64_t n) {
    RunShell("chmod -R u+w " + Quote(data) + " " + Quote(temp) + " 2>/dev/null; rm -rf " + Quote(data) + " " +
             Quote(temp));
    fs::copy(original_, data, fs::copy_options::recursive);
    fs::create_directories(temp);
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return 0;
    pid_t child = fork();
    if (child == 0) {
      close(pipe_ends[0]);
      setenv("TMPDIR", temp.c_str(), 1);
      fs::current_path(data);
      test::MessageLog quiet;
      plat::InjectFault(kind, n);
      RunConversion(nullptr);
      plat::FileOp op;
      std::uint64_t report[2] = {plat::FileOperationCount(),
                                 plat::InjectedFailure(&op) ? static_cast<std::uint64_t>(op) : kNoKind};
      ssize_t put = write(pipe_ends[1], report, sizeof report);
      std::_Exit(put == sizeof report ? 0 : 1);
    }
    close(pipe_ends[1]);
    std::uint64_t report[2] = {0, kNoKind};
    if (read(pipe_ends[0], report, sizeof report) != sizeof report) report[0] = 0;
    close(pipe_ends[0]);
    std::uint64_t count = report[0];
    last_failed_kind_ = report[1];
    int status = 0;
    waitpid(child, &status, 0);
    last_crashed_ = WIFEXITED(status) && WEXITSTATUS(status) == 86;
    return count;
  }

  // Runs the conversion once more, without faults, in this process.
  void RunAgain(const fs::path& data, const fs::path& temp) {
    setenv("TMPDIR", temp.c_str(), 1);
    fs::path here = fs::current_path();
    fs::current_path(data);
    RunConversion(nullptr);
    fs::current_path(here);
    unsetenv("TMPDIR");
  }

  std::vector<std::string> Converged(const fs::path& data, const fs::path& temp) {
    std::vector<std::string> problems = test::CompareFolders("data folder", test::ReadFolderImage(data), clean_);
    std::vector<std::string> more = test::CompareFolders("temporary folder", test::ReadFolderImage(temp), clean_temp_);
    problems.insert(problems.end(), more.begin(), more.end());
    return problems;
  }

  // After a failed run: every source of the original folder that is gone is
  // one the uninterrupted run removes too, and its data is where that run
  // puts it.
  std::vector<std::string> NothingLost(const FolderImage& now) {
    std::vector<std::string> problems;
    for (const auto& [name, bytes] : original_image_.files) {
      if (now.files.count(name) || name.find('/') != std::string::npos) continue;
      if (clean_.files.count(name)) {
        problems.push_back(name + " is gone, but the conversion keeps it");
        continue;
      }
      auto successors = kSuccessors.find(name);
      if (successors == kSuccessors.end()) continue;
      for (const std::string& successor : successors->second) {
        auto have = now.files.find(successor);
        auto want = clean_.files.find(successor);
        if (want != clean_.files.end() && (have == now.files.end() || have->second != want->second))
          problems.push_back(name + " is gone, but " + successor + " is not complete");
      }
    }
    return problems;
  }

  static std::string Lines(const std::vector<std::string>& problems) {
    std::string out;
    for (std::size_t i = 0; i < problems.size() && i < 12; ++i) out += "  " + problems[i] + "\n";
    return out;
  }

  // Crash at every operation, then a run without faults.
  void CrashEverywhere() {
    fs::path data = base_ / "work", temp = base_ / "work-tmp";
    std::uint64_t crashed = 0;
    for (std::uint64_t n = 1; n <= operations_; ++n) {
      RunAt(data, temp, plat::FaultKind::kCrash, n);
      crashed += last_crashed_;
      RunAgain(data, temp);
      std::vector<std::string> problems = Converged(data, temp);
      ASSERT_TRUE(problems.empty()) << "crash at operation " << n << ":\n" << Lines(problems);
    }
    EXPECT_EQ(crashed, operations_);
    std::cout << "[ points   ] " << crashed << " crash points, all converged\n";
  }

  // A failure at every operation: nothing lost, then a run without faults.
  // Prints how many operations of each kind were failed; every failure point
  // must have failed an operation, and with every_kind every kind of
  // operation must have been failed somewhere.
  void FailEverywhere(bool every_kind = false) {
    fs::path data = base_ / "work", temp = base_ / "work-tmp";
    std::map<std::uint64_t, std::uint64_t> failed;  // by kind
    for (std::uint64_t n = 1; n <= operations_; ++n) {
      RunAt(data, temp, plat::FaultKind::kFail, n);
      ASSERT_NE(last_failed_kind_, kNoKind) << "failure at operation " << n << " failed nothing";
      ++failed[last_failed_kind_];
      std::vector<std::string> problems = NothingLost(test::ReadFolderImage(data));
      ASSERT_TRUE(problems.empty()) << "failure at operation " << n << ":\n" << Lines(problems);
      RunAgain(data, temp);
      problems = Converged(data, temp);
      ASSERT_TRUE(problems.empty()) << "failure at operation " << n << ", then a run:\n" << Lines(problems);
    }
    std::cout << "[ points   ] " << operations_ << " failure points, nothing lost, all converged\n";
    std::cout << "[ kinds    ]";
    for (const auto& [kind, count] : failed)
      std::cout << " " << plat::FileOpName(static_cast<plat::FileOp>(kind)) << " " << count;
    std::cout << "\n";
    // The services that only look fail too, not only those that change files.
    for (plat::FileOp kind : {plat::FileOp::kOpen, plat::FileOp::kRead, plat::FileOp::kWrite, plat::FileOp::kSync,
                              plat::FileOp::kClose, plat::FileOp::kRename, plat::FileOp::kLookup, plat::FileOp::kList})
      EXPECT_GT(failed[static_cast<std::uint64_t>(kind)], 0u) << plat::FileOpName(kind);
    for (int kind = 0; every_kind && kind < plat::kFileOpKinds; ++kind)
      EXPECT_GT(failed[static_cast<std::uint64_t>(kind)], 0u) << plat::FileOpName(static_cast<plat::FileOp>(kind));
  }

  fs::path base_, original_;
  FolderImage original_image_, clean_, clean_temp_;
  std::uint64_t operations_ = 0;
  bool last_crashed_ = false;
  static constexpr std::uint64_t kNoKind = ~std::uint64_t{0};
  std::uint64_t last_failed_kind_ = kNoKind;
  test::MessageLog messages_;
};

TEST_F(FaultInjection, CrashAnywhereInAConversionOfTheOldestRelease) {
  Prepare("--clients 8 --seed 41 --stage f10 --code-table both", true);
  CrashEverywhere();
}

TEST_F(FaultInjection, FailureAnywhereInAConversionOfTheOldestRelease) {
  Prepare("--clients 8 --seed 41 --stage f10 --code-table both", true);
  FailEverywhere(true);
}

TEST_F(FaultInjection, CrashAnywhereInAConversionBeforeTheSplit) {
  Prepare("--clients 6 --seed 42 --stage r2 --code-table f24");
  CrashEverywhere();
}

TEST_F(FaultInjection, FailureAnywhereInAConversionBeforeTheSplit) {
  Prepare("--clients 6 --seed 42 --stage r2 --code-table f24");
  FailEverywhere();
}

}  // namespace
