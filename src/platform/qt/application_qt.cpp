// The application in Qt: the connection to the display, the message loop, and the hook that sees
// the display's input before any widget does.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/forms.h"
#include "platform/qt/forms_qt.h"
#include "platform/qt/peer.h"

namespace {

// The message number of an input event as the queue delivers it, 0 for anything else.
unsigned MessageOf(const QEvent* event) {
  switch (event->type()) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonDblClick:
  case QEvent::MouseButtonRelease: {
    const bool press = event->type() != QEvent::MouseButtonRelease;
    switch (static_cast<const QMouseEvent*>(event)->button()) {
    case Qt::LeftButton:
      return press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case Qt::RightButton:
      return press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case Qt::MiddleButton:
      return press ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    default:
      return 0;
    }
  }
  case QEvent::MouseMove:
    return WM_MOUSEMOVE;
  case QEvent::Wheel:
    return WM_MOUSEWHEEL;
  case QEvent::KeyPress:
    return WM_KEYDOWN;
  case QEvent::KeyRelease:
    return WM_KEYUP;
  default:
    return 0;
  }
}

// Qt's messages while it opens the display: a display that cannot be opened ends the process with
// one line of ours instead of Qt's own lines and abort; once it is open they are passed on.
struct OpeningMessages {
  std::string program;
  QtMessageHandler previous = nullptr;
  std::vector<std::pair<QtMsgType, QString>> held;
};

OpeningMessages& Opening() {
  static OpeningMessages opening;
  return opening;
}

// True when Qt's messages say that the display server was not reached, rather than that Qt
// itself is broken (a missing platform plugin, say), whose own words are then worth keeping.
bool DisplayNotReached(const std::vector<std::pair<QtMsgType, QString>>& messages) {
  return std::any_of(messages.begin(), messages.end(), [](const auto& message) {
    return message.second.contains(QStringLiteral("connect to display"));
  });
}

void HoldOpeningMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  Opening().held.emplace_back(type, text);
  if (type != QtFatalMsg)
    return;
  if (!DisplayNotReached(Opening().held)) {
    for (const auto& message : Opening().held)
      std::fprintf(stderr, "%s\n", message.second.toLocal8Bit().constData());
  }
  std::fprintf(stderr, "%s: cannot open the display\n", Opening().program.c_str());
  std::_Exit(kNoDisplayExitCode);
}

void HoldMessagesWhileOpening(const char* programName) {
  Opening().program = std::filesystem::path(programName).filename().string();
  Opening().previous = qInstallMessageHandler(HoldOpeningMessage);
}

void PassOnOpeningMessages() {
  qInstallMessageHandler(Opening().previous);
  for (const auto& [type, text] : std::exchange(Opening().held, {}))
    qt_message_output(type, QMessageLogContext(), text);
}

void PrepareQtEnvironment() {
  // Window geometry is given in device pixels: the display covers the screen's pixels exactly, and
  // the other windows are scaled by the platform's own rule.
  platform::qt::NoteDesktopScale();
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
  qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
}

// The form whose top-level window receiver is; null for any other receiver.
TForm* WindowFormOf(const QObject* receiver) {
  if (!receiver->isWindowType())
    return nullptr;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->windowHandle() != receiver)
      continue;
    auto* form = dynamic_cast<platform::qt::FormWidget*>(window);
    return form ? &form->Form() : nullptr;
  }
  return nullptr;
}

// The form a key for receiver, a widget in it, is pressed in; null for any other receiver.
TForm* KeyFormOf(QObject* receiver) {
  auto* widget = qobject_cast<QWidget*>(receiver);
  auto* form = widget ? dynamic_cast<platform::qt::FormWidget*>(widget->window()) : nullptr;
  return form ? &form->Form() : nullptr;
}

// What QApplication's construction needs first: the command line it sees, which is the program's
// name alone so that no argument of ours (such as "-reverse" or "-display") changes how Qt starts;
// and Qt's messages held back until the display is open. A base, so that it outlives
// QApplication, which keeps references to the command line.
struct QtCommandLine {
  explicit QtCommandLine(const char* programName) : program(programName) {
    HoldMessagesWhileOpening(programName);
  }
  std::string program;
  int argc = 1;
  char* argv[2] = {program.data(), nullptr};
};

// The Qt application whose notify() turns an escaping exception into the general error box and
// hands every input message of the hooked windows to the hook before it is dispatched.
class QuillmorQtApplication : private QtCommandLine, public QApplication {
public:
  explicit QuillmorQtApplication(const char* programName)
      : QtCommandLine(programName), QApplication(QtCommandLine::argc, QtCommandLine::argv) {
    PassOnOpeningMessages();
  }
  bool notify(QObject* receiver, QEvent* event) override;
};

bool QuillmorQtApplication::notify(QObject* receiver, QEvent* event) {
  bool result = false;
  RunHandler([&] {
    // Input reaches a top-level QWindow first, once per message, before any widget sees it.
    if (const unsigned message = MessageOf(event);
        message && platform_backend::OfferToHook(WindowFormOf(receiver), message)) {
      result = true;
      return;
    }
    if (event->type() == QEvent::KeyPress) {
      if (TForm* form = KeyFormOf(receiver)) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        result =
            form->HandleKey(platform::qt::VirtualKeyOf(key), key.modifiers() & Qt::ShiftModifier,
                            key.modifiers() & Qt::AltModifier);
        if (result)
          return;
      }
    }
    result = QApplication::notify(receiver, event);
  });
  return result;
}

} // namespace

struct TApplication::Host {
  explicit Host(const char* programName) : application(programName) {}
  QuillmorQtApplication application;
};

TApplication::TApplication() = default;

TApplication::~TApplication() {
  // Finalize was not called: the process is ending among the static objects, where Qt's own may be
  // gone already; the system takes back what the connection holds.
  if (host_)
    (void)host_.release();
}

void TApplication::Finalize() {
  DestroyForms();
  host_.reset();
}

void TApplication::Initialize(const char* programName) {
  if (host_)
    return;
  PrepareQtEnvironment();
  host_ = std::make_unique<Host>(programName);
  platform::qt::InstallScaledStyle();
  if (!Title.empty())
    QApplication::setApplicationName(QString::fromStdString(Title));
  // Work posted before there was an application to hear of it.
  platform_backend::WakeForPostedWork();
}

bool TApplication::InitializeForCommandLine(const char* programName) {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  const auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
  if (!set("DISPLAY") && !set("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  else
    qputenv("QT_QPA_PLATFORM", QByteArray(chosen && *chosen ? chosen : "xcb") + ";offscreen");
  Initialize(programName);
  return QGuiApplication::platformName() != "offscreen";
}

TApplication::Host& TApplication::TheHost() {
  return *host_;
}

void TApplication::RunMessageLoop() {
  QApplication::exec();
}

void TApplication::Quit() {
  QCoreApplication::quit();
}

void TApplication::ProcessMessages() {
  QCoreApplication::processEvents();
}

void platform_backend::WakeForPostedWork() {
  if (!QCoreApplication::instance())
    return;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [] { platform_backend::RunPostedWork(); },
      Qt::QueuedConnection);
}
