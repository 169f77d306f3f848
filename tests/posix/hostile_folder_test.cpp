// Folders that customers send: links, hard links, special files and names
// that are paths. Whatever the folder holds, nothing outside it changes, the
// program ends, and an entry it would not touch is named with exit status 1.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

namespace fs = test::fs;
using test::RunShell;

// Each run may take no longer: a run that waits on a FIFO fails by it.
const std::string kTimeLimit = "timeout -s KILL 30 ";

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// What a folder holds: for each entry below it, its kind, mode and bytes.
std::map<std::string, std::string> State(const fs::path& root) {
  std::map<std::string, std::string> state;
  if (!fs::exists(fs::symlink_status(root))) return state;
  for (auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat st;
    ::lstat(entry.path().c_str(), &st);
    std::string what = std::to_string(st.st_mode) + ":";
    if (S_ISREG(st.st_mode)) what += test::ReadFile(entry.path());
    state[fs::relative(entry.path(), root).string()] = what;
  }
  return state;
}

// One entry: a file's mode and bytes, or a folder's state.
std::map<std::string, std::string> EntryState(const fs::path& path) {
  if (fs::is_directory(path)) return State(path);
  struct stat st;
  ::stat(path.c_str(), &st);
  return {{path.filename().string(), std::to_string(st.st_mode) + ":" + test::ReadFile(path)}};
}

class HostileFolderTest : public test::FolderTest {
 protected:
  void SetUp() override {
    test::FolderTest::SetUp();
    // Outside the data folder: a file, a read-only file and a folder that
    // links and hard links will point at.
    fs::create_directories("outside/folder");
    test::WriteFile("outside/victim.DAT", "outside bytes\r\n");
    test::WriteFile("outside/readonly.DAT", "read-only bytes\r\n");
    test::WriteFile("outside/folder/F1200166.DAT", "outside registration\r\n");
    ::chmod("outside/readonly.DAT", 0444);
    outside_ = State("outside");
  }

  // A fresh sample folder of the oldest release, with a member file and a
  // diskette folder.
  void MakeSample(const std::string& stage = "f10") {
    fs::remove_all("data");
    fs::remove_all("root");
    fs::remove_all("disk");
    fs::remove_all("tmp");
    fs::create_directories("disk");
    fs::create_directories("tmp");
    auto made = RunShell(std::string(LANVO_SAMPLE_EXE) + " --clients 20 --seed 5 --stage " + stage +
                         " --members root data");
    ASSERT_EQ(made.status, 0) << made.out;
  }

  test::ConsoleResult Run(const std::string& command) {
    return RunShell("TMPDIR=" + Quote((folder() / "tmp").string()) + " " + kTimeLimit + LANVO303_EXE +
                    " -C data --diskette disk --root root --yes " + command);
  }

  // The run refused the entry: it ended, with exit status 1, named the entry,
  // claimed nothing done, and left everything outside as it was.
  void ExpectRefused(const test::ConsoleResult& r, const std::string& entry, const std::string& context) {
    EXPECT_EQ(r.status, 1) << context << "\n" << r.out;
    EXPECT_NE(r.out.find(entry), std::string::npos) << context << ": not named\n" << r.out;
    EXPECT_EQ(r.out.find("A conversão foi realizada."), std::string::npos) << context;
    EXPECT_TRUE(State("outside") == outside_) << context << ": the outside changed";
  }

  std::map<std::string, std::string> outside_;
};

// Entries that the conversion writes, deletes, renames, merges, parks or
// appends to, as a file or as a folder.
struct Target {
  const char* entry;
  bool folder;
};
constexpr Target kConversionTargets[] = {
    {"F10.DAT", false},    {"F10.TMP", false},       {"F10R1.DAT", false},  {"F13.DAT", false},
    {"CONV.DAT", false},   {"F14.DAT", false},       {"F90.DAT", false},    {"CONFIGA.DAT", false},
    {"F34.DAT", false},    {"FTEL1.DAT", false},     {"Lanvo.hlp", false},  {"REG/F1200166.DAT", false},
    {"REG", true},         {"R03", true},            {"R60", true},         {"R02", true},
};

