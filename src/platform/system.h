// Small services of the desktop: screen size and depth, the pointer, the clock, the shell.
#pragma once

#include <functional>
#include <optional>
#include <string>

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// The primary screen's width or height in device pixels.
int GetSystemMetrics(int index);
// Makes the display lay itself out for another area than the screen (a window it is embedded
// in); nullopt restores the screen's own size.
void SetScreenSizeOverride(std::optional<std::pair<int, int>> size);
// Bits per pixel of the screen, taken once and kept: what the screen had at program start.
int ScreenBitsPerPixel();

// Hides the pointer (false) until the process ends, or shows it again (true).
void ShowCursor(bool show);

struct SYSTEMTIME {
  int wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0;
  int wHour = 0, wMinute = 0, wSecond = 0, wMilliseconds = 0;
};
// The current time in UTC.
SYSTEMTIME GetSystemTime();

// Hands an address to the desktop's "open"; the result is ignored.
void ShellExecuteOpen(const std::string& address);

// Seams through which tests set what the platform reports; nullopt or empty restores it.
namespace platform_test {
void SetScreenSize(std::optional<std::pair<int, int>> size);
void SetScreenBitsPerPixel(std::optional<int> bits);
void SetSystemTime(std::optional<SYSTEMTIME> time);
void SetShellOpener(std::function<void(const std::string&)> opener);
bool CursorHidden();
} // namespace platform_test
