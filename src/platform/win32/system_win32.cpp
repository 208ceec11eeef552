// The desktop's screens, pointer and shell.
#include <vector>

#include "platform/backend.h"
#include "platform/win32/monitors_win32.h"
#include "platform/win32/text_win32.h"

namespace {

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT area, LPARAM list) {
  reinterpret_cast<std::vector<TRect>*>(list)->push_back(
      {area->left, area->top, area->right - area->left, area->bottom - area->top});
  return TRUE;
}

} // namespace

std::pair<int, int> platform_backend::PrimaryScreenPixels() {
  return {::GetSystemMetrics(SM_CXSCREEN_WIN32), ::GetSystemMetrics(SM_CYSCREEN_WIN32)};
}

int platform_backend::ScreenDepth() {
  HDC screen = GetDC(nullptr);
  const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  return bits;
}

void platform_backend::SetPointerHidden(bool hidden) {
  ::ShowCursor(hidden ? FALSE : TRUE);
}

void platform_backend::OpenInShell(const std::string& address) {
  ShellExecuteW(nullptr, L"open", platform::win32::Wide(address).c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
}

std::vector<TRect> platform::win32::DesktopMonitors() {
  std::vector<TRect> monitors;
  EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}
