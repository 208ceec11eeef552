#include "platform/system.h"

#include <chrono>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/stand_ins.h"

namespace {

// The embedding window's size or the tests' screen: whichever was set last.
std::optional<std::pair<int, int>> screenSize;
bool cursorHidden = false;
std::vector<std::function<void()>> monitorWatchers;

} // namespace

PlatformStandIns& StandIns() {
  static PlatformStandIns standIns;
  return standIns;
}

int GetSystemMetrics(int index) {
  const std::pair<int, int> size =
      screenSize ? *screenSize : platform_backend::PrimaryScreenPixels();
  return index == SM_CXSCREEN ? size.first : size.second;
}

void SetScreenSizeOverride(std::optional<std::pair<int, int>> size) {
  screenSize = size;
}

int ScreenBitsPerPixel() {
  if (StandIns().screenBits)
    return *StandIns().screenBits;
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
  if (StandIns().systemTime)
    return *StandIns().systemTime;
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
  if (StandIns().shellOpener) {
    StandIns().shellOpener(address);
    return;
  }
  platform_backend::OpenInShell(address);
}

void WatchMonitors(std::function<void()> changed) {
  monitorWatchers.push_back(std::move(changed));
  if (monitorWatchers.size() == 1)
    platform_backend::WatchMonitorChanges();
}

void platform_backend::MonitorsChanged() {
  // A copy: a watcher may add another.
  const auto watchers = monitorWatchers;
  for (const auto& watcher : watchers)
    RunHandler(watcher);
}
