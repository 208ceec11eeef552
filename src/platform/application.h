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

// The Qt application whose notify() turns an escaping exception into the general error box and
// hands every input message to the hook before it is dispatched.
class QuillmorQtApplication : public QApplication {
public:
  QuillmorQtApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Prepares the host before the Qt application exists: window geometry in device pixels.
void PrepareQtEnvironment();

class TApplication {
public:
  using MessageHook = std::function<void(TMsg& msg, bool& handled)>;

  // Title shown by the desktop and used as the caption of the general error box.
  std::string Title;
  // The hook that sees every message taken from the queue; empty when none is installed.
  MessageHook OnMessage;

  TForm* MainForm() const { return mainForm_; }

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
  void Terminate();
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
};

TApplication& Application();

// The text of the general error box for an error's message.
std::string ErrorBoxText(const std::string& message);
