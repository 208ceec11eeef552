#include "platform/application.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include "platform/dialogs.h"
#include "platform/forms.h"

namespace {

unsigned ButtonMessage(Qt::MouseButton button, bool press) {
  switch (button) {
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

// The message number of an input event as the queue delivers it, 0 for anything else.
unsigned MessageOf(const QEvent* event) {
  switch (event->type()) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonDblClick:
    return ButtonMessage(static_cast<const QMouseEvent*>(event)->button(), true);
  case QEvent::MouseButtonRelease:
    return ButtonMessage(static_cast<const QMouseEvent*>(event)->button(), false);
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

} // namespace

void PrepareQtEnvironment() {
  // Window geometry is given in device pixels: the display covers the screen's pixels exactly.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
  qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
}

QtCommandLine::QtCommandLine(char* programName) : argv{programName, nullptr} {
  HoldMessagesWhileOpening(programName);
}

QuillmorQtApplication::QuillmorQtApplication(char* programName)
    : QtCommandLine(programName), QApplication(QtCommandLine::argc, QtCommandLine::argv) {
  PassOnOpeningMessages();
}

bool QuillmorQtApplication::notify(QObject* receiver, QEvent* event) {
  try {
    // Input reaches a top-level QWindow first, once per message, before any widget sees it.
    if (Application().OnMessage && Application().IsHookedWindow(receiver)) {
      if (const unsigned message = MessageOf(event)) {
        TMsg msg{receiver, message, 0, 0};
        bool handled = false;
        Application().OnMessage(msg, handled);
        if (handled)
          return true;
      }
    }
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    Application().ShowException(error);
  } catch (...) {
    Application().ShowException(std::string("Unknown error"));
  }
  return false;
}

TApplication& Application() {
  static TApplication application;
  return application;
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
    return message + ".";
  return message;
}

void TApplication::ShowException(const std::exception& error) {
  ShowException(error.what());
}

void TApplication::ShowException(const std::string& text) {
  MessageBox({ErrorBoxText(text), Title, TMsgDlgType::mtError, TMsgDlgButtons::mbOK});
}

void TApplication::AddHookedWindow(QWidget* window) {
  std::erase_if(hookedWindows_, [](const QPointer<QWidget>& w) { return w.isNull(); });
  hookedWindows_.emplace_back(window);
}

bool TApplication::IsHookedWindow(const QObject* receiver) const {
  if (!receiver->isWindowType())
    return false;
  const auto handles = [receiver](const QWidget* window) {
    return window && window->windowHandle() == receiver;
  };
  return handles(mainForm_) || std::any_of(hookedWindows_.begin(), hookedWindows_.end(),
                                           [&](const QPointer<QWidget>& w) { return handles(w); });
}

void TApplication::Adopt(std::unique_ptr<TForm> form) {
  TForm* raw = form.get();
  forms_.push_back(std::move(form));
  if (!mainForm_)
    mainForm_ = raw;
  try {
    raw->FormCreate();
  } catch (const std::exception& error) {
    ShowException(error);
  }
}

void TApplication::Run() {
  if (!mainForm_)
    return;
  mainForm_->ShowAfterCreation();
  QApplication::exec();
}

void TApplication::DestroyForms() {
  OnMessage = nullptr;
  hookedWindows_.clear();
  while (!forms_.empty())
    forms_.pop_back();
  mainForm_ = nullptr;
}
