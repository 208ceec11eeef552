// The desktop's screens, pointer and shell through Qt.
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QObject>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/system.h"

namespace {

TRect RectOf(const QRect& rect) {
  return TRect{rect.x(), rect.y(), rect.width(), rect.height()};
}

} // namespace

std::pair<int, int> platform_backend::PrimaryScreenPixels() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen)
    return {0, 0};
  const QSize size = screen->geometry().size() * screen->devicePixelRatio();
  return {size.width(), size.height()};
}

int platform_backend::ScreenDepth() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->depth() : 24;
}

void platform_backend::SetPointerHidden(bool hidden) {
  if (hidden)
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
  else
    QGuiApplication::restoreOverrideCursor();
}

void platform_backend::OpenInShell(const std::string& address) {
  QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(address)));
}

TRect PrimaryMonitorRect() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QPoint topLeft = screen ? screen->geometry().topLeft() : QPoint(0, 0);
  return TRect{topLeft.x(), topLeft.y(), GetSystemMetrics(SM_CXSCREEN),
               GetSystemMetrics(SM_CYSCREEN)};
}

std::vector<TRect> MonitorRects() {
  std::vector<TRect> monitors;
  for (const QScreen* screen : QGuiApplication::screens())
    monitors.push_back(RectOf(screen->geometry()));
  return monitors;
}

void platform_backend::WatchMonitorChanges() {
  // Owned by the application, so it lasts as long as the program runs.
  auto* later = new QTimer(QCoreApplication::instance());
  later->setSingleShot(true);
  QObject::connect(later, &QTimer::timeout, later, [] { platform_backend::MonitorsChanged(); });
  // A monitor that goes away is still listed while it is announced: call once the news is in.
  const auto lookLater = [later] { later->start(0); };
  const auto watch = [later, lookLater](QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, later, lookLater);
  };
  for (QScreen* screen : QGuiApplication::screens())
    watch(screen);
  auto* app = qGuiApp;
  QObject::connect(app, &QGuiApplication::screenAdded, later, [watch, lookLater](QScreen* screen) {
    watch(screen);
    lookLater();
  });
  QObject::connect(app, &QGuiApplication::screenRemoved, later, lookLater);
  QObject::connect(app, &QGuiApplication::primaryScreenChanged, later, lookLater);
}
