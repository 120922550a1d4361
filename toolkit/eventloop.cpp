// The event loop: the yield, the blocking sleep, modal and idle loops, and the
// timer schedule that all backends share, so that timers behave the same way
// everywhere: they fire only when the program yields, waits or idles, a timer
// never re-enters its own handler, and ticks missed while the program was busy
// are merged into one.
#include <algorithm>
#include <limits>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/platform.h"
#include "toolkit/toolkit.h"

namespace tk {

class TimerScheduler {
 public:
  static std::vector<Timer*>& All() {
    static std::vector<Timer*> timers;
    return timers;
  }
  static bool Registered(Timer* t) {
    auto& all = All();
    return std::find(all.begin(), all.end(), t) != all.end();
  }
  static bool Armed(const Timer* t) { return t->enabled_ && t->interval_ > 0; }
  static bool Busy(const Timer* t) { return t->in_handler_; }
  static int32_t Until(const Timer* t, uint32_t now) { return static_cast<int32_t>(t->due_ - now); }

  static void Fire(Timer* t, uint32_t now) {
    uint32_t next = t->due_ + t->interval_;
    // Ticks missed while the program was busy are not made up.
    t->due_ = static_cast<int32_t>(next - now) > 0 ? next : now + t->interval_;
    struct Busy {
      Timer* t;
      explicit Busy(Timer* timer) : t(timer) { t->in_handler_ = true; }
      ~Busy() {
        if (Registered(t)) t->in_handler_ = false;
      }
    } busy(t);
    if (t->Tick) t->Tick();
  }
};

Timer::Timer(Form& form, std::string name, uint32_t interval, bool enabled)
    : form_(form), name_(std::move(name)), interval_(interval) {
  TimerScheduler::All().push_back(this);
  form.timers_.push_back(this);
  SetEnabled(enabled);
}

Timer::~Timer() {
  auto& all = TimerScheduler::All();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  auto& mine = form_.timers_;
  mine.erase(std::remove(mine.begin(), mine.end(), this), mine.end());
}

void Timer::SetInterval(uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (enabled_) StartPeriod();
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (on) StartPeriod();
}

void Timer::StartPeriod() {
  due_ = CurrentPlatform().TickCount() + interval_;
  CurrentPlatform().TimersChanged();
}

uint32_t MillisecondsToNextTimer(uint32_t cap) {
  uint32_t now = CurrentPlatform().TickCount();
  int64_t best = cap;
  for (Timer* t : TimerScheduler::All()) {
    // A timer whose handler is still on the stack cannot tick: waiting for it
    // would spin.
    if (!TimerScheduler::Armed(t) || TimerScheduler::Busy(t)) continue;
    best = std::min<int64_t>(best, std::max<int32_t>(TimerScheduler::Until(t, now), 0));
  }
  return static_cast<uint32_t>(best);
}

void FireDueTimers() {
  uint32_t now = CurrentPlatform().TickCount();
  std::vector<Timer*> due;
  for (Timer* t : TimerScheduler::All())
    if (TimerScheduler::Armed(t) && TimerScheduler::Until(t, now) <= 0) due.push_back(t);
  std::stable_sort(due.begin(), due.end(), [now](Timer* a, Timer* b) {
    return TimerScheduler::Until(a, now) < TimerScheduler::Until(b, now);
  });
  for (Timer* t : due) {
    // An earlier handler may have switched it off, deleted it or yielded into
    // a nested loop that already fired it.
    if (!TimerScheduler::Registered(t) || !TimerScheduler::Armed(t) || TimerScheduler::Busy(t))
      continue;
    if (TimerScheduler::Until(t, now) > 0) continue;
    TimerScheduler::Fire(t, now);
  }
}

namespace {

void RefreshForms() {
  std::vector<Form*> forms = LoadedForms();
  for (Form* f : forms)
    if (f->Loaded()) f->Refresh();
}

// Longest a modal or idle wait blocks before it looks again.
constexpr uint32_t kMaxWait = 1000;

}  // namespace

void DoEvents() {
  RefreshForms();
  CurrentPlatform().PumpEvents(0);
  FireDueTimers();
  RefreshForms();
}

void Sleep(uint32_t ms) { CurrentPlatform().Sleep(ms); }

uint32_t GetTickCount() { return CurrentPlatform().TickCount(); }

void LoopPass() { CurrentPlatform().LoopPass(); }

void RunModal(const std::function<bool()>& done) {
  while (!done()) {
    RefreshForms();
    CurrentPlatform().PumpEvents(MillisecondsToNextTimer(kMaxWait));
    if (done()) break;
    FireDueTimers();
  }
  RefreshForms();
}

void RunIdle() {
  for (;;) RunModal([] { return false; });
}

}  // namespace tk
