#include "platform/system.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/testing.h"

TEST(System, TheScreenSizeFollowsTheOverrideAndThePrimaryMonitorTakesIt) {
  const TRect real = PrimaryMonitorRect();
  EXPECT_EQ(real.Width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(real.Height, GetSystemMetrics(SM_CYSCREEN));

  SetScreenSizeOverride(std::pair{320, 200});
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 320);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 200);
  const TRect overridden = PrimaryMonitorRect();
  EXPECT_EQ(overridden, (TRect{real.Left, real.Top, 320, 200}));
  SetScreenSizeOverride(std::nullopt);
  EXPECT_EQ(PrimaryMonitorRect(), real);
}

TEST(System, ThePrimaryMonitorIsAmongTheMonitors) {
  const TRect primary = PrimaryMonitorRect();
  bool found = false;
  for (const TRect& monitor : MonitorRects())
    found |= monitor.Contains({primary.Left, primary.Top});
  EXPECT_TRUE(found);
}

TEST(System, ThePointerHidesAndShowsOnce) {
  ShowCursor(false);
  ShowCursor(false);
  EXPECT_TRUE(platform_test::CursorHidden());
  ShowCursor(true);
  EXPECT_FALSE(platform_test::CursorHidden());
  ShowCursor(true);
  EXPECT_FALSE(platform_test::CursorHidden());
}

TEST(System, TheSystemTimeIsUtcNow) {
  using namespace std::chrono;
  const auto before = floor<seconds>(system_clock::now());
  const SYSTEMTIME now = GetSystemTime();
  const auto after = system_clock::now();
  const sys_days day = year_month_day{year(now.wYear), month(unsigned(now.wMonth)),
                                      std::chrono::day(unsigned(now.wDay))};
  const auto read = day + hours(now.wHour) + minutes(now.wMinute) + seconds(now.wSecond) +
                    milliseconds(now.wMilliseconds);
  EXPECT_GE(read, before);
  EXPECT_LE(read, after);
  EXPECT_EQ(now.wDayOfWeek, int(weekday(day).c_encoding()));

  SYSTEMTIME fixed;
  fixed.wYear = 1999;
  platform_test::SetSystemTime(fixed);
  EXPECT_EQ(GetSystemTime().wYear, 1999);
  platform_test::SetSystemTime(std::nullopt);
  EXPECT_NE(GetSystemTime().wYear, 1999);
}

TEST(System, TheShellOpensWhatItIsGiven) {
  std::string opened;
  platform_test::SetShellOpener([&](const std::string& address) { opened = address; });
  ShellExecuteOpen("http://example.invalid/a b");
  platform_test::SetShellOpener({});
  EXPECT_EQ(opened, "http://example.invalid/a b");
}
