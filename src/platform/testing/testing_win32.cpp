// Driving windows as a user would: keys and clicks go through the queue, so the hook, key
// preview and the keyboard navigation see them as they see the user's.
#include <algorithm>
#include <array>
#include <map>

#include "platform/backend.h"
#include "platform/testing.h"
#include "platform/win32/loop_win32.h"
#include "platform/win32/paint_win32.h"
#include "platform/win32/peer.h"
#include "platform/win32/scale_win32.h"

using namespace platform::win32;

namespace {

// The keyboard as the thread sees it, with Shift and Ctrl as a key press wants them, until the
// press is over.
class ModifiersHeld {
public:
  ModifiersHeld(bool shift, bool control) {
    GetKeyboardState(saved_.data());
    std::array<BYTE, 256> state = saved_;
    const auto hold = [&state](int key, bool down) { state[std::size_t(key)] = down ? 0x80 : 0; };
    hold(VK_SHIFT, shift);
    hold(VK_LSHIFT, shift);
    hold(VK_CONTROL, control);
    hold(VK_LCONTROL, control);
    SetKeyboardState(state.data());
  }
  ModifiersHeld(const ModifiersHeld&) = delete;
  ModifiersHeld& operator=(const ModifiersHeld&) = delete;
  ~ModifiersHeld() { SetKeyboardState(saved_.data()); }

private:
  std::array<BYTE, 256> saved_{};
};

// The virtual key of a VK_ code or a printable character, and whether Shift makes the character.
std::pair<int, bool> VirtualKeyOf(int key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') || key < 0x20)
    return {key, false};
  if (key >= 'a' && key <= 'z')
    return {key - 'a' + 'A', false};
  if (key == VK_SPACE || (key >= VK_LEFT && key <= VK_DOWN))
    return {key, false};
  const SHORT scanned = VkKeyScanW(WCHAR(key));
  if (scanned == -1)
    return {key, false};
  return {LOBYTE(scanned), (HIBYTE(scanned) & 1) != 0};
}

// Work for the loop once it is idle: a thread timer's message comes only when the queue is empty.
std::map<UINT_PTR, std::function<void()>>& LaterWork() {
  static std::map<UINT_PTR, std::function<void()>> work;
  return work;
}

void CALLBACK RunLater(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  const auto found = LaterWork().find(id);
  if (found == LaterWork().end())
    return;
  const std::function<void()> work = std::move(found->second);
  LaterWork().erase(found);
  RunHandler(work);
}

bool BelongsTo(HWND hwnd, HWND form) {
  return hwnd && (hwnd == form || IsChild(form, hwnd));
}

// The control's top-left on the screen: a form's client area, any other control's window.
POINT OriginOf(const TControl& control) {
  HWND hwnd = HwndOf(control);
  if (control.ControlKind() == TControl::Kind::Form) {
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    return origin;
  }
  RECT window;
  GetWindowRect(hwnd, &window);
  return {window.left, window.top};
}

HWND DeepestChildAt(HWND hwnd, POINT screen) {
  for (;;) {
    POINT local = screen;
    ScreenToClient(hwnd, &local);
    HWND child = ChildWindowFromPointEx(hwnd, local, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!child || child == hwnd)
      return hwnd;
    hwnd = child;
  }
}

LPARAM PointParam(HWND hwnd, POINT screen) {
  ScreenToClient(hwnd, &screen);
  return MAKELPARAM(screen.x, screen.y);
}

// Hands the queue's messages and the windows' pending paints over before a look at the screen.
void Settle() {
  PumpWaiting();
}

} // namespace

namespace platform_test {

void PressKey(TForm& form, int key, bool shift, bool control) {
  HWND window = HwndOf(form);
  HWND focus = GetFocus();
  HWND target = BelongsTo(focus, window) ? focus : window;
  const auto [virtualKey, shifted] = VirtualKeyOf(key);
  ModifiersHeld held(shift || shifted, control);
  const UINT scan = MapVirtualKeyW(UINT(virtualKey), 0); // MAPVK_VK_TO_VSC
  PostMessageW(target, WM_KEYDOWN, WPARAM(virtualKey), LPARAM(1 | (scan << 16)));
  PumpWaiting();
  // The press may have moved the focus or closed the window; the release goes where the focus is.
  HWND now = GetFocus();
  HWND releaseTarget = now ? now : target;
  if (!IsWindow(releaseTarget))
    return;
  PostMessageW(releaseTarget, WM_KEYUP, WPARAM(virtualKey),
               LPARAM(1 | (scan << 16) | (1u << 30) | (1u << 31)));
  PumpWaiting();
}

void ClickAt(TControl& control, std::optional<TPoint> at) {
  HWND hwnd = HwndOf(control);
  const POINT origin = OriginOf(control);
  POINT screen = origin;
  if (at) {
    screen.x += at->X;
    screen.y += at->Y;
  } else {
    const TRect bounds = DeviceBounds(control);
    screen.x += bounds.Width / 2;
    screen.y += bounds.Height / 2;
  }
  HWND target = DeepestChildAt(hwnd, screen);
  // A disabled window takes no clicks.
  for (HWND h = target; h; h = GetParent(h)) {
    if (!IsWindowEnabled(h))
      return;
  }
  PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(target, screen));
  PumpWaiting();
  if (!IsWindow(target))
    return;
  PostMessageW(target, WM_LBUTTONUP, 0, PointParam(target, screen));
  PumpWaiting();
}

TControl* FocusedControl(TForm& form) {
  return platform_backend::FocusedControl(form);
}

TRect DeviceBounds(const TControl& control) {
  HWND hwnd = HwndOf(control);
  return control.ControlKind() == TControl::Kind::Form ? DeviceClientOf(hwnd) : DeviceRectOf(hwnd);
}

TPixels Grab(TControl& control) {
  Settle();
  HWND hwnd = HwndOf(control);
  RedrawWindow(GetAncestor(hwnd, GA_ROOT), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  const bool form = control.ControlKind() == TControl::Kind::Form;
  RECT area;
  if (form) {
    GetClientRect(hwnd, &area);
  } else {
    GetWindowRect(hwnd, &area);
    OffsetRect(&area, -area.left, -area.top);
  }
  TPixels pixels(area.right, area.bottom, TPixelFormat::pf32bit);
  if (pixels.Empty())
    return pixels;
  HDC source = form ? GetDC(hwnd) : GetWindowDC(hwnd);
  HDC memory = CreateCompatibleDC(source);
  void* bits = nullptr;
  HBITMAP bitmap = platform::win32::NewTopDownDib(memory, pixels.Width(), pixels.Height(), &bits);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, pixels.Width(), pixels.Height(), source, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* rows = static_cast<const std::uint8_t*>(bits);
  const std::size_t stride = std::size_t(pixels.Width()) * 4;
  for (int y = 0; y < pixels.Height(); ++y)
    std::copy_n(rows + std::size_t(y) * stride, stride, pixels.Row(y));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(hwnd, source);
  return pixels;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + ULONGLONG(std::max(timeoutMs, 0));
  while (!condition()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline)
      return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(std::min<ULONGLONG>(deadline - now, 10)),
                              QS_ALLINPUT);
    PumpWaiting();
  }
  return true;
}

void Later(std::function<void()> work, int delayMs) {
  const UINT_PTR id = SetTimer(nullptr, 0, UINT(std::max(delayMs, 0)), &RunLater);
  LaterWork().emplace(id, std::move(work));
}

} // namespace platform_test
