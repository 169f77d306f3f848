#include "app/console_trace.hpp"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "ui/dialog_proc.hpp"
#include "ui/text_dialog.hpp"
#include "platform/platform.hpp"
#include "ui/dialog.hpp"

namespace console {
namespace {

// The lock file comes and goes with every command; it is no part of a run's work.
constexpr char kLockFile[] = "LANVO.LCK";

// Fields of the trace are separated by tabs, records by line feeds.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char c = text[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(Unescape(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// The files read in the data folder, from the close of every file that was
// open only for reading, and the files made there.
class ReadWatch {
 public:
  ReadWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
  ~ReadWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  // Watches every folder of the listing (the folders made by the step just
  // ended are watched from now on).
  void Watch(const Listing& data) {
    if (fd_ < 0) return;
    Add("");
    for (const auto& [path, e] : data)
      if (e.kind == Kind::kFolder) Add(path);
  }
  // The events since the last call.
  void Drain(std::set<std::string>* reads, std::uint64_t* made, bool* complete) {
    if (fd_ < 0) {
      *complete = false;
      return;
    }
    alignas(struct inotify_event) char buffer[64 * 1024];
    for (;;) {
      ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) return;
      for (char* p = buffer; p < buffer + n;) {
        auto* event = reinterpret_cast<struct inotify_event*>(p);
        p += sizeof(struct inotify_event) + event->len;
        if (event->mask & IN_Q_OVERFLOW) *complete = false;
        if ((event->mask & IN_ISDIR) || event->len == 0) continue;
        auto folder = folders_.find(event->wd);
        if (folder == folders_.end()) continue;
        std::string name = event->name;
        std::string path = folder->second.empty() ? name : folder->second + "/" + name;
        if (event->mask & IN_CLOSE_NOWRITE) reads->insert(path);
        if (event->mask & IN_CREATE) ++*made;
      }
    }
  }

 private:
  void Add(const std::string& path) {
    int wd = ::inotify_add_watch(fd_, path.empty() ? "." : path.c_str(), IN_CLOSE_NOWRITE | IN_CREATE | IN_ONLYDIR);
    if (wd >= 0) folders_[wd] = path;
  }
  int fd_;
  std::map<int, std::string> folders_;
};

// The dialog of the run, which takes a snapshot as each step begins.
class ObservedDialog : public ui::TextDialog {
 public:
  ObservedDialog(const std::string& owner_title, bool steps, Trace* trace)
      : TextDialog(ui::ConversionDialogItems(), owner_title), steps_(steps), trace_(trace) {
    if (steps_) Take("start");
  }
  void SetItemText(int id, std::string_view text) override {
    if (steps_ && id == kItemStatus)
      for (const StepInfo& step : kSteps)
        if (text == step.status) Take(step.id);
    TextDialog::SetItemText(id, text);
  }
  void Finish() {
    if (steps_) Take("end");
  }

 private:
  void Take(const std::string& label) {
    Snapshot snapshot;
    snapshot.label = label;
    watch_.Drain(&snapshot.reads, &trace_->files_made, &trace_->reads_complete);
    snapshot.data = ListTree(".");
    snapshot.data.erase(kLockFile);
    snapshot.temp = ListTree(plat::TempFolder());
    watch_.Watch(snapshot.data);
    trace_->snapshots.push_back(std::move(snapshot));
  }

  bool steps_;
  Trace* trace_;
  ReadWatch watch_;
};

// The bytes this process has written, as the kernel counts them.
std::uint64_t BytesWritten() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value)
    if (key == "wchar:") return value;
  return 0;
}

void WriteListing(std::ostream& out, char tag, const Listing& listing) {
  for (const auto& [path, e] : listing)
    out << tag << '\t' << static_cast<char>(e.kind) << '\t' << e.mode << '\t' << e.size << '\t' << e.device << '\t'
        << e.inode << '\t' << e.links << '\t' << e.modified_ns << '\t' << Escape(path) << '\n';
}

}  // namespace

std::string Gist(const std::string& text) {
  auto Line = [](const std::string& t) { return t.substr(0, t.find('\n')); };
  std::string first = Line(text);
  if (first.empty() || first.back() != ':' || first.size() == text.size()) return first;
  std::string next = Line(text.substr(first.size() + 1));
  next.erase(0, next.find_first_not_of(' '));
  return first + " " + next;
}

void RunTracedConversion(const std::string& owner_title, const std::string& file, bool steps, bool answer_yes) {
  Trace trace;
  // Every message box is printed as the console prints it, and kept with its icon.
  plat::TestHooks().message_box = [&](plat::Dialog*, std::string_view text, std::string_view caption,
                                       unsigned flags) {
    std::cout << '[' << caption << "] " << text << '\n' << std::flush;
    trace.messages.push_back({flags, std::string(caption), std::string(text)});
    if ((flags & 0xF) == plat::kYesNo) return answer_yes ? static_cast<int>(plat::kIdYes) : static_cast<int>(plat::kIdNo);
    return static_cast<int>(plat::kIdOk);
  };
  ObservedDialog dialog(owner_title, steps, &trace);
  ui::DialogProc(&dialog, ui::DialogMessage::kInitDialog);
  ui::DialogProc(&dialog, ui::DialogMessage::kCommand, kItemConvert);
  dialog.Finish();
  trace.written = BytesWritten();
  plat::TestHooks().message_box = nullptr;

  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const TracedMessage& m : trace.messages)
    out << "M\t" << m.flags << '\t' << Escape(m.caption) << '\t' << Escape(m.text) << '\n';
  for (const Snapshot& s : trace.snapshots) {
    out << "S\t" << Escape(s.label) << '\n';
    for (const std::string& path : s.reads) out << "R\t" << Escape(path) << '\n';
    WriteListing(out, 'D', s.data);
    WriteListing(out, 'T', s.temp);
  }
  out << "W\t" << trace.written << '\t' << trace.files_made << '\t' << (trace.reads_complete ? 1 : 0) << '\n';
  out << "E\n";
}

bool ReadTrace(const std::string& file, Trace* trace) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  bool ended = false;
  while (std::getline(in, line)) {
    std::vector<std::string> f = Fields(line);
    const std::string& tag = f[0];
    if (tag == "M" && f.size() == 4) {
      trace->messages.push_back({static_cast<unsigned>(std::stoul(f[1])), f[2], f[3]});
    } else if (tag == "S" && f.size() == 2) {
      trace->snapshots.emplace_back();
      trace->snapshots.back().label = f[1];
    } else if (tag == "R" && f.size() == 2 && !trace->snapshots.empty()) {
      trace->snapshots.back().reads.insert(f[1]);
    } else if ((tag == "D" || tag == "T") && f.size() == 9 && !trace->snapshots.empty()) {
      Entry e;
      e.kind = static_cast<Kind>(f[1][0]);
      e.mode = static_cast<unsigned>(std::stoul(f[2]));
      e.size = std::stoll(f[3]);
      e.device = std::stoull(f[4]);
      e.inode = std::stoull(f[5]);
      e.links = std::stoull(f[6]);
      e.modified_ns = std::stoll(f[7]);
      Snapshot& s = trace->snapshots.back();
      (tag == "D" ? s.data : s.temp)[f[8]] = e;
    } else if (tag == "W" && f.size() == 4) {
      trace->written = std::stoull(f[1]);
      trace->files_made = std::stoull(f[2]);
      trace->reads_complete = f[3] == "1";
    } else if (tag == "E") {
      ended = true;
    }
  }
  return ended;
}

}  // namespace console
