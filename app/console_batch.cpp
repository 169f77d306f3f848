#include "app/console_batch.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>

#include "app/console_child.hpp"
#include "app/console_json.hpp"
#include "app/console_trace.hpp"
#include "app/console_tree.hpp"
#include "platform/platform.hpp"
#include "recfile/client_record.hpp"

namespace console {
namespace {

constexpr int kClientLength = client::kLength;  // F10R2.DAT
constexpr char kDeletedMark = '+';

using Clock = std::chrono::steady_clock;

struct Job {
  std::string given;  // as on the command line: the prefix of its lines
  std::string path;   // absolute
  std::string temp;   // its own temporary folder
  std::string trace_file;
  Child child;
  std::string pending;  // output not yet printed: the start of a line
  Clock::time_point started;
  double seconds = 0;
  int exit_status = -1;
  std::string result, cause;
  std::optional<std::int64_t> clients;
  std::vector<TracedMessage> messages;
  bool temp_kept = false;
};

std::string TempName(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == '/') c = '_';
  return name.empty() ? "root" : name;
}

// A temporary folder no other run uses: the first free number after the name.
std::string MakeTemp(const std::string& base, const std::string& name) {
  for (int n = 1; n < 100000; ++n) {
    std::string path = base + "lanvo303-" + name + "-" + std::to_string(n);
    if (::mkdir(path.c_str(), 0700) == 0) return path;
    if (errno != EEXIST) break;
  }
  return "";
}

// The clients of the folder's client file after the run: its records that are not deleted.
std::optional<std::int64_t> CountClients(const std::string& folder) {
  int dir = OpenQuietly(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY);
  if (dir < 0) return std::nullopt;
  std::string name;
  std::vector<std::string> names;
  int listing = ::dup(dir);
  if (DIR* d = listing >= 0 ? ::fdopendir(listing) : nullptr) {
    while (struct dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
    ::closedir(d);
  }
  for (const std::string& n : names) {
    std::string upper = n;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "F10R2.DAT") name = n;
  }
  std::optional<std::int64_t> count;
  int fd = name.empty() ? -1 : OpenQuietly(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  struct stat st;
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    count = 0;
    std::vector<char> buffer(kClientLength * 1024);
    std::int64_t offset = 0;
    for (;;) {
      ssize_t n = ::pread(fd, buffer.data(), buffer.size(), offset);
      if (n <= 0) break;
      for (ssize_t end = kClientLength; end <= n; end += kClientLength)
        if (buffer[static_cast<std::size_t>(end - 1)] != kDeletedMark) ++*count;
      offset += n - n % kClientLength;
      if (n % kClientLength) break;  // a record cut short ends the file
    }
  }
  if (fd >= 0) ::close(fd);
  ::close(dir);
  return count;
}

// Prints the whole lines of text, each with the prefix; keeps the rest.
void PrintLines(std::string* text, const std::string& prefix, bool all) {
  std::size_t start = 0;
  for (std::size_t nl; (nl = text->find('\n', start)) != std::string::npos; start = nl + 1)
    std::cout << prefix << text->substr(start, nl - start) << '\n';
  text->erase(0, start);
  if (all && !text->empty()) {
    std::cout << prefix << *text << '\n';
    text->clear();
  }
  std::cout << std::flush;
}

void Finish(Job& job) {
  job.exit_status = WaitFor(job.child);
  job.seconds = std::chrono::duration<double>(Clock::now() - job.started).count();
  Trace trace;
  ReadTrace(job.trace_file, &trace);
  job.messages = trace.messages;
  bool warned = false;
  for (const TracedMessage& m : trace.messages) {
    unsigned icon = m.flags & 0xF0;
    if (icon != plat::kIconError && icon != plat::kIconWarning) continue;
    if (icon == plat::kIconWarning) warned = true;
    if (job.cause.empty()) job.cause = Gist(m.text);
  }
  job.result = job.exit_status != 0 ? "failed" : warned ? "incomplete" : "converted";
  if (job.exit_status != 0 && job.cause.empty()) job.cause = "exit status " + std::to_string(job.exit_status);
  job.clients = CountClients(job.path);
  RemoveEmptyFolders(job.temp);
  struct stat st;
  job.temp_kept = ::lstat(job.temp.c_str(), &st) == 0;
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", s);
  return text;
}

void PrintSummary(const std::vector<Job>& jobs) {
  std::vector<std::vector<std::string>> rows = {{"folder", "result", "clients", "time", "cause"}};
  for (const Job& job : jobs)
    rows.push_back({job.given, job.result, job.clients ? std::to_string(*job.clients) : "-", Seconds(job.seconds),
                    job.cause});
  std::vector<std::size_t> width(5, 0);
  for (const auto& row : rows)
    for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  std::cout << "\n";
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      std::string cell = row[c];
      if (c == 2 || c == 3) cell = std::string(width[c] - cell.size(), ' ') + cell;  // numbers to the right
      else if (c + 1 < row.size()) cell += std::string(width[c] - cell.size(), ' ');
      line += (c ? "  " : "") + cell;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::cout << line << "\n";
  }
  for (const Job& job : jobs)
    if (job.temp_kept) std::cout << job.given << ": parked in " << job.temp << "\n";
  std::cout << std::flush;
}

