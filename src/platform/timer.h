// A message-based periodic timer: ticks arrive through the event queue, never pile up, and a new
// interval restarts the period at once.
#pragma once

#include <functional>
#include <stdexcept>

#include <QObject>

class EOutOfResources : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TTimer : public QObject {
  Q_OBJECT
public:
  explicit TTimer(QObject* parent = nullptr);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  int Interval() const { return interval_; } // ms
  // Both restart the platform timer; a refused timer raises "Not enough timers available".
  void SetEnabled(bool enabled);
  void SetInterval(int interval);

  std::function<void()> OnTimer;

  // Whether the platform timer is running now (enabled, with an interval and a handler).
  bool Running() const { return timerId_ != 0; }
  // Runs one tick as the queue would deliver it; tests drive the timer through it.
  void Tick();

  // Tests make the platform refuse every new timer while set.
  static void SetRefuseTimers(bool refuse);

protected:
  void timerEvent(QTimerEvent* event) override;

private:
  void UpdateTimer();

  bool enabled_ = false;
  int interval_ = 1000;
  int timerId_ = 0;
  bool inTick_ = false;
};
