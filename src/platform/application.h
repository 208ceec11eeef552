// The application object: title, main window, message loop and its hook, and the general error
// box for any exception that escapes a handler.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TForm;

// One input message as the hook sees it, numbered like the desktop's window messages.
struct TMsg {
  TForm* hwnd = nullptr;
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

// The exit status when the desktop cannot be reached at all.
constexpr int kNoDisplayExitCode = 1;

class TApplication {
public:
  using MessageHook = std::function<void(TMsg& msg, bool& handled)>;

  TApplication();
  ~TApplication();

  // Connects to the desktop. When it cannot be reached the process ends here with one line on
  // stderr ("<program>: cannot open the display") and kNoDisplayExitCode. No argument of the
  // program's reaches the toolkit.
  void Initialize(const char* programName);
  // For a program whose command line works without a desktop as well: connects to the desktop
  // when there is one and goes on without one when there is none (its windows are then never
  // seen and the screen is not measured). Its standard output and error reach the console it was
  // started from. True when a desktop was reached.
  bool InitializeForCommandLine(const char* programName);

  // Title shown by the desktop and used as the caption of the general error box.
  std::string Title;
  // The hook that sees every input message taken from the queue for the hooked windows; empty
  // when none is installed.
  MessageHook OnMessage;

  TForm* MainForm() const { return mainForm_; }

  // The hooked windows are the main form and the windows it owns, registered here (covers of
  // other screens, say). Message boxes and other windows are not hooked: their input is theirs
  // alone. A window leaves the set when it is destroyed.
  void AddHookedWindow(TForm* window);
  void RemoveHookedWindow(TForm* window);
  bool IsHookedWindow(const TForm* window) const;

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
  // Ends the message loop that Run started.
  void Quit();
  // Handles the messages waiting in the queue, then returns.
  void ProcessMessages();
  // The general error box: the text, a full stop when the text's last character sorts after
  // one, the title as caption, a stop icon and one OK button.
  void ShowException(const std::exception& error);
  void ShowException(const std::string& text);
  // Destroys the forms, last created first.
  void DestroyForms();
  // Destroys the forms and lets go of the desktop, before the program ends: the toolkit must not
  // be torn down among the static objects after main returns.
  void Finalize();

  // Where a backend keeps its connection to the desktop; each backend defines it.
  struct Host;
  Host& TheHost();

private:
  void Adopt(std::unique_ptr<TForm> form);
  void RunMessageLoop();

  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  std::vector<TForm*> hookedWindows_;
  std::unique_ptr<Host> host_;
};

TApplication& Application();

// The text of the general error box for an error's message.
std::string ErrorBoxText(const std::string& message);

// Runs a handler the way the desktop's message loop runs every handler: an exception that escapes
// it is shown in the general error box, and the loop goes on. Backends call every handler a window
// connects through this.
void RunHandler(const std::function<void()>& handler) noexcept;
// The same for a handler that may not be set.
void RunHandlerIfSet(const std::function<void()>& handler) noexcept;
// The same for a handler that answers yes or no; when it fails the answer is fallback.
bool AskHandler(const std::function<bool()>& handler, bool fallback) noexcept;

// The program's arguments after its name, as UTF-8 text: on Windows from the desktop's own wide
// command line, whatever code page its narrow one is in.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Runs work on the message loop's thread soon after, from any thread.
void PostToMainThread(std::function<void()> work);
