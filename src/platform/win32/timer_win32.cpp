// The platform timer over the desktop's thread timers: WM_TIMER comes through the message queue,
// and the desktop never queues a second one for a timer while the first waits.
#include "platform/timer.h"

#include <map>

#include "platform/application.h"

#include <windows.h>

struct TTimer::Native {
  UINT_PTR id = 0;
};

namespace {

// The running timers by the desktop's id: its timer procedure gets nothing else.
std::map<UINT_PTR, TTimer*>& RunningTimers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}

void CALLBACK TimerFired(HWND, UINT, UINT_PTR id, DWORD) {
  const auto found = RunningTimers().find(id);
  if (found != RunningTimers().end()) {
    TTimer* timer = found->second;
    RunHandler([timer] { timer->Tick(); });
  }
}

} // namespace

TTimer::TTimer() : native_(std::make_unique<Native>()) {}

TTimer::~TTimer() {
  if (running_)
    StopNative();
}

bool TTimer::StartNative(int interval) {
  native_->id = SetTimer(nullptr, 0, UINT(interval), TimerFired);
  if (native_->id == 0)
    return false;
  RunningTimers()[native_->id] = this;
  return true;
}

void TTimer::StopNative() {
  KillTimer(nullptr, native_->id);
  RunningTimers().erase(native_->id);
  native_->id = 0;
}
