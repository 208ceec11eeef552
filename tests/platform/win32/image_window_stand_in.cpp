// A plain window in place of the image control's own until the backend draws pictures; these
// tests create no image controls.
#include "platform/win32/peer.h"

HWND platform::win32::NewImageWindow(TImage&, HWND parent) {
  return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}
