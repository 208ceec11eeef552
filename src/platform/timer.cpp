#include "platform/timer.h"

#include "platform/stand_ins.h"

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_)
    return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(int interval) {
  if (interval == interval_)
    return;
  interval_ = interval;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (running_) {
    StopNative();
    running_ = false;
  }
  if (!enabled_ || interval_ <= 0 || !OnTimer)
    return;
  running_ = !StandIns().refuseTimers && StartNative(interval_);
  if (!running_)
    throw EOutOfResources("Not enough timers available");
}

void TTimer::Tick() {
  // A tick that is still running (a message box inside it, say) swallows the ones that fall due
  // meanwhile, so ticks never pile up.
  if (inTick_ || !OnTimer)
    return;
  inTick_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{inTick_};
  OnTimer();
}