TEST_F(HostileFolderTest, ALinkAtAnyNameIsRefusedWhereverItPoints) {
  for (const Target& target : kConversionTargets) {
    for (bool inside : {false, true}) {
      MakeSample();
      fs::path at = fs::path("data") / target.entry;
      fs::remove_all(at);
      // Outside: a file or folder of the outside; inside: one of the data folder.
      fs::path to = inside ? (target.folder ? folder() / "data/R65" : folder() / "data/F11.DAT")
                           : (target.folder ? folder() / "outside/folder" : folder() / "outside/victim.DAT");
      fs::create_symlink(to, at);
      auto inside_before = EntryState(to);
      std::string context = std::string(target.entry) + (inside ? " -> inside" : " -> outside");
      ExpectRefused(Run("convert"), fs::path(target.entry).filename().string(), context);
      EXPECT_TRUE(fs::is_symlink(at)) << context << ": the link went";
      if (inside) {
        EXPECT_EQ(EntryState(to), inside_before) << context << ": the link's target changed";
      }
    }
  }
}

TEST_F(HostileFolderTest, ALinkedClientFileIsRefusedByEveryMaintenanceCommand) {
  for (const char* command : {"regroup 001 002", "delinquency", "import 001", "export 001"}) {
    MakeSample("r2");
    fs::remove("data/F10R2.DAT");
    fs::create_symlink(folder() / "outside/victim.DAT", "data/F10R2.DAT");
    ExpectRefused(Run(command), "F10R2.DAT", command);
  }
}

TEST_F(HostileFolderTest, AFileWithAnotherNameOutsideIsNeverUpdatedInPlace) {
  // The client file for the maintenance commands, a registration file and the
  // conversion log for the conversion.
  struct Case {
    const char* stage;
    const char* entry;
    const char* command;
  };
  for (const Case& c : {Case{"r2", "F10R2.DAT", "regroup 001 002"}, Case{"r2", "F10R2.DAT", "delinquency"},
                        Case{"r2", "F10R2.DAT", "import 001"}, Case{"f10", "REG/F1200166.DAT", "convert"},
                        Case{"f10", "CONV.DAT", "convert"}}) {
    for (const char* victim : {"victim.DAT", "readonly.DAT"}) {
      MakeSample(c.stage);
      fs::path at = fs::path("data") / c.entry;
      // The outside file takes the entry's bytes, so that the command has work to do.
      fs::path outside = folder() / "outside" / victim;
      ::chmod(outside.c_str(), 0644);
      if (fs::exists(at)) fs::copy_file(at, outside, fs::copy_options::overwrite_existing);
      if (std::string(victim) == "readonly.DAT") ::chmod(outside.c_str(), 0444);
      if (std::string(c.command) == "import 001") fs::copy_file("data/F10R2.DAT", "disk/F10R2.BAK");
      outside_ = State("outside");
      fs::remove(at);
      fs::create_hard_link(outside, at);
      std::string context = std::string(c.entry) + " linked to " + victim + ", " + c.command;
      auto r = Run(c.command);
      // A read-only file is not written whatever its names; a writable one of
      // two names is refused.
      if (std::string(victim) == "victim.DAT") {
        ExpectRefused(r, fs::path(c.entry).filename().string(), context);
      } else {
        EXPECT_NE(r.status, -1) << context;
        EXPECT_TRUE(State("outside") == outside_) << context << ": the outside changed";
      }
    }
  }
}

// Makes a FIFO, a socket or (as root) a character device at path.
bool MakeSpecial(const std::string& kind, const fs::path& path) {
  if (kind == "fifo") return ::mkfifo(path.c_str(), 0666) == 0;
  if (kind == "device") return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::string absolute = fs::absolute(path).string();
  if (absolute.size() >= sizeof address.sun_path) return false;
  absolute.copy(address.sun_path, absolute.size());
  bool made = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return made;
}

