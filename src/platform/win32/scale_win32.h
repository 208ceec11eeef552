// The display scale on the desktop: the dots per inch of a window's monitor, the frame the desktop
// draws at that scale, and the conversions between a window's own pixels and the device pixels
// its native windows stand in.
#pragma once

#include "platform/scale.h"
#include "platform/types.h"
#include "platform/win32/windows_api.h"

class TControl;

namespace platform::win32 {

// The dots per inch of the monitor hwnd is on: from GetDpiForWindow where the desktop has it
// (older ones do not), otherwise the screen's.
int DpiOf(HWND hwnd);
// Grows a client rectangle to the window around it, with the frame of that style the desktop
// draws at hwnd's scale.
void AddFrame(HWND hwnd, RECT& rect, DWORD style, DWORD exStyle);

// A top-level window's client area on the screen, in device pixels.
TRect DeviceClientOf(HWND hwnd);
// Puts a top-level window's client area there, its frame around it.
void PlaceClient(HWND hwnd, const TRect& device);
// A control's window within its parent's client area, in device pixels.
TRect DeviceRectOf(HWND hwnd);

} // namespace platform::win32
