// How status finds what a conversion would do: it copies the folder into a
// scratch folder under $TMPDIR (links and special files copied as such, never
// followed), runs the convert command there as a child process with its own
// temporary folder, and compares the listings that the child took as each
// step began. What the copy's run read, wrote, replaced, renamed, deleted and
// parked is what the run in the folder itself will do, as the same code meets
// the same files; the scratch folder is removed at the end.
#include "app/console_status.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "app/console_child.hpp"
#include "app/console_json.hpp"
#include "app/console_trace.hpp"
#include "app/console_tree.hpp"
#include "platform/platform.hpp"

namespace console {
namespace {

constexpr char kJournal[] = "LANVO.JNL";
constexpr char kLockFile[] = "LANVO.LCK";

// ---------------------------------------------------------------------------
// What is reported

struct FileNote {
  std::string name;
  std::int64_t size = 0;
  std::int64_t size_before = -1;  // replaced files only
};

struct Move {
  std::string from, to;  // a park's "to" is relative to the temporary folder
  std::int64_t size = 0;
  int files = 1;
  bool folder = false;
};

struct StepReport {
  StepInfo info = kJournalStep;
  std::string state = "done";  // done, will-run, blocked
  std::string why;
  std::vector<FileNote> reads, writes, replaces, deletes;
  std::vector<Move> renames, parks;
  bool Changes() const {
    return !writes.empty() || !replaces.empty() || !deletes.empty() || !renames.empty() || !parks.empty();
  }
};

struct Finding {
  std::string kind, name, text;
};

struct FolderReport {
  std::string folder;
  std::string release = "none";
  std::string result = "blocked";  // converts, converted (at 3.03), blocked
  std::vector<StepReport> steps;
  std::vector<Finding> blockers, notes;
  std::vector<TracedMessage> messages;
  std::optional<std::uint64_t> needed, free;
  std::int64_t size_before = 0, size_after = 0;
  std::vector<std::string> created, deleted, changed, parked;
  bool reads_complete = true;
  int ExitStatus() const { return result == "blocked" ? 1 : 0; }
};

// ---------------------------------------------------------------------------
// Names

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string BaseName(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

// A file of the top of the folder in any letter case, as the program finds it.
bool HasFile(const Listing& listing, const char* name) {
  for (const auto& [path, e] : listing)
    if (path.find('/') == std::string::npos && e.kind != Kind::kFolder && Upper(path) == name) return true;
  return false;
}

// The record length of a file that the run reads or writes, 0 when it is not a record file.
int RecordLength(const std::string& path) {
  static const std::map<std::string, int> kLengths = {
      {"F10.DAT", 778},   {"F10.TMP", 778},    {"F10R1.DAT", 1370}, {"F10R1.TMP", 1370}, {"F10R2.DAT", 1000},
      {"F13.DAT", 66},    {"F24.DAT", 60},     {"F24R0.DAT", 60},   {"F14.DAT", 335},    {"F14.TMP", 335},
      {"F14R0.DAT", 311}, {"F11.DAT", 997},    {"F09R0.DAT", 815},  {"F04R0.DAT", 950},  {"F34.DAT", 30},
      {"F40.DAT", 500},   {"F00R0.DAT", 1000}, {"FTEL1.DAT", 40},
  };
  std::string name = Upper(BaseName(path));
  std::string folder = Upper(FolderOf(path));
  if (folder.empty()) {
    auto it = kLengths.find(name);
    if (it != kLengths.end()) return it->second;
    if (name.rfind("F10R2-250", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".BAK") return 1000;
  }
  if (folder == "REG" && name.rfind("F12", 0) == 0) return 1608;
  return 0;
}

std::string Thousands(std::uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string Bytes(std::uint64_t n) {
  char text[32];
  if (n >= 10ull << 30) std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(n) / (1ull << 30));
  else if (n >= 10ull << 20) std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(n) / (1ull << 20));
  else if (n >= 10ull << 10) std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(n) / (1ull << 10));
  else return Thousands(n) + " bytes";
  return text;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }


bool Mentions(const std::string& text, const std::string& path) {
  std::string core = path;
  std::replace(core.begin(), core.end(), '/', '\\');
  return Upper(text).find(Upper(core)) != std::string::npos;
}

// ---------------------------------------------------------------------------
// Comparing two listings of the trial run

// What identifies an entry across a rename: its inode, and for a file also its
// size and time of change, as a file made after another was removed may
// take the inode it freed.
using Key = std::tuple<std::uint64_t, std::uint64_t, std::int64_t, std::int64_t>;
Key KeyOf(const Entry& e) {
  if (e.kind == Kind::kFolder) return {e.device, e.inode, 0, 0};
  return {e.device, e.inode, e.size, e.modified_ns};
}
struct Place {
  bool temp;
  std::string path;
};

bool UnderFolder(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

// What happened between snapshot a and snapshot b, by the identity of each file.
void Compare(const Snapshot& a, const Snapshot& b, StepReport* step) {
  std::map<Key, std::vector<Place>> places;
  for (const auto& [path, e] : b.data) places[KeyOf(e)].push_back({false, path});
  for (const auto& [path, e] : b.temp) places[KeyOf(e)].push_back({true, path});
  // The new place of an entry of a: a name it did not have before.
  auto moved_to = [&](const std::string& path, const Entry& e) -> std::optional<Place> {
    auto it = places.find(KeyOf(e));
    if (it == places.end()) return std::nullopt;
    for (const Place& p : it->second) {
      if (!p.temp && p.path == path) continue;
      auto before = a.data.find(p.path);
      if (p.temp ? !a.temp.count(p.path) : (before == a.data.end() || KeyOf(before->second) != KeyOf(e))) return p;
    }
    return std::nullopt;
  };

  std::vector<std::pair<std::string, Place>> folder_moves;
  std::set<std::string> targets;  // data names that came by a rename
  auto in_moved_folder = [&](const std::string& path) -> const std::pair<std::string, Place>* {
    for (const auto& move : folder_moves)
      if (UnderFolder(path, move.first)) return &move;
    return nullptr;
  };
  for (const auto& [path, e] : a.data) {
    if (b.data.count(path) && KeyOf(b.data.at(path)) == KeyOf(e)) continue;
    if (in_moved_folder(path)) continue;
    auto to = moved_to(path, e);
    if (e.kind == Kind::kFolder) {
      if (to) {
        folder_moves.push_back({path, *to});
        Move m{path, to->path, 0, 0, true};
        const Listing& there = to->temp ? b.temp : b.data;
        for (const auto& [inner, f] : there)
          if (UnderFolder(inner, to->path) && f.kind != Kind::kFolder) {
            m.size += f.size;
            ++m.files;
          }
        (to->temp ? step->parks : step->renames).push_back(m);
        if (!to->temp) targets.insert(to->path);
      } else if (!b.data.count(path)) {
        step->deletes.push_back({path + "/", 0});
      }
      continue;
    }
    if (to) {
      (to->temp ? step->parks : step->renames).push_back({path, to->path, e.size, 1, false});
      if (!to->temp) targets.insert(to->path);
    }
    if (!b.data.count(path) && !to) step->deletes.push_back({path, e.size});
  }
  for (const auto& [path, e] : b.data) {
    if (targets.count(path)) continue;
    bool came_with_folder = false;
    for (const auto& move : folder_moves)
      if (!move.second.temp && UnderFolder(path, move.second.path)) came_with_folder = true;
    if (came_with_folder) continue;
    auto before = a.data.find(path);
    if (before == a.data.end()) {
      step->writes.push_back({e.kind == Kind::kFolder ? path + "/" : path, e.kind == Kind::kFolder ? 0 : e.size});
    } else if (e.kind != Kind::kFolder && (before->second.inode != e.inode || before->second.size != e.size ||
                                           before->second.modified_ns != e.modified_ns)) {
      step->replaces.push_back({path, e.size, before->second.size});
    }
  }
  for (const std::string& path : b.reads) {
    auto it = a.data.find(path);
    if (it != a.data.end() && it->second.kind == Kind::kFile) step->reads.push_back({path, it->second.size});
  }
}

// The whole run's effect on names: files and folders made, gone, or holding
// other bytes; what came into the temporary folder.
void CompareWhole(const Snapshot& a, const Snapshot& b, FolderReport* report) {
  for (const auto& [path, e] : a.data) {
    std::string name = e.kind == Kind::kFolder ? path + "/" : path;
    auto after = b.data.find(path);
    if (after == b.data.end()) {
      report->deleted.push_back(name);
    } else if (e.kind != Kind::kFolder && (after->second.inode != e.inode || after->second.size != e.size ||
                                           after->second.modified_ns != e.modified_ns)) {
      report->changed.push_back(name);
    }
  }
  for (const auto& [path, e] : b.data)
    if (!a.data.count(path)) report->created.push_back(e.kind == Kind::kFolder ? path + "/" : path);
  for (const auto& [path, e] : b.temp)
    if (!a.temp.count(path) && e.kind != Kind::kFolder) report->parked.push_back(path);
  for (const auto& [path, e] : a.data) report->size_before += e.kind == Kind::kFile ? e.size : 0;
  for (const auto& [path, e] : b.data) report->size_after += e.kind == Kind::kFile ? e.size : 0;
}

// ---------------------------------------------------------------------------
// The folder as it is: what the run will meet

// Another process holds the folder's lock: tested, never taken.
bool LockHeld(const std::string& folder) {
  int dir = OpenQuietly(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY);
  if (dir < 0) return false;
  struct stat st;
  bool held = false;
  if (::fstatat(dir, kLockFile, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
    int fd = OpenQuietly(dir, kLockFile, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0) {
      struct flock lock = {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
      ::close(fd);
    }
  }
  ::close(dir);
  return held;
}

void Scan(const Listing& listing, const std::vector<std::string>& unreadable, FolderReport* report) {
  std::map<std::pair<std::string, std::string>, std::vector<std::string>> spellings;
  for (const auto& [path, e] : listing) {
    spellings[{FolderOf(path), Upper(BaseName(path))}].push_back(path);
    if (e.kind == Kind::kLink) report->notes.push_back({"link", path, "a symbolic link"});
    if (e.kind == Kind::kSpecial) report->notes.push_back({"special", path, "a FIFO, socket or device"});
    if (e.kind == Kind::kFile && e.links > 1)
      report->notes.push_back({"hard-link", path, "a file that has " + std::to_string(e.links) + " names"});
    if (e.kind == Kind::kFile && (e.mode & 0222) == 0) report->notes.push_back({"read-only", path, "read-only"});
    if (BaseName(path).find('\\') != std::string::npos)
      report->notes.push_back({"bad-name", path, "a name that holds a backslash"});
  }
  for (const auto& [key, names] : spellings) {
    if (names.size() < 2) continue;
    std::string all;
    for (const std::string& n : names) all += (all.empty() ? "" : ", ") + n;
    for (const std::string& n : names)
      report->notes.push_back({"case-clash", n, "names that differ only in letter case: " + all});
  }
  for (const std::string& path : unreadable)
    report->notes.push_back({"unreadable", path.empty() ? "." : path, "cannot be read"});
}

// Where the trial run parks R02: a folder of its own that holds the names of
// what earlier runs parked, so that it takes the same numbered name as the
// run in the real temporary folder; on another file system than the copy when
// the real one is on another than the folder, as the park then fails alike.
std::string MakeTrialTemp(const std::string& scratch, const std::string& folder, FolderReport* report) {
  const std::string real_temp = plat::TempFolder();
  struct stat folder_st, temp_st;
  std::string temp = scratch + "/tmp";
  bool same_device = ::stat(folder.c_str(), &folder_st) == 0 && ::stat(real_temp.c_str(), &temp_st) == 0 &&
                     folder_st.st_dev == temp_st.st_dev;
  if (!same_device) {
    temp.clear();
    for (const char* base : {"/dev/shm", "/var/tmp", "/tmp"}) {
      struct stat st;
      if (::stat(base, &st) != 0 || st.st_dev == temp_st.st_dev) continue;
      std::string pattern = std::string(base) + "/lanvo303-status-tmp-XXXXXX";
      if (::mkdtemp(pattern.data())) {
        temp = pattern;
        break;
      }
    }
    if (temp.empty()) {
      temp = scratch + "/tmp";
      report->notes.push_back({"temp", real_temp,
                               "the temporary folder is on another file system than the folder: R02 cannot be "
                               "parked there, and the prediction of that park may be wrong"});
    }
  }
  ::mkdir(temp.c_str(), 0700);
  const std::string parks = real_temp + "Vamk/Lanvo";
  std::error_code error;
  std::filesystem::create_directories(temp + "/Vamk/Lanvo", error);
  int dir = OpenQuietly(AT_FDCWD, parks, O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    for (const auto& [path, e] : ListTree(parks))
      if (path.find('/') == std::string::npos && Upper(path).rfind("R02", 0) == 0)
        ::mkdir((temp + "/Vamk/Lanvo/" + path).c_str(), 0700);
    ::close(dir);
  }
  return temp;
}

// ---------------------------------------------------------------------------
// The trial run and its reading

// The file conversions and the split: a step that the run needs while its
// source is still there afterwards was left undone.
bool LeftUndone(const std::string& id, const Listing& before, const Listing& after) {
  static const std::map<std::string, const char*> kSources = {{"clients-r1", "F10.DAT"},
                                                              {"clients-r2", "F10R1.DAT"},
                                                              {"code-table", "F13.DAT"},
                                                              {"payment-forms", "F14.DAT"}};
  auto source = kSources.find(id);
  if (source != kSources.end()) return HasFile(before, source->second) && HasFile(after, source->second);
  if (id == "split") {
    auto split_done = [](const Listing& l) { return HasFile(l, "F04R0.DAT") || HasFile(l, "F09R0.DAT"); };
    return HasFile(before, "F10R2.DAT") && !split_done(before) && !split_done(after);
  }
  return false;
}

void ReadSteps(const Trace& trace, bool journal_there, FolderReport* report) {
  const auto& snaps = trace.snapshots;
  std::string stop_text;  // what the run said when it did not finish
  for (const TracedMessage& m : trace.messages) {
    unsigned icon = m.flags & 0xF0;
    if ((icon == plat::kIconError || icon == plat::kIconWarning) && stop_text.empty()) stop_text = Gist(m.text);
  }
  bool clean = stop_text.empty();
  std::vector<StepInfo> all = {kJournalStep};
  all.insert(all.end(), std::begin(kSteps), std::end(kSteps));
  std::size_t last_reached = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    StepReport step;
    step.info = all[i];
    // The interval of the step: from its snapshot (the journal's: the
    // start) to the next one.
    std::size_t at = snaps.size();
    for (std::size_t k = 0; k < snaps.size(); ++k)
      if (snaps[k].label == (i == 0 ? std::string("start") : std::string(all[i].id))) at = k;
    if (at + 1 < snaps.size()) {
      last_reached = i;
      Compare(snaps[at], snaps[at + 1], &step);
      step.state = step.Changes() ? "will-run" : "done";
      if (LeftUndone(step.info.id, snaps[at].data, snaps[at + 1].data)) {
        step.state = "blocked";
        step.why = clean ? "the run leaves it undone" : stop_text;
      }
    } else {
      // Only the clean-up is passed over by a run that goes on: while a
      // step's changes wait in the journal.
      step.state = "blocked";
      step.why = clean && i > 0 && last_reached == i - 1 ? "it waits while LANVO.JNL holds a step's changes"
                                                         : "the run stops before it";
    }
    if (i == 0 && !journal_there && !step.Changes()) continue;  // no journal: no such step
    report->steps.push_back(step);
  }
  // The step the run stopped in, when it stopped before the end.
  if (!clean && last_reached + 1 < all.size()) {
    for (StepReport& step : report->steps)
      if (step.info.id == all[last_reached].id) {
        step.state = "blocked";
        step.why = "the run stops here: " + stop_text;
      }
  }
  // A journal that the run did not complete: it did nothing at all.
  if (journal_there && snaps.size() == 2 && !clean) {
    report->blockers.push_back({"journal-damaged", kJournal,
                                "the journal is damaged or was not written by this program: nothing of it is done, "
                                "and nothing else; keep it for support and move it out of the folder"});
    for (StepReport& step : report->steps)
      if (step.state == "blocked") step.why = "the journal LANVO.JNL blocks the run";
  } else if (journal_there) {
    report->notes.push_back({"journal-waiting", kJournal,
                             "an interrupted run left its journal: the run completes that step first"});
  }
}

FolderReport Examine(const std::string& given, const StatusOptions& options) {
  FolderReport report;
  std::error_code error;
  report.folder = std::filesystem::absolute(given, error).lexically_normal().string();
  if (report.folder.size() > 1 && report.folder.back() == '/') report.folder.pop_back();
  struct stat st;
  if (::stat(report.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    report.blockers.push_back({"folder", report.folder, "no folder of that name"});
    return report;
  }

  std::vector<std::string> unreadable;
  Listing listing = ListTree(report.folder, &unreadable);
  listing.erase(kLockFile);
  Scan(listing, unreadable, &report);
  bool journal_there = HasFile(listing, kJournal);
  if (LockHeld(report.folder))
    report.blockers.push_back({"busy", kLockFile, "another program holds the lock of the folder: it is busy"});

  // The trial run in a copy.
  std::string scratch = plat::TempFolder() + "lanvo303-status-XXXXXX";
  if (!::mkdtemp(scratch.data())) {
    report.blockers.push_back({"trial", plat::TempFolder(), "cannot make a scratch folder in the temporary folder"});
    return report;
  }
  const std::string copy = scratch + "/data", trace_file = scratch + "/trace";
  CopyNotes copy_notes;
  std::string why;
  std::string temp = MakeTrialTemp(scratch, report.folder, &report);
  Trace trace;
  std::string output;
  if (!CopyTree(report.folder, copy, scratch + "/outside", &copy_notes, &why)) {
    report.blockers.push_back({"trial", scratch, "the folder could not be copied for a trial run: " + why});
  } else {
    std::vector<std::string> args = {"-C", copy, "convert", "--trace", trace_file, "--trace-steps"};
    if (options.answer_yes) args.push_back("--yes");
    int status = RunToEnd(StartSelf(args, temp + "/"), &output);
    if (!ReadTrace(trace_file, &trace) || trace.snapshots.size() < 2)
      report.blockers.push_back({"trial", scratch, "the trial run in a copy did not finish (exit status " +
                                                       std::to_string(status) + "): " + FirstLine(output)});
  }
  if (temp.rfind(scratch, 0) != 0) RemoveTree(temp);
  RemoveTree(scratch);
  for (const std::string& path : copy_notes.unreadable)
    if (std::none_of(report.notes.begin(), report.notes.end(),
                     [&](const Finding& f) { return f.kind == "unreadable" && f.name == path; }))
      report.notes.push_back({"unreadable", path, "cannot be read"});
  if (trace.snapshots.size() < 2) return report;

  report.messages = trace.messages;
  report.reads_complete = trace.reads_complete;
  ReadSteps(trace, journal_there, &report);
  CompareWhole(trace.snapshots.front(), trace.snapshots.back(), &report);

  // Findings that the run names in an error or a warning block it; the others it leaves alone.
  std::vector<Finding> notes;
  for (Finding& f : report.notes) {
    bool named = false;
    for (const TracedMessage& m : trace.messages) {
      unsigned icon = m.flags & 0xF0;
      if ((icon == plat::kIconError || icon == plat::kIconWarning) && Mentions(m.text, f.name)) named = true;
    }
    (named ? report.blockers : notes).push_back(f);
  }
  report.notes = notes;
  bool clean = true;
  for (const TracedMessage& m : trace.messages) {
    unsigned icon = m.flags & 0xF0;
    if (icon == plat::kIconError || icon == plat::kIconWarning) {
      clean = false;
      bool told = std::any_of(report.blockers.begin(), report.blockers.end(),
                              [&](const Finding& f) { return f.kind == "journal-damaged"; });
      if (!told) report.blockers.push_back({"run", "", Gist(m.text)});
    }
  }

  // Room: every byte the run writes may be on the disk at once, and each file it makes takes a block more.
  struct statvfs vfs;
  if (::statvfs(report.folder.c_str(), &vfs) == 0) {
    report.free = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    report.needed = trace.written + trace.files_made * vfs.f_bsize;
    if (*report.needed > *report.free)
      report.blockers.push_back({"space", "", "the run needs " + Bytes(*report.needed) + ", and there are " +
                                                  Bytes(*report.free) + " free"});
  }

  bool changes = std::any_of(report.steps.begin(), report.steps.end(), [](const StepReport& s) { return s.Changes(); });
  if (HasFile(listing, "F10.DAT")) report.release = "f10";
  else if (HasFile(listing, "F10R1.DAT")) report.release = "r1";
  else if (HasFile(listing, "F10R2.DAT"))
    report.release = HasFile(listing, "F04R0.DAT") || HasFile(listing, "F09R0.DAT") ? "split-done" : "r2";
  if (clean && !changes) report.release = "3.03";
  report.result = !report.blockers.empty() || !clean ? "blocked" : changes ? "converts" : "converted";
  return report;
}

// ---------------------------------------------------------------------------
// Output

const char* ReleaseText(const std::string& release) {
  if (release == "f10") return "F10.DAT: the client file of the oldest layout";
  if (release == "r1") return "F10R1.DAT: the client file of the second layout";
  if (release == "r2") return "F10R2.DAT before the split of farms and bank accounts";
  if (release == "split-done") return "F10R2.DAT, split done, other steps to do";
  if (release == "3.03") return "3.03: nothing to convert";
  return "no client file";
}

std::string Records(const std::string& name, std::int64_t size) {
  int length = RecordLength(name);
  if (length == 0) return "";
  std::int64_t count = size / length;
  std::string text = Thousands(static_cast<std::uint64_t>(count)) + (count == 1 ? " record" : " records");
  if (size % length) text += " and a part";
  return ", " + text;
}

void PrintFiles(const char* verb, const std::vector<FileNote>& files) {
  for (const FileNote& f : files) {
    std::cout << "        " << verb << "  " << f.name;
    if (f.name.back() == '/') {
      std::cout << "\n";
      continue;
    }
    std::cout << " (";
    if (f.size_before >= 0 && f.size_before != f.size)
      std::cout << Bytes(f.size_before) << Records(f.name, f.size_before) << " before; ";
    std::cout << Bytes(f.size) << Records(f.name, f.size) << ")\n";
  }
}

void PrintMoves(const char* verb, const std::vector<Move>& moves, const std::string& prefix) {
  for (const Move& m : moves) {
    std::cout << "        " << verb << "  " << m.from << (m.folder ? "/" : "") << " -> " << prefix << m.to
              << (m.folder ? "/" : "") << " (";
    if (m.folder) std::cout << m.files << " files, ";
    std::cout << Bytes(m.size) << ")\n";
  }
}

void PrintText(const FolderReport& r) {
  const bool examined = !r.steps.empty();
  std::cout << r.folder << "\n";
  if (examined) std::cout << "  release:  " << ReleaseText(r.release) << "\n";
  std::cout << "  result:   "
            << (r.result == "converts" ? "converts cleanly" : r.result == "converted" ? "at 3.03 already" : "blocked")
            << "\n";
  if (!r.steps.empty()) std::cout << "  steps:\n";
  for (const StepReport& s : r.steps) {
    std::string state = s.state == "will-run" ? "will run" : s.state;
    std::cout << "    " << state << std::string(10 - std::min<std::size_t>(state.size(), 9), ' ') << s.info.title;
    if (!s.why.empty()) std::cout << ": " << s.why;
    std::cout << "\n";
    PrintFiles("reads   ", s.reads);
    PrintFiles("writes  ", s.writes);
    PrintFiles("replaces", s.replaces);
    PrintMoves("renames ", s.renames, "");
    PrintFiles("deletes ", s.deletes);
    PrintMoves("parks   ", s.parks, "$TMPDIR/");
  }
  if (!r.blockers.empty()) std::cout << "  blocked by:\n";
  for (const Finding& f : r.blockers) std::cout << "    " << (f.name.empty() ? "" : f.name + ": ") << f.text << "\n";
  if (!r.notes.empty()) std::cout << "  also found:\n";
  for (const Finding& f : r.notes) std::cout << "    " << f.name << ": " << f.text << "\n";
  if (!r.messages.empty()) std::cout << "  the run says:\n";
  for (const TracedMessage& m : r.messages) {
    std::string text = "[" + m.caption + "] " + m.text;
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 7) text.replace(at, 1, "\n      ");
    std::cout << "    " << text << "\n";
  }
  if (r.needed && r.free)
    std::cout << "  space:    the run needs at most " << Bytes(*r.needed) << "; " << Bytes(*r.free) << " free\n";
  if (examined)
    std::cout << "  size:     " << Bytes(static_cast<std::uint64_t>(r.size_before)) << " now, "
            << Bytes(static_cast<std::uint64_t>(r.size_after)) << " after the run\n";
}

void JsonFiles(JsonWriter& j, const char* key, const std::vector<FileNote>& files) {
  j.Key(key).BeginArray();
  for (const FileNote& f : files) {
    j.BeginObject().Key("name").String(f.name).Key("size").Number(f.size);
    if (f.size_before >= 0) j.Key("size_before").Number(f.size_before);
    int length = RecordLength(f.name);
    j.Key("records");
    if (length && f.name.back() != '/') j.Number(static_cast<std::int64_t>(f.size / length));
    else j.Null();
    j.EndObject();
  }
  j.EndArray();
}

void JsonMoves(JsonWriter& j, const char* key, const std::vector<Move>& moves) {
  j.Key(key).BeginArray();
  for (const Move& m : moves)
    j.BeginObject().Key("from").String(m.from).Key("to").String(m.to).Key("folder").Bool(m.folder)
        .Key("files").Number(static_cast<std::int64_t>(m.files)).Key("size").Number(m.size).EndObject();
  j.EndArray();
}

void JsonFindings(JsonWriter& j, const char* key, const std::vector<Finding>& findings) {
  j.Key(key).BeginArray();
  for (const Finding& f : findings)
    j.BeginObject().Key("kind").String(f.kind).Key("name").String(f.name).Key("text").String(f.text).EndObject();
  j.EndArray();
}

void JsonNames(JsonWriter& j, const char* key, const std::vector<std::string>& names) {
  j.Key(key).BeginArray();
  for (const std::string& n : names) j.String(n);
  j.EndArray();
}

const char* IconName(unsigned flags) {
  switch (flags & 0xF0) {
    case plat::kIconError: return "error";
    case plat::kIconWarning: return "warning";
    case plat::kIconQuestion: return "question";
    case plat::kIconInformation: return "information";
  }
  return "none";
}

void PrintJson(JsonWriter& j, const FolderReport& r) {
  j.BeginObject();
  j.Key("folder").String(r.folder).Key("release").String(r.release).Key("result").String(r.result);
  j.Key("exit_status").Number(static_cast<std::int64_t>(r.ExitStatus()));
  j.Key("steps").BeginArray();
  for (const StepReport& s : r.steps) {
    j.BeginObject().Key("step").String(s.info.id).Key("title").String(s.info.title).Key("state").String(s.state);
    j.Key("why").String(s.why);
    JsonFiles(j, "reads", s.reads);
    JsonFiles(j, "writes", s.writes);
    JsonFiles(j, "replaces", s.replaces);
    JsonMoves(j, "renames", s.renames);
    JsonFiles(j, "deletes", s.deletes);
    JsonMoves(j, "parks", s.parks);
    j.EndObject();
  }
  j.EndArray();
  j.Key("reads_complete").Bool(r.reads_complete);
  JsonFindings(j, "blockers", r.blockers);
  JsonFindings(j, "findings", r.notes);
  j.Key("messages").BeginArray();
  for (const TracedMessage& m : r.messages)
    j.BeginObject().Key("icon").String(IconName(m.flags)).Key("caption").String(m.caption).Key("text").String(m.text)
        .EndObject();
  j.EndArray();
  j.Key("space").BeginObject().Key("needed");
  r.needed ? j.Number(static_cast<std::int64_t>(*r.needed)) : j.Null();
  j.Key("free");
  r.free ? j.Number(static_cast<std::int64_t>(*r.free)) : j.Null();
  j.EndObject();
  j.Key("size_before").Number(r.size_before).Key("size_after").Number(r.size_after);
  j.Key("changes").BeginObject();
  JsonNames(j, "created", r.created);
  JsonNames(j, "deleted", r.deleted);
  JsonNames(j, "changed", r.changed);
  JsonNames(j, "parked", r.parked);
  j.EndObject();
  j.EndObject();
}

}  // namespace

int ShowStatus(const std::vector<std::string>& folders, const StatusOptions& options) {
  int status = 0;
  JsonWriter j;
  j.BeginObject().Key("folders").BeginArray();
  for (std::size_t i = 0; i < folders.size(); ++i) {
    FolderReport report = Examine(folders[i], options);
    status = std::max(status, report.ExitStatus());
    if (options.json) {
      PrintJson(j, report);
    } else {
      if (i > 0) std::cout << "\n";
      PrintText(report);
      std::cout << std::flush;
    }
  }
  j.EndArray().Key("exit_status").Number(static_cast<std::int64_t>(status)).EndObject();
  if (options.json) std::cout << j.Text() << std::flush;
  return status;
}

}  // namespace console