bool WriteReport(const std::string& file, const std::vector<Job>& jobs, int status) {
  JsonWriter j;
  int converted = 0;
  j.BeginObject().Key("folders").BeginArray();
  for (const Job& job : jobs) {
    converted += job.result == "converted";
    j.BeginObject().Key("folder").String(job.given).Key("path").String(job.path).Key("result").String(job.result);
    j.Key("exit_status").Number(static_cast<std::int64_t>(job.exit_status)).Key("clients");
    job.clients ? j.Number(*job.clients) : j.Null();
    j.Key("seconds").Number(job.seconds).Key("cause").String(job.cause).Key("temp");
    job.temp_kept ? j.String(job.temp) : j.Null();
    j.Key("messages").BeginArray();
    for (const TracedMessage& m : job.messages) j.String("[" + m.caption + "] " + m.text);
    j.EndArray().EndObject();
  }
  j.EndArray();
  j.Key("converted").Number(static_cast<std::int64_t>(converted));
  j.Key("failed").Number(static_cast<std::int64_t>(jobs.size()) - converted);
  j.Key("exit_status").Number(static_cast<std::int64_t>(status)).EndObject();
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << j.Text();
  return static_cast<bool>(out.flush());
}

}  // namespace

int ConvertFolders(const std::vector<std::string>& folders, const BatchOptions& options) {
  std::vector<Job> jobs(folders.size());
  std::map<std::pair<dev_t, ino_t>, std::string> seen;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    std::error_code error;
    jobs[i].given = folders[i];
    jobs[i].path = std::filesystem::absolute(folders[i], error).lexically_normal().string();
    struct stat st;
    if (::stat(folders[i].c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    auto [it, fresh] = seen.insert({{st.st_dev, st.st_ino}, folders[i]});
    if (!fresh) {
      std::cerr << "lanvo303: " << it->second << " and " << folders[i]
                << " are the same folder; see 'lanvo303 convert --help'\n";
      return 2;
    }
  }
  const std::string base = plat::TempFolder();
  std::string traces = base + "lanvo303-batch-XXXXXX";
  if (!::mkdtemp(traces.data())) {
    std::cerr << "lanvo303: cannot make a folder in " << base << "\n";
    return 1;
  }
  const bool several = folders.size() > 1;
  std::size_t next = 0;
  std::vector<Job*> running;
  while (next < jobs.size() || !running.empty()) {
    while (next < jobs.size() && static_cast<int>(running.size()) < std::max(1, options.jobs)) {
      Job& job = jobs[next];
      job.trace_file = traces + "/" + std::to_string(++next);
      job.started = Clock::now();
      struct stat st;
      if (::stat(job.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        job.result = "failed";
        job.cause = "no folder of that name";
        continue;
      }
      job.temp = MakeTemp(base, TempName(job.path));
      if (job.temp.empty()) {
        job.result = "failed";
        job.cause = "cannot make its temporary folder in " + base;
        continue;
      }
      std::vector<std::string> args = {"-C", job.path, "convert", "--trace", job.trace_file};
      if (options.answer_yes) args.push_back("--yes");
      job.child = StartSelf(args, job.temp + "/");
      if (job.child.pid < 0) {
        job.result = "failed";
        job.cause = "cannot start a process";
        continue;
      }
      running.push_back(&job);
    }
    if (running.empty()) break;
    std::vector<struct pollfd> polls;
    for (Job* job : running) polls.push_back({job->child.output, POLLIN, 0});
    ::poll(polls.data(), polls.size(), -1);
    for (std::size_t k = 0; k < running.size();) {
      Job& job = *running[k];
      const std::string prefix = several ? job.given + ": " : "";
      bool open = ReadSome(job.child, &job.pending);
      PrintLines(&job.pending, prefix, !open);
      if (open) {
        ++k;
        continue;
      }
      Finish(job);
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(k));
    }
  }
  RemoveTree(traces);

  int status = std::all_of(jobs.begin(), jobs.end(), [](const Job& j) { return j.result == "converted"; }) ? 0 : 1;
  PrintSummary(jobs);
  if (!options.report.empty() && !WriteReport(options.report, jobs, status)) {
    std::cerr << "lanvo303: cannot write " << options.report << "\n";
    status = 1;
  }
  return status;
}

}  // namespace console