TEST_F(HostileFolderTest, ASpecialFileAtADataFileNameIsRefusedAndNeverWaitedOn) {
  struct Case {
    const char* stage;
    const char* entry;  // below the test folder
    const char* command;
  };
  const Case cases[] = {
      {"f10", "data/F10.DAT", "convert"},       {"r1", "data/F10R1.DAT", "convert"},
      {"r2", "data/F10R2.DAT", "convert"},      {"f10", "data/F11.DAT", "convert"},
      {"f10", "data/CONV.DAT", "convert"},      {"f10", "data/F90.DAT", "convert"},
      {"f10", "data/F14.DAT", "convert"},       {"f10", "data/F24.DAT", "convert"},
      {"f10", "data/CONFIGA.DAT", "convert"},   {"f10", "data/LANVO.JNL", "convert"},
      {"r2", "data/F10R2.DAT", "regroup 001 002"}, {"r2", "disk/F10R2.BAK", "import 001"},
      {"r2", "disk/F10R2.BAK", "export 001"},   {"r2", "root/Vamk/Rud/F10R4.DAT", "delinquency"},
  };
  bool root = ::geteuid() == 0;
  for (const Case& c : cases) {
    for (const std::string kind : {"fifo", "socket", "device"}) {
      if (kind == "device" && !root) continue;
      MakeSample(c.stage);
      fs::remove(c.entry);
      ASSERT_TRUE(MakeSpecial(kind, c.entry)) << kind << " " << c.entry;
      std::string context = kind + " at " + c.entry + ", " + c.command;
      ExpectRefused(Run(c.command), fs::path(c.entry).filename().string(), context);
      EXPECT_EQ(fs::symlink_status(c.entry).type() == fs::file_type::regular, false) << context;
    }
  }
}

TEST_F(HostileFolderTest, NamesFoundOnTheDiskAreNeverTakenForPaths) {
  MakeSample();
  // Left by an archive made on Windows: names that hold a backslash.
  test::WriteFile("data/R03/..\\F10.DAT", "in R03\r\n");
  test::WriteFile("data/R03/..\\..\\outside\\victim.DAT", "in R03 too\r\n");
  test::WriteFile("data/R04/..\\F11.DAT", "in R04\r\n");
  test::WriteFile("data/..\\report.~new", "leftover?\r\n");
  test::WriteFile("report.~new", "beside the data folder\r\n");
  std::string f11 = test::ReadFile("data/F11.DAT");
  auto r = Run("convert");
  ExpectRefused(r, "..\\F10.DAT", "backslash names");
  EXPECT_EQ(test::ReadFile("data/R03/..\\F10.DAT"), "in R03\r\n");
  EXPECT_EQ(test::ReadFile("data/R03/..\\..\\outside\\victim.DAT"), "in R03 too\r\n");
  EXPECT_EQ(test::ReadFile("data/R04/..\\F11.DAT"), "in R04\r\n");
  EXPECT_EQ(test::ReadFile("report.~new"), "beside the data folder\r\n");
  EXPECT_TRUE(test::FileExists("data/..\\report.~new"));
  // The client file was converted as ever, not replaced by a file of R03.
  EXPECT_TRUE(test::FileExists("data/F10R2.DAT"));
  EXPECT_FALSE(test::FileExists("data/F10R2.DAT.001"));
}

TEST_F(HostileFolderTest, TwoNamesThatDifferOnlyInLetterCaseAreAClash) {
  MakeSample();
  test::WriteFile("data/f10.dat", "another client file\r\n");
  std::string upper = test::ReadFile("data/F10.DAT");
  // Nothing decides which one is meant: neither is converted, however often.
  for (int run = 0; run < 3; ++run) {
    auto r = Run("convert");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("F10.DAT e f10.dat"), std::string::npos) << r.out;
  }
  EXPECT_EQ(test::ReadFile("data/F10.DAT"), upper);
  EXPECT_EQ(test::ReadFile("data/f10.dat"), "another client file\r\n");
  EXPECT_FALSE(test::FileExists("data/F10R1.DAT"));
  // One removed, the other converts.
  fs::remove("data/f10.dat");
  EXPECT_EQ(Run("convert").status, 0);
  EXPECT_EQ(test::ReadFile("data/F10.TMP"), upper);
}

