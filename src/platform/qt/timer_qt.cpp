// The platform timer over Qt's precise timers, delivered through the event queue.
#include <QObject>
#include <QTimerEvent>

#include "platform/application.h"
#include "platform/timer.h"

struct TTimer::Native : QObject {
  explicit Native(TTimer& owner) : owner(owner) {}

  void timerEvent(QTimerEvent* event) override {
    if (event->timerId() == id)
      RunHandler([this] { owner.Tick(); });
  }

  TTimer& owner;
  int id = 0;
};

TTimer::TTimer() : native_(std::make_unique<Native>(*this)) {}

TTimer::~TTimer() {
  if (running_)
    StopNative();
}

bool TTimer::StartNative(int interval) {
  native_->id = native_->startTimer(interval, Qt::PreciseTimer);
  return native_->id != 0;
}

void TTimer::StopNative() {
  native_->killTimer(native_->id);
  native_->id = 0;
}
