// How far a command has got, shown while it runs.
//
// A command runs inside the dialog's command handler: the dialog takes no
// message until it ends unless the command hands it some, and after a few
// seconds the system would show it as not responding. So while a command runs
// (CommandProgress), every file operation (plat::SetFileOpObserver) gives the
// dialog its KeepAlive, at most every kKeepAliveEvery; every step reads or
// writes a file all the time. A step of the conversion also says which file
// of records it works through (StepReading): on a dialog that
// ShowsPercentages the status line then reads the step's name and the whole
// percent of that file's bytes read so far ("Clientes (1/2) 45%": the records
// of a file of fixed-width records), changed at most every kStatusEvery.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "recfile/stream.hpp"

namespace ui {

using ProgressClock = std::chrono::steady_clock;
constexpr auto kKeepAliveEvery = std::chrono::milliseconds(50);
constexpr auto kStatusEvery = std::chrono::milliseconds(250);

// The status line of one step as it goes: its name, then its name and the
// percent done, a new percent at most every kStatusEvery.
class ProgressLine {
 public:
  // The step begins, its name alone on the line: that is its 0 %.
  void Begin(std::string_view step, ProgressClock::time_point now);
  // The line to show when done of total bytes are read; nothing when the
  // line stays as it is (too soon, the same percent, no total).
  std::optional<std::string> Update(std::int64_t done, std::int64_t total, ProgressClock::time_point now);

 private:
  std::string step_;
  int shown_ = 0;
  ProgressClock::time_point changed_{};
};

// For the length of a command: its dialog is kept alive from the file
// operations. One at a time.
class CommandProgress {
 public:
  explicit CommandProgress(plat::Dialog* dialog);
  ~CommandProgress();
  CommandProgress(const CommandProgress&) = delete;
  CommandProgress& operator=(const CommandProgress&) = delete;
};

// A step of the conversion begins: its name on the status line, shown at once.
void BeginStep(plat::Dialog* dialog, std::string_view status);

// While it lives, the current step works through the records of this stream,
// read from its start to its end: the position reached, against the file's
// size, is the step's percent. A step that reads more than one file shows the
// percent of the one it reads now; those read before the client file hold a
// few records each. It must end before the stream closes.
class StepReading {
 public:
  explicit StepReading(const rec::Stream& stream);
  ~StepReading();
  StepReading(const StepReading&) = delete;
  StepReading& operator=(const StepReading&) = delete;
};

// For the tests: the clock that the progress reads (null: the steady clock).
void SetProgressClock(ProgressClock::time_point (*now)());

}  // namespace ui