TEST_F(HostileFolderTest, AFileWhereAFolderIsWantedIsNotTakenForAnEmptyFolder) {
  MakeSample();
  fs::remove_all("data/REG");
  test::WriteFile("data/REG", "not a folder\r\n");
  auto r = Run("convert");
  ExpectRefused(r, "REG", "REG as a file");
  EXPECT_EQ(test::ReadFile("data/REG"), "not a folder\r\n");
  // The registration fix was not logged as done.
  EXPECT_EQ(test::ReadFile("data/CONV.DAT").find("219"), std::string::npos);
}

TEST_F(HostileFolderTest, FoldersTheUserNamesAreTakenAsGiven) {
  // A folder literally named "cust\x" beside the folder cust/x.
  fs::create_directories("cust/x");
  fs::create_directories("cust\\x");
  test::WriteFile("cust/x/F10.DAT", "other customer\r\n");
  auto r = RunShell(std::string(LANVO303_EXE) + " -C 'cust\\x' convert");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(test::FileExists("cust\\x/CONV.DAT"));
  EXPECT_FALSE(test::FileExists("cust/x/CONV.DAT"));
  EXPECT_TRUE(test::FileExists("cust/x/F10.DAT"));
  EXPECT_EQ(test::ReadFile("cust/x/F10.DAT"), "other customer\r\n");

  // A diskette folder and a temporary folder whose names hold a backslash.
  MakeSample("r2");
  fs::create_directories("disk\\a");
  fs::create_directories("tmp\\t");
  r = RunShell(std::string(LANVO303_EXE) + " -C data --diskette 'disk\\a' export 001");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(test::FileExists("disk\\a/F10R2.BAK"));
  EXPECT_FALSE(fs::exists("disk/a"));
  MakeSample();
  r = RunShell("TMPDIR=" + Quote((folder() / "tmp\\t").string()) + " " + LANVO303_EXE + " -C data convert");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(fs::is_directory("tmp\\t/Vamk/Lanvo/R02"));
  EXPECT_FALSE(fs::exists("tmp/t"));
}

}  // namespace

namespace {

// As a user the system holds to its permissions (root reads everything): the
// test's folder is given to nobody, and the program runs as nobody.
class UnreadableTest : public HostileFolderTest {
 protected:
  test::ConsoleResult RunAsUser(const std::string& command) {
    std::string prefix = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    return RunShell(prefix + kTimeLimit + LANVO303_EXE + " -C data " + command);
  }
  void GiveAway() {
    if (::geteuid() == 0) RunShell("chown -R 65534:65534 " + Quote(folder().string()));
  }
};

TEST_F(UnreadableTest, AFolderOrFileThatCannotBeReadIsNeverTakenForDone) {
  for (const char* entry : {"REG", "F00R0.DAT"}) {
    // A file of one's own can be made readable again: only another's cannot.
    if (std::string(entry) == "F00R0.DAT" && ::geteuid() != 0) continue;
    MakeSample();
    GiveAway();
    if (std::string(entry) == "F00R0.DAT") RunShell("chown 0:0 data/F00R0.DAT");
    ::chmod(("data/" + std::string(entry)).c_str(), 0);
    auto r = RunAsUser("convert");
    EXPECT_EQ(r.status, 1) << entry << "\n" << r.out;
    EXPECT_EQ(r.out.find("A conversão foi realizada."), std::string::npos) << entry << "\n" << r.out;
    if (std::string(entry) == "REG") {
      EXPECT_EQ(test::ReadFile("data/CONV.DAT").find("219"), std::string::npos);  // not logged as fixed
    } else {
      EXPECT_FALSE(test::FileExists("data/FTEL1.DAT"));
    }
    // Readable again: a later run does the work.
    ::chmod(("data/" + std::string(entry)).c_str(), std::string(entry) == "REG" ? 0755 : 0644);
    GiveAway();
    r = RunAsUser("convert");
    EXPECT_EQ(r.status, 0) << entry << "\n" << r.out;
    EXPECT_NE(test::ReadFile("data/CONV.DAT").find("219"), std::string::npos) << entry;
    EXPECT_TRUE(test::FileExists("data/FTEL1.DAT")) << entry;
  }
}

}  // namespace
