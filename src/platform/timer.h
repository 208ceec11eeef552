// A message-based periodic timer: ticks arrive through the event queue, never pile up, and a new
// interval restarts the period at once.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>

class EOutOfResources : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TTimer {
public:
  TTimer();
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  bool Enabled() const { return enabled_; }
  int Interval() const { return interval_; } // ms
  // Both restart the platform timer; a refused timer raises "Not enough timers available".
  void SetEnabled(bool enabled);
  void SetInterval(int interval);

  std::function<void()> OnTimer;

  // Whether the platform timer is running now (enabled, with an interval and a handler).
  bool Running() const { return running_; }
  // Runs one tick as the queue would deliver it; tests drive the timer through it.
  void Tick();

private:
  // The platform's timer, which each backend defines: it calls Tick when one falls due.
  struct Native;

  void UpdateTimer();
  // Starts the platform timer at the interval; false when the platform refuses one.
  bool StartNative(int interval);
  void StopNative();

  bool enabled_ = false;
  int interval_ = 1000;
  bool running_ = false;
  bool inTick_ = false;
  std::unique_ptr<Native> native_;
};
