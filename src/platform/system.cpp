#include "platform/system.h"

#include <chrono>

#include "platform/backend_services.h"
#include "platform/testing.h"

namespace {

// The embedding window's size or the tests' screen: whichever was set last.
std::optional<std::pair<int, int>> screenSize;
std::optional<int> testScreenBits;
std::optional<SYSTEMTIME> testSystemTime;
std::function<void(const std::string&)> shellOpener;
bool cursorHidden = false;

} // namespace

int GetSystemMetrics(int index) {
  const std::pair<int, int> size =
      screenSize ? *screenSize : platform_backend::PrimaryScreenPixels();
  return index == SM_CXSCREEN ? size.first : size.second;
}

void SetScreenSizeOverride(std::optional<std::pair<int, int>> size) {
  screenSize = size;
}

int ScreenBitsPerPixel() {
  if (testScreenBits)
    return *testScreenBits;
  static const int atStart = platform_backend::ScreenDepth();
  return atStart;
}

void ShowCursor(bool show) {
  if (show == !cursorHidden)
    return;
  cursorHidden = !show;
  platform_backend::SetPointerHidden(cursorHidden);
}

bool CursorShown() {
  return !cursorHidden;
}

SYSTEMTIME GetSystemTime() {
  if (testSystemTime)
    return *testSystemTime;
  using namespace std::chrono;
  const auto now = system_clock::now();
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{floor<milliseconds>(now - day)};
  SYSTEMTIME st;
  st.wYear = int(date.year());
  st.wMonth = int(unsigned(date.month()));
  st.wDay = int(unsigned(date.day()));
  st.wDayOfWeek = int(weekday{day}.c_encoding());
  st.wHour = int(time.hours().count());
  st.wMinute = int(time.minutes().count());
  st.wSecond = int(time.seconds().count());
  st.wMilliseconds = int(time.subseconds().count());
  return st;
}

void ShellExecuteOpen(const std::string& address) {
  if (shellOpener) {
    shellOpener(address);
    return;
  }
  platform_backend::OpenInShell(address);
}

namespace platform_test {
void SetScreenSize(std::optional<std::pair<int, int>> size) {
  screenSize = size;
}
void SetScreenBitsPerPixel(std::optional<int> bits) {
  testScreenBits = bits;
}
void SetSystemTime(std::optional<SYSTEMTIME> time) {
  testSystemTime = time;
}
void SetShellOpener(std::function<void(const std::string&)> opener) {
  shellOpener = std::move(opener);
}
bool CursorHidden() {
  return !CursorShown();
}
} // namespace platform_test
