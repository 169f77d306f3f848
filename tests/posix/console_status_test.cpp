// lanvo303 status: what it tells of a folder is what the conversion then
// does there, file by file, and the folder is the same afterwards to the
// byte, the mode and the time.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

using nlohmann::json;
namespace fs = test::fs;

// Everything stat tells of each entry below root, the times included.
struct Seen {
  unsigned mode;
  std::int64_t size;
  ino_t inode;
  std::int64_t access_ns, change_ns, status_ns;
  bool operator==(const Seen&) const = default;
};
std::int64_t Ns(const timespec& t) { return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; }

// Every entry below a folder, read without moving the folders' access times
// (a plain listing would).
void StatBelow(int dir_fd, const std::string& base, std::map<std::string, Seen>* seen) {
  int list_fd = ::openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_NOATIME);
  DIR* dir = ::fdopendir(list_fd);
  ASSERT_NE(dir, nullptr);
  std::vector<std::string> names;
  while (struct dirent* d = ::readdir(dir))
    if (std::string(d->d_name) != "." && std::string(d->d_name) != "..") names.emplace_back(d->d_name);
  ::closedir(dir);
  for (const std::string& name : names) {
    struct stat st;
    ::fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    (*seen)[base + name] = {st.st_mode, st.st_size, st.st_ino, Ns(st.st_atim), Ns(st.st_mtim), Ns(st.st_ctim)};
    if (!S_ISDIR(st.st_mode)) continue;
    int sub = ::openat(dir_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NOATIME);
    StatBelow(sub, base + name + "/", seen);
    ::close(sub);
  }
}

std::map<std::string, Seen> StatTree(const fs::path& root) {
  std::map<std::string, Seen> seen;
  struct stat st;
  ::lstat(root.c_str(), &st);
  seen["."] = {st.st_mode, st.st_size, st.st_ino, Ns(st.st_atim), Ns(st.st_mtim), Ns(st.st_ctim)};
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOATIME);
  StatBelow(fd, "", &seen);
  ::close(fd);
  return seen;
}

// Access times set long before the changes, so that any read by status
// would move them (the system updates an access time older than the change).
void AgeAccessTimes(const fs::path& root) {
  std::vector<fs::path> all = {root};
  for (const auto& entry : fs::recursive_directory_iterator(root)) all.push_back(entry.path());
  for (const fs::path& p : all) {
    struct timespec times[2] = {{946684800, 0}, {0, UTIME_OMIT}};
    ::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW);
  }
}

// The net effect of a run on names: what a file or folder name holds.
struct Held {
  ino_t inode;
  std::int64_t change_ns;
  std::string bytes;
  bool operator==(const Held&) const = default;
};
std::map<std::string, Held> Contents(const fs::path& root) {
  std::map<std::string, Held> held;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat st;
    ::lstat(entry.path().c_str(), &st);
    std::string name = fs::relative(entry.path(), root).string();
    if (S_ISDIR(st.st_mode)) held[name + "/"] = {};
    else held[name] = {st.st_ino, Ns(st.st_mtim), S_ISREG(st.st_mode) ? test::ReadFile(entry.path()) : ""};
  }
  return held;
}

std::set<std::string> Names(const json& list) { return list.get<std::set<std::string>>(); }

struct Case {
  const char* name;
  const char* stage;
  std::function<void()> spoil;  // makes the folder "data" what the case is about
  const char* blocker;          // the kind status must name; null for a folder that converts
  int convert_status;           // of the conversion itself
};

class ConsoleStatusTest : public test::FolderTest {
 protected:
  void MakeSample(const char* stage) {
    auto r = test::RunShell(std::string(LANVO_SAMPLE_EXE) + " --clients 20 --seed 7 --stage " + stage + " data");
    ASSERT_EQ(r.status, 0) << r.out;
    fs::create_directory("tmp");
  }
};

