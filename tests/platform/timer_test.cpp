#include "platform/timer.h"

#include <gtest/gtest.h>

#include "platform/testing.h"

namespace {

struct RefusedTimers {
  RefusedTimers() { platform_test::SetRefuseTimers(true); }
  ~RefusedTimers() { platform_test::SetRefuseTimers(false); }
};

} // namespace

TEST(Timer, RunsOnlyWhenEnabledWithAnIntervalAndAHandler) {
  TTimer timer;
  timer.SetEnabled(true);
  EXPECT_FALSE(timer.Running()) << "no handler yet";
  timer.OnTimer = [] {};
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Running());
  timer.SetInterval(20);
  EXPECT_TRUE(timer.Running());
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
}

TEST(Timer, ARefusedTimerRaisesAndStaysStopped) {
  TTimer timer;
  timer.OnTimer = [] {};
  timer.SetInterval(50);
  RefusedTimers refused;
  try {
    timer.SetEnabled(true);
    FAIL() << "nothing raised";
  } catch (const EOutOfResources& error) {
    EXPECT_STREQ(error.what(), "Not enough timers available");
  }
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(timer.Running());
  // A running timer that is restarted while timers are refused stops too.
  platform_test::SetRefuseTimers(false);
  timer.SetInterval(60);
  ASSERT_TRUE(timer.Running());
  platform_test::SetRefuseTimers(true);
  EXPECT_THROW(timer.SetInterval(70), EOutOfResources);
  EXPECT_FALSE(timer.Running());
}

TEST(Timer, ATickInsideATickIsSwallowed) {
  TTimer timer;
  int ticks = 0;
  timer.OnTimer = [&] {
    ++ticks;
    timer.Tick();
  };
  timer.Tick();
  EXPECT_EQ(ticks, 1);
  timer.Tick();
  EXPECT_EQ(ticks, 2) << "the guard is released after the tick";
}

TEST(Timer, ATickThatRaisesStillReleasesTheGuard) {
  TTimer timer;
  int ticks = 0;
  timer.OnTimer = [&] {
    if (++ticks == 1)
      throw std::runtime_error("first");
  };
  EXPECT_THROW(timer.Tick(), std::runtime_error);
  timer.Tick();
  EXPECT_EQ(ticks, 2);
}

TEST(Timer, TicksArriveThroughTheEventQueueUntilDisabled) {
  TTimer timer;
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetInterval(5);
  timer.SetEnabled(true);
  EXPECT_EQ(ticks, 0) << "never inside the call that starts it";
  ASSERT_TRUE(platform_test::WaitUntil([&] { return ticks >= 3; }));
  timer.SetEnabled(false);
  const int stoppedAt = ticks;
  bool later = false;
  platform_test::Later([&] { later = true; }, 30);
  ASSERT_TRUE(platform_test::WaitUntil([&] { return later; }));
  EXPECT_EQ(ticks, stoppedAt);
}
