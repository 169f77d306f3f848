// One command at a time per data folder: a second copy of the program changes
// nothing and says the system is busy; a killed holder blocks nobody.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

namespace fs = test::fs;
using test::RunShell;

constexpr char kBusy[] = "[FileBusy] Sistema ocupado, tente novamente.\n";

std::string Quote(const std::string& s) { return "'" + s + "'"; }

class FolderLockTest : public test::FolderTest {
 protected:
  void MakeSample(const fs::path& data, int clients) {
    auto made = RunShell(std::string(LANVO_SAMPLE_EXE) + " --clients " + std::to_string(clients) +
                         " --seed 21 --stage f10 " + Quote(data.string()));
    ASSERT_EQ(made.status, 0) << made.out;
  }
  std::string Convert(const fs::path& data) {
    return "TMPDIR=" + Quote((folder() / "tmp").string()) + " " + LANVO303_EXE + " -C " + Quote(data.string()) +
           " convert";
  }
};

TEST_F(FolderLockTest, EveryCommandWaitsForNoOneAndChangesNothingWhileTheFolderIsHeld) {
  fs::create_directories("tmp");
  MakeSample("data", 50);
  // Another copy of the program holds the folder.
  int holder = ::open("data/LANVO.LCK", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &lock), 0);
  auto before = test::Snapshot("data");
  for (const char* command : {"convert", "regroup 001 002", "delinquency", "import 001"}) {
    auto r = RunShell("timeout -s KILL 30 " + std::string(LANVO303_EXE) + " -C data --yes " + command);
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(r.out.rfind(kBusy, 0), 0u) << command << ": " << r.out;
    EXPECT_EQ(test::Snapshot("data"), before) << command;
  }
  // Gone with its holder: the next run converts, and leaves no lock file.
  ::close(holder);
  auto r = RunShell(Convert("data"));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(test::FileExists("data/LANVO.LCK"));
  EXPECT_TRUE(test::FileExists("data/F10R2.DAT"));
}

TEST_F(FolderLockTest, TwoConversionsStartedTogetherEndAsOne) {
  fs::create_directories("tmp");
  MakeSample("reference", 3000);
  fs::copy("reference", "original", fs::copy_options::recursive);
  ASSERT_EQ(RunShell(Convert("reference")).status, 0);
  auto expected = test::Snapshot("reference");
  int busy = 0;
  for (int trial = 0; trial < 8; ++trial) {
    fs::remove_all("data");
    fs::remove_all("tmp");
    fs::create_directories("tmp");
    fs::copy("original", "data", fs::copy_options::recursive);
    auto r = RunShell("(" + Convert("data") + " & " + Convert("data") + " & wait) 2>&1");
    if (r.out.find(kBusy) != std::string::npos) ++busy;
    EXPECT_NE(r.out.find("[Lanvo] A conversão foi realizada."), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("não foi concluída"), std::string::npos) << r.out;
    EXPECT_TRUE(test::Snapshot("data") == expected) << "trial " << trial << " differs from one run";
  }
  // The runs did meet: else the test proved nothing.
  EXPECT_GT(busy, 0);
}

}  // namespace
