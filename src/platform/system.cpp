#include "platform/system.h"

#include <chrono>

#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

namespace {

std::optional<std::pair<int, int>> screenSize;
std::optional<int> screenBits;
std::optional<SYSTEMTIME> systemTime;
std::function<void(const std::string&)> shellOpener;
bool cursorHidden = false;

QSize PrimaryScreenPixels() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen)
    return QSize(0, 0);
  return screen->geometry().size() * screen->devicePixelRatio();
}

} // namespace

int GetSystemMetrics(int index) {
  if (screenSize)
    return index == SM_CXSCREEN ? screenSize->first : screenSize->second;
  const QSize size = PrimaryScreenPixels();
  return index == SM_CXSCREEN ? size.width() : size.height();
}

void SetScreenSizeOverride(std::optional<std::pair<int, int>> size) {
  screenSize = size;
}

int ScreenBitsPerPixel() {
  if (screenBits)
    return *screenBits;
  static const int atStart = [] {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 24;
  }();
  return atStart;
}

void ShowCursor(bool show) {
  if (show == !cursorHidden)
    return;
  cursorHidden = !show;
  if (show)
    QGuiApplication::restoreOverrideCursor();
  else
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
}

SYSTEMTIME GetSystemTime() {
  if (systemTime)
    return *systemTime;
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
  QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(address)));
}

namespace platform_test {
void SetScreenSize(std::optional<std::pair<int, int>> size) {
  screenSize = size;
}
void SetScreenBitsPerPixel(std::optional<int> bits) {
  screenBits = bits;
}
void SetSystemTime(std::optional<SYSTEMTIME> time) {
  systemTime = time;
}
void SetShellOpener(std::function<void(const std::string&)> opener) {
  shellOpener = std::move(opener);
}
bool CursorHidden() {
  return cursorHidden;
}
} // namespace platform_test
