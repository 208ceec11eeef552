// The application on the desktop: the message loop with its hook, key preview and keyboard
// navigation; work posted from other threads; the hidden window that hears the desktop's news.
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/win32/monitors_win32.h"
#include "platform/win32/peer.h"
#include "platform/win32/text_win32.h"

namespace {

constexpr UINT kWorkPosted = WM_APP + 1;
constexpr UINT kMonitorsChanged = WM_APP + 2;
constexpr wchar_t kHostClass[] = L"QuillmorHost";

bool quitRequested = false;
int runDepth = 0;

// Work handed over from other threads, run on the loop's thread.
struct WorkQueue {
  std::mutex mutex;
  std::deque<std::function<void()>> work;
  HWND window = nullptr;
};

WorkQueue& Work() {
  static WorkQueue queue;
  return queue;
}

void RunPostedWork() {
  for (;;) {
    std::function<void()> next;
    {
      std::lock_guard lock(Work().mutex);
      if (Work().work.empty())
        return;
      next = std::move(Work().work.front());
      Work().work.pop_front();
    }
    RunHandler(next);
  }
}

// Input messages as the hook numbers them; 0 for the others.
unsigned HookMessageOf(UINT message) {
  switch (message) {
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
    return WM_KEYDOWN;
  case WM_KEYUP:
  case WM_SYSKEYUP:
    return WM_KEYUP;
  case WM_MOUSEMOVE:
    return WM_MOUSEMOVE;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
    return WM_LBUTTONDOWN;
  case WM_LBUTTONUP:
    return WM_LBUTTONUP;
  case WM_RBUTTONDOWN:
  case WM_RBUTTONDBLCLK:
    return WM_RBUTTONDOWN;
  case WM_RBUTTONUP:
    return WM_RBUTTONUP;
  case WM_MBUTTONDOWN:
  case WM_MBUTTONDBLCLK:
    return WM_MBUTTONDOWN;
  case WM_MBUTTONUP:
    return WM_MBUTTONUP;
  case WM_MOUSEWHEEL:
    return WM_MOUSEWHEEL;
  default:
    return 0;
  }
}

} // namespace

struct TApplication::Host {
  HWND window = nullptr;
  std::map<UINT_PTR, std::function<void()>> later;
  UINT_PTR nextTimer = 1;
  std::vector<std::function<void()>> monitorWatchers;
  ~Host() {
    {
      std::lock_guard lock(Work().mutex);
      Work().window = nullptr;
    }
    if (window)
      DestroyWindow(window);
  }
};

namespace platform::win32 {

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    switch (msg) {
    case kWorkPosted:
      RunPostedWork();
      return 0;
    case WM_TIMER: {
      KillTimer(hwnd, wParam);
      auto& later = Application().TheHost().later;
      auto found = later.find(wParam);
      if (found == later.end())
        return 0;
      std::function<void()> work = std::move(found->second);
      later.erase(found);
      RunHandler(work);
      return 0;
    }
    case WM_DISPLAYCHANGE:
      // Called once the desktop's news is in, not while it is being told.
      PostMessageW(hwnd, kMonitorsChanged, 0, 0);
      return 0;
    case kMonitorsChanged:
      MonitorsChanged();
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
  } catch (...) {
    return 0;
  }
}

void DispatchOne(MSG& msg) {
  if (const unsigned input = HookMessageOf(msg.message)) {
    TForm* form = FormOfWindow(msg.hwnd);
    if (form && Application().OnMessage && Application().IsHookedWindow(form)) {
      TMsg hooked{form, input, msg.wParam, msg.lParam};
      bool handled = false;
      RunHandler([&] { Application().OnMessage(hooked, handled); });
      if (handled)
        return;
    }
    // The hook may have destroyed the form.
    form = FormOfWindow(msg.hwnd);
    if (form) {
      bool handled = false;
      RunHandler([&] { handled = HandleFormKey(*form, msg); });
      if (handled)
        return;
    }
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

void AddLater(std::function<void()> work, int delayMs) {
  TApplication::Host& host = Application().TheHost();
  const UINT_PTR id = host.nextTimer++;
  host.later.emplace(id, std::move(work));
  SetTimer(host.window, id, UINT(std::max(delayMs, 0)), nullptr);
}

void AddMonitorWatcher(std::function<void()> changed) {
  Application().TheHost().monitorWatchers.push_back(std::move(changed));
}

void MonitorsChanged() {
  // A copy: a watcher may add another.
  const auto watchers = Application().TheHost().monitorWatchers;
  for (const auto& watcher : watchers)
    RunHandler(watcher);
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
  std::lock_guard lock(Work().mutex);
  Work().window = window;
  if (!Work().work.empty())
    PostMessageW(window, kWorkPosted, 0, 0);
}

bool TApplication::Initialized() const {
  return host_ != nullptr;
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

void PostToMainThread(std::function<void()> work) {
  std::lock_guard lock(Work().mutex);
  Work().work.push_back(std::move(work));
  if (Work().window)
    PostMessageW(Work().window, kWorkPosted, 0, 0);
}
