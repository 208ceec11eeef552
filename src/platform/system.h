// Small services of the desktop: screen size and depth, the pointer, the clock, the shell.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// The primary screen's width or height in device pixels.
int GetSystemMetrics(int index);
// Makes the display lay itself out for another area than the screen (a window it is embedded
// in); nullopt restores the screen's own size.
void SetScreenSizeOverride(std::optional<std::pair<int, int>> size);
// Bits per pixel of the screen, taken once and kept: what the screen had at program start.
int ScreenBitsPerPixel();

// The primary monitor's area on the desktop; its size is SM_CXSCREEN x SM_CYSCREEN unless
// overridden.
TRect PrimaryMonitorRect();
// Every monitor's area on the desktop, the primary one included.
std::vector<TRect> MonitorRects();
// Calls changed after monitors come, go or change size or place, once the desktop's news is in;
// for as long as the program runs.
void WatchMonitors(std::function<void()> changed);

// Hides the pointer (false) until the process ends, or shows it again (true).
void ShowCursor(bool show);
// Whether the pointer is shown: true until ShowCursor(false).
bool CursorShown();

struct SYSTEMTIME {
  int wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0;
  int wHour = 0, wMinute = 0, wSecond = 0, wMilliseconds = 0;
};
// The current time in UTC.
SYSTEMTIME GetSystemTime();

// Hands an address to the desktop's "open"; the result is ignored.
void ShellExecuteOpen(const std::string& address);
