#include "platform/timer.h"

#include <QTimerEvent>

namespace {
bool refuseTimers = false;
}

TTimer::TTimer(QObject* parent) : QObject(parent) {}

TTimer::~TTimer() {
  if (timerId_)
    killTimer(timerId_);
}

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

void TTimer::SetRefuseTimers(bool refuse) {
  refuseTimers = refuse;
}

void TTimer::UpdateTimer() {
  if (timerId_) {
    killTimer(timerId_);
    timerId_ = 0;
  }
  if (!enabled_ || interval_ <= 0 || !OnTimer)
    return;
  timerId_ = refuseTimers ? 0 : startTimer(interval_, Qt::PreciseTimer);
  if (timerId_ == 0)
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

void TTimer::timerEvent(QTimerEvent* event) {
  if (event->timerId() == timerId_)
    Tick();
}
