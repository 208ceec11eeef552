#include "hack/hack.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <xcb/xcb.h>

#include "platform/application.h"
#include "platform/identity.h"
#include "platform/qt/peer.h"
#include "platform/system.h"
#include "program.h"
#include "usave1.h"

namespace {

constexpr char kUsage[] =
    "Usage: quillmor-hack [--root | --window-id ID]\n"
    "Shows the Quillmor slideshow inside an existing X window: the one given by --window-id\n"
    "(decimal or 0x hexadecimal), else the one in $XSCREENSAVER_WINDOW, else with --root the\n"
    "root window. It runs until it is killed or the window goes away.\n";

// How often the window's size is checked: the daemon may resize or destroy it at any time, and
// the pictures follow a new size within this time.
constexpr int kWindowCheckMs = 250;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

std::optional<QSize> WindowSize(xcb_connection_t* connection, xcb_window_t window) {
  std::unique_ptr<xcb_get_geometry_reply_t, FreeDeleter> reply(
      xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
  if (!reply)
    return std::nullopt;
  return QSize(reply->width, reply->height);
}

xcb_window_t RootWindow(xcb_connection_t* connection) {
  return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

bool IsOption(const std::string& argument, const char* name) {
  return argument == std::string("--") + name || argument == std::string("-") + name;
}

// Keeps the display the size of its host window, and ends the run when the window is gone.
void FollowHostWindow(xcb_connection_t* connection, xcb_window_t window, QWidget* form) {
  auto* timer = new QTimer(form);
  QObject::connect(timer, &QTimer::timeout, form, [connection, window, form] {
    const std::optional<QSize> size = WindowSize(connection, window);
    if (!size) {
      QCoreApplication::exit(0);
      return;
    }
    if (*size != form->size()) {
      SetScreenSizeOverride(std::pair{size->width(), size->height()});
      form->setGeometry(0, 0, size->width(), size->height());
    }
  });
  timer->start(kWindowCheckMs);
}

// As X tools print window ids, and as the user most likely gave it.
std::string WindowIdText(xcb_window_t window) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", unsigned(window));
  return text;
}

int Fail(const std::string& message, int code) {
  std::fprintf(stderr, "quillmor-hack: %s\n", message.c_str());
  return code;
}

} // namespace

std::optional<std::uint32_t> ParseWindowId(std::string_view text) {
  const std::string digits(text);
  if (digits.empty() || digits.front() == '-' || digits.front() == '+')
    return std::nullopt;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(digits.c_str(), &end, 0);
  if (*end != '\0' || value == 0 || value > 0xffffffffULL)
    return std::nullopt;
  return std::uint32_t(value);
}

HackOptions ParseHackArguments(const std::vector<std::string>& arguments,
                               const char* environmentWindow) {
  HackOptions options;
  std::optional<std::uint32_t> explicitWindow;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (IsOption(argument, "root")) {
      options.root = true;
    } else if (IsOption(argument, "help") || argument == "-h") {
      options.help = true;
    } else if (IsOption(argument, "window-id") && i + 1 < arguments.size()) {
      explicitWindow = ParseWindowId(arguments[++i]);
      if (!explicitWindow)
        options.error = "not a window id: " + arguments[i];
    } else {
      options.error = "unknown argument: " + argument;
    }
  }
  if (explicitWindow)
    options.window = explicitWindow;
  else if (environmentWindow && *environmentWindow)
    options.window = ParseWindowId(environmentWindow);
  if (options.error.empty() && !options.help && !options.window && !options.root)
    options.error = "no window: give --window-id ID or --root, or set XSCREENSAVER_WINDOW";
  return options;
}

int RunHack(int argc, char** argv) {
  const HackOptions options = ParseHackArguments(std::vector<std::string>(argv + 1, argv + argc),
                                                 std::getenv("XSCREENSAVER_WINDOW"));
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!options.error.empty())
    return Fail(options.error + "\n" + kUsage, 2);

  // Qt would abort without a display; a daemon's log should get a reason and a code instead.
  xcb_connection_t* probe = xcb_connect(nullptr, nullptr);
  const bool noDisplay = xcb_connection_has_error(probe);
  xcb_disconnect(probe);
  if (noDisplay)
    return Fail("cannot open the X display", 1);

  WindowsDir = LookUpWindowsDir();
  SettingsPath = SettingsPathIn(WindowsDir);
  // The host window is an X window whatever the session's own platform is.
  qputenv("QT_QPA_PLATFORM", "xcb");
  Application().Title = kApplicationTitle;
  Application().Initialize(argv[0]);

  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11)
    return Fail("no X display", 1);
  xcb_connection_t* connection = x11->connection();
  const xcb_window_t host = options.window ? *options.window : RootWindow(connection);
  const std::optional<QSize> size = WindowSize(connection, host);
  if (!size)
    return Fail("no such window: " + WindowIdText(host), 1);

  // The display lays itself out for the screen: here the screen is the host window.
  SetScreenSizeOverride(std::pair{size->width(), size->height()});
  // Not the display window: "quillmor /c" opens beside a hack, and the probe finds only "/s".
  RegisterNoWindowIdentities();
  // Declared before the form: a window takes its children with it, so the form must go first.
  std::unique_ptr<QWindow> hostWindow(QWindow::fromWinId(host));
  QWidget* form = platform::qt::WidgetOf(*Application().CreateForm<TForm1>());
  form->winId();
  form->windowHandle()->setParent(hostWindow.get());
  form->setGeometry(0, 0, size->width(), size->height());
  form->show();
  FollowHostWindow(connection, host, form);
  QApplication::exec();
  Application().Finalize();
  return 0;
}
