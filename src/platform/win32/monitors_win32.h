// What the backend's windows.h side and the API's system.h side tell each other (the two cannot
// share a file: both declare GetSystemMetrics).
#pragma once

#include <utility>
#include <vector>

#include "platform/types.h"

namespace platform::win32 {

// The screen size the windows lay themselves out for: GetSystemMetrics as the API answers it.
std::pair<int, int> LayoutScreenSize();
// Every monitor's area on the desktop.
std::vector<TRect> DesktopMonitors();

} // namespace platform::win32
