// The monitors as the API names them: this side includes system.h, not windows.h.
#include "platform/win32/monitors_win32.h"

#include "platform/system.h"

std::pair<int, int> platform::win32::LayoutScreenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The desktop puts the primary monitor's top-left corner at the origin.
TRect PrimaryMonitorRect() {
  return TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::vector<TRect> MonitorRects() {
  return platform::win32::DesktopMonitors();
}
