#include "ui/progress.hpp"

#include <algorithm>

#include "ui/dialog.hpp"

namespace ui {

void ProgressLine::Begin(std::string_view step, ProgressClock::time_point now) {
  step_ = step;
  shown_ = 0;
  changed_ = now;
}

std::optional<std::string> ProgressLine::Update(std::int64_t done, std::int64_t total,
                                                ProgressClock::time_point now) {
  if (total <= 0 || now - changed_ < kStatusEvery) return std::nullopt;
  // Never past 100 %, whatever the count says.
  int percent = static_cast<int>(std::clamp<std::int64_t>(done, 0, total) * 100 / total);
  if (percent == shown_) return std::nullopt;
  shown_ = percent;
  changed_ = now;
  return step_ + " " + std::to_string(percent) + "%";
}

namespace {

struct Progress {
  plat::Dialog* dialog = nullptr;
  ProgressClock::time_point (*clock)() = nullptr;
  ProgressClock::time_point next_keep_alive{};
  // The step of the conversion that runs, when one does.
  ProgressLine line;
  const rec::Stream* reading = nullptr;
  // Set while the dialog has the hand: what it does touches no file, but a
  // call back in here must not hand it more.
  bool inside = false;
};

Progress g_progress;

ProgressClock::time_point Now() { return g_progress.clock ? g_progress.clock() : ProgressClock::now(); }

void OnFileOp() {
  Progress& p = g_progress;
  if (!p.dialog || p.inside) return;
  p.inside = true;
  const ProgressClock::time_point now = Now();
  if (p.reading && p.dialog->ShowsPercentages())
    if (auto text = p.line.Update(p.reading->Tell(), p.reading->Size(), now)) SetStatusLine(p.dialog, *text);
  if (now >= p.next_keep_alive) {
    p.next_keep_alive = now + kKeepAliveEvery;
    p.dialog->KeepAlive();
  }
  p.inside = false;
}

}  // namespace

CommandProgress::CommandProgress(plat::Dialog* dialog) {
  g_progress.dialog = dialog;
  g_progress.next_keep_alive = Now() + kKeepAliveEvery;
  plat::SetFileOpObserver(OnFileOp);
}

CommandProgress::~CommandProgress() {
  plat::SetFileOpObserver(nullptr);
  g_progress.dialog = nullptr;
  g_progress.reading = nullptr;
}

void BeginStep(plat::Dialog* dialog, std::string_view status) {
  SetStatusLine(dialog, status);
  if (dialog) dialog->Repaint();
  g_progress.line.Begin(status, Now());
}

StepReading::StepReading(const rec::Stream& stream) { g_progress.reading = &stream; }

StepReading::~StepReading() { g_progress.reading = nullptr; }

void SetProgressClock(ProgressClock::time_point (*now)()) { g_progress.clock = now; }

}  // namespace ui
