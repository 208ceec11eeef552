// The application on the desktop: the message loop, which hands input to the hook and the form's
// keyboard handling; the hidden window that hears of posted work and of the desktop's news.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/backend.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/loop_win32.h"
#include "platform/win32/peer.h"
#include "platform/win32/text_win32.h"

namespace {

constexpr UINT kWorkPosted = WM_APP + 1;
constexpr UINT kMonitorsChanged = WM_APP + 2;
constexpr wchar_t kHostClass[] = L"QuillmorHost";

bool quitRequested = false;
int runDepth = 0;
// The host window, which hears of posted work; read from any thread.
std::atomic<HWND> hostWindow = nullptr;

// Input messages as the hook numbers them: a system key as a key, a double click as a press;
// 0 for the others.
unsigned HookMessageOf(UINT message) {
  if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP)
    return message - (WM_SYSKEYDOWN - WM_KEYDOWN);
  if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_MOUSEMOVE ||
      message == WM_MOUSEWHEEL)
    return message;
  // Each button's press, release and double click follow one another.
  if (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK)
    return (message - WM_LBUTTONDOWN) % 3 == 2 ? message - 2 : message;
  return 0;
}

// Whether a standard handle leads somewhere: a console, or the file or pipe a caller gave.
bool Leads(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

UINT consoleCodePage = 0;

void RestoreConsoleCodePage() {
  SetConsoleOutputCP(consoleCodePage);
}

// A program of the desktop's windows subsystem starts without a console: its standard output
// and error that lead nowhere go to the console it was started from, which shows UTF-8 while the
// program runs. Some desktops attach such a program to that console themselves.
void ReachStartingConsole() {
  const bool output = Leads(STD_OUTPUT_HANDLE);
  const bool errors = Leads(STD_ERROR_HANDLE);
  if (output && errors)
    return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
    return;
  if (!output)
    static_cast<void>(std::freopen("CONOUT$", "w", stdout));
  if (!errors)
    static_cast<void>(std::freopen("CONOUT$", "w", stderr));
  consoleCodePage = GetConsoleOutputCP();
  if (consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
    std::atexit(&RestoreConsoleCodePage);
}

} // namespace

struct TApplication::Host {
  HWND window = nullptr;
  ~Host() {
    hostWindow = nullptr;
    if (window)
      DestroyWindow(window);
  }
};

namespace platform::win32 {

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Guarded(hwnd, msg, wParam, lParam, nullptr, [&]() -> LRESULT {
    switch (msg) {
    case kWorkPosted:
      platform_backend::RunPostedWork();
      return 0;
    case WM_DISPLAYCHANGE:
      // Called once the desktop's news is in, not while it is being told.
      PostMessageW(hwnd, kMonitorsChanged, 0, 0);
      return 0;
    case kMonitorsChanged:
      platform_backend::MonitorsChanged();
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
  });
}

void DispatchOne(MSG& msg) {
  if (const unsigned input = HookMessageOf(msg.message)) {
    if (platform_backend::OfferToHook(FormOfWindow(msg.hwnd), input, msg.wParam, msg.lParam))
      return;
    // The hook may have destroyed the form.
    TForm* form = FormOfWindow(msg.hwnd);
    const bool system = msg.message == WM_SYSKEYDOWN;
    if (form && (msg.message == WM_KEYDOWN || system) &&
        AskHandler(
            [&] { return form->HandleKey(int(msg.wParam), GetKeyState(VK_SHIFT) < 0, system); },
            false))
      return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool PumpWaiting() {
  MSG msg;
  while (!quitRequested && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      NoteQuit();
      return false;
    }
    DispatchOne(msg);
  }
  return !quitRequested;
}

bool QuitRequested() {
  return quitRequested;
}

void NoteQuit() {
  if (runDepth > 0)
    quitRequested = true;
}

} // namespace platform::win32

using namespace platform::win32;

TApplication::TApplication() = default;

TApplication::~TApplication() {
  // Finalize was not called: the process is ending among the static objects, where the windows'
  // owners may be gone already; the system takes back what the host holds.
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
  WNDCLASSEXW hostClass{};
  hostClass.cbSize = sizeof hostClass;
  hostClass.lpfnWndProc = &HostProc;
  hostClass.hInstance = GetModuleHandleW(nullptr);
  hostClass.lpszClassName = kHostClass;
  RegisterClassExW(&hostClass);
  RegisterWindowClasses();
  // A top-level window, never shown: message-only windows miss the desktop's broadcasts.
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kHostClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) {
    std::fprintf(stderr, "%s: cannot open the display\n",
                 std::filesystem::path(programName).filename().string().c_str());
    std::fflush(stderr);
    std::_Exit(kNoDisplayExitCode);
  }
  host_ = std::make_unique<Host>();
  host_->window = window;
  hostWindow = window;
  // Work posted before there was a window to hear of it.
  PostMessageW(window, kWorkPosted, 0, 0);
}

bool TApplication::InitializeForCommandLine(const char* programName) {
  ReachStartingConsole();
  // The desktop is always there on Windows.
  Initialize(programName);
  return true;
}

TApplication::Host& TApplication::TheHost() {
  if (!host_)
    Initialize("quillmor");
  return *host_;
}

void TApplication::RunMessageLoop() {
  ++runDepth;
  quitRequested = false;
  MSG msg;
  while (!quitRequested) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0)
      break;
    DispatchOne(msg);
  }
  quitRequested = false;
  --runDepth;
}

void TApplication::Quit() {
  // As the toolkit's quit: nothing while no loop runs.
  if (runDepth == 0)
    return;
  // A wake-up, not WM_QUIT, which a later loop would still find in the queue.
  quitRequested = true;
  PostMessageW(TheHost().window, WM_NULL, 0, 0);
}

void TApplication::ProcessMessages() {
  PumpWaiting();
}

void platform_backend::WakeForPostedWork() {
  if (HWND window = hostWindow)
    PostMessageW(window, kWorkPosted, 0, 0);
}

void platform_backend::WatchMonitorChanges() {
  // The host window hears of them from the start.
}
