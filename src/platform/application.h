// The application object: title, main window, message loop and its hook, and the general error
// box for any exception that escapes a handler.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QPointer>
#include <QWidget>

class QObject;
class QEvent;
class TForm;

// One input message as the hook sees it, numbered like the desktop's window messages.
struct TMsg {
  QObject* hwnd = nullptr;
  unsigned message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_MOUSEMOVE = 0x0200;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_MBUTTONDOWN = 0x0207;
constexpr unsigned WM_MBUTTONUP = 0x0208;
constexpr unsigned WM_MOUSEWHEEL = 0x020A;

// What QApplication's construction needs first: the command line it sees, which is the program's
// name alone so that no argument of ours (such as "-reverse" or "-display") changes how Qt starts;
// and Qt's messages held back until the display is open. A base, so that it outlives
// QApplication, which keeps references to the command line.
struct QtCommandLine {
  explicit QtCommandLine(char* programName);
  int argc = 1;
  char* argv[2];
};

// The Qt application whose notify() turns an escaping exception into the general error box and
// hands every input message of the hooked windows to the hook before it is dispatched.
//
// When the display cannot be opened, the process ends during construction with one line on
// stderr ("<program>: cannot open the display") and kNoDisplayExitCode, instead of Qt's abort.
class QuillmorQtApplication : private QtCommandLine, public QApplication {
public:
  explicit QuillmorQtApplication(char* programName);
  bool notify(QObject* receiver, QEvent* event) override;
};

constexpr int kNoDisplayExitCode = 1;

// Prepares the host before the Qt application exists: window geometry in device pixels.
void PrepareQtEnvironment();

class TApplication {
public:
  using MessageHook = std::function<void(TMsg& msg, bool& handled)>;

  // Title shown by the desktop and used as the caption of the general error box.
  std::string Title;
  // The hook that sees every input message taken from the queue for the hooked windows; empty
  // when none is installed.
  MessageHook OnMessage;

  TForm* MainForm() const { return mainForm_; }

  // The hooked windows are the main form and the top-level windows it owns, registered here
  // (covers of other screens, say). Message boxes and other top-level windows are not hooked:
  // their input is theirs alone. A window leaves the set when it is destroyed.
  void AddHookedWindow(QWidget* window);
  bool IsHookedWindow(const QObject* receiver) const;

  // Constructs a form, runs its creation handler (an error there goes to the general error box
  // and stops the handler at that point), and keeps it until the application ends.
  template <class Form> Form* CreateForm() {
    auto form = std::make_unique<Form>();
    Form* raw = form.get();
    Adopt(std::move(form));
    return raw;
  }

  // Shows the main form and runs the message loop until the main form closes.
  void Run();
  // The general error box: the text, a full stop when the text's last character sorts after
  // one, the title as caption, a stop icon and one OK button.
  void ShowException(const std::exception& error);
  void ShowException(const std::string& text);
  // Destroys the forms, last created first.
  void DestroyForms();

private:
  void Adopt(std::unique_ptr<TForm> form);

  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  std::vector<QPointer<QWidget>> hookedWindows_;
};

TApplication& Application();

// The text of the general error box for an error's message.
std::string ErrorBoxText(const std::string& message);