TEST_F(ConsoleStatusTest, PredictsTheRunFileByFileAndChangesNothing) {
  const Case cases[] = {
      {"sample", "f10", [] {}, nullptr, 0},
      {"damaged journal", "r1", [] { test::WriteFile("data/LANVO.JNL", "not a journal of this program\n"); },
       "journal-damaged", 1},
      {"link", "r1",
       [] {
         test::WriteFile("outside.dat", "elsewhere");
         fs::remove("data/F14.DAT");
         fs::create_symlink("../outside.dat", "data/F14.DAT");
       },
       "link", 1},
      {"letter case clash", "f10", [] { test::WriteFile("data/f10.dat", test::ReadFile("data/F10.DAT")); },
       "case-clash", 1},
      // Converted with a warning: the split is left undone.
      {"read-only client file", "r2", [] { ::chmod("data/F10R2.DAT", 0444); }, "read-only", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all("data");
    fs::remove_all("tmp");
    MakeSample(c.stage);
    c.spoil();
    const auto held_before = Contents("data");
    AgeAccessTimes("data");
    const auto seen_before = StatTree("data");

    auto r = test::RunShell("TMPDIR=$PWD/tmp " LANVO303_EXE " status --json data");
    EXPECT_EQ(StatTree("data"), seen_before);  // not a byte, a mode or a time, and no lock file
    EXPECT_EQ(Contents("data"), held_before);
    EXPECT_TRUE(fs::is_empty("tmp"));  // the scratch copy is gone
    json report = json::parse(r.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << r.out;
    const json& folder = report["folders"][0];
    EXPECT_EQ(r.status, c.blocker ? 1 : 0);
    EXPECT_EQ(folder["result"], c.blocker ? "blocked" : "converts");
    if (c.blocker) {
      std::set<std::string> kinds;
      for (const json& b : folder["blockers"]) kinds.insert(b["kind"].get<std::string>());
      EXPECT_TRUE(kinds.count(c.blocker)) << folder["blockers"].dump();
    }

    // The conversion itself, and what it changed.
    r = test::RunShell("TMPDIR=$PWD/tmp " LANVO303_EXE " -C data convert");
    EXPECT_EQ(r.status, c.convert_status) << r.out;
    const auto held_after = Contents("data");
    std::set<std::string> created, deleted, changed, parked;
    for (const auto& [name, held] : held_after)
      if (!held_before.count(name)) created.insert(name);
    for (const auto& [name, held] : held_before) {
      auto after = held_after.find(name);
      if (after == held_after.end()) deleted.insert(name);
      else if (!(after->second == held)) changed.insert(name);
    }
    for (const auto& entry : fs::recursive_directory_iterator("tmp"))
      if (!entry.is_directory()) parked.insert(fs::relative(entry.path(), "tmp").string());
    const json& changes = folder["changes"];
    EXPECT_EQ(Names(changes["created"]), created);
    EXPECT_EQ(Names(changes["deleted"]), deleted);
    EXPECT_EQ(Names(changes["changed"]), changed);
    EXPECT_EQ(Names(changes["parked"]), parked);
    if (!c.blocker) {
      EXPECT_FALSE(created.empty());
    }
  }
}

TEST_F(ConsoleStatusTest, StepsOfASampleFolderAndOfAConvertedOne) {
  MakeSample("f10");
  auto r = test::RunShell("TMPDIR=$PWD/tmp " LANVO303_EXE " status --json data");
  json folder = json::parse(r.out)["folders"][0];
  EXPECT_EQ(folder["release"], "f10");
  ASSERT_EQ(folder["steps"].size(), 8u);  // no journal: no completion step
  const json& first = folder["steps"][0];
  EXPECT_EQ(first["step"], "clients-r1");
  EXPECT_EQ(first["state"], "will-run");
  EXPECT_EQ(first["reads"][0]["name"], "F10.DAT");
  EXPECT_EQ(first["reads"][0]["records"], 20);
  EXPECT_EQ(first["writes"][0]["name"], "F10R1.DAT");
  EXPECT_EQ(first["writes"][0]["records"], 20);
  EXPECT_EQ(first["renames"][0]["to"], "F10.TMP");
  const json& clean_up = folder["steps"][7];
  ASSERT_EQ(clean_up["parks"].size(), 1u);
  EXPECT_EQ(clean_up["parks"][0]["from"], "R02");
  EXPECT_EQ(clean_up["parks"][0]["to"], "Vamk/Lanvo/R02");
  EXPECT_GT(folder["space"]["needed"].get<std::int64_t>(), folder["size_after"].get<std::int64_t>() -
                                                                folder["size_before"].get<std::int64_t>());

  // The text report of the same, for people.
  r = test::RunShell("TMPDIR=$PWD/tmp " LANVO303_EXE " status data");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("converts cleanly"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("parks     R02/ -> $TMPDIR/Vamk/Lanvo/R02/"), std::string::npos) << r.out;

  ASSERT_EQ(test::RunShell("TMPDIR=$PWD/tmp " LANVO303_EXE " -C data convert").status, 0);
  r = test::RunShell("TMPDIR=$PWD/tmp " LANVO303_EXE " status --json data");
  EXPECT_EQ(r.status, 0);
  folder = json::parse(r.out)["folders"][0];
  EXPECT_EQ(folder["release"], "3.03");
  EXPECT_EQ(folder["result"], "converted");
  for (const json& step : folder["steps"]) EXPECT_EQ(step["state"], "done") << step["step"];
}

TEST_F(ConsoleStatusTest, AHeldLockIsTestedNeverTaken) {
  MakeSample("r2");
  int fd = ::open("data/LANVO.LCK", O_RDWR | O_CREAT, 0666);
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
  auto r = test::RunShell("TMPDIR=$PWD/tmp " LANVO303_EXE " status data");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("LANVO.LCK: another program holds the lock"), std::string::npos) << r.out;
  ::close(fd);
}

}  // namespace
