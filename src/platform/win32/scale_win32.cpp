#include "platform/win32/scale_win32.h"

#include "platform/controls.h"

namespace platform::win32 {

namespace {

// A function of user32 that older desktops lack; null there.
template <class Function> Function User32(const char* name) {
  // Through void (*)(), which converts to every function type without a warning.
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

using DpiForWindow = UINT(WINAPI*)(HWND);
using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

constexpr int kStandardDpi = 96; // 100 %

} // namespace

int DpiOf(HWND hwnd) {
  static const auto forWindow = User32<DpiForWindow>("GetDpiForWindow");
  if (forWindow && hwnd) {
    if (const UINT dpi = forWindow(hwnd); dpi > 0)
      return int(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen)
    ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kStandardDpi;
}

void AddFrame(HWND hwnd, RECT& rect, DWORD style, DWORD exStyle) {
  static const auto forDpi = User32<AdjustForDpi>("AdjustWindowRectExForDpi");
  // The desktop's own metrics are those of the system's scale, which a monitor of another scale
  // does not draw frames at.
  if (forDpi && forDpi(&rect, style, FALSE, exStyle, UINT(DpiOf(hwnd))))
    return;
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

TRect DeviceClientOf(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  return {origin.x, origin.y, client.right, client.bottom};
}

void PlaceClient(HWND hwnd, const TRect& device) {
  RECT outer{device.Left, device.Top, device.Right(), device.Bottom()};
  AddFrame(hwnd, outer, DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)),
           DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
  SetWindowPos(hwnd, nullptr, outer.left, outer.top, outer.right - outer.left,
               outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

TRect DeviceRectOf(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace platform::win32
