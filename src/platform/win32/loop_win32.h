// The message loop as the backend's window procedures and modal loops need it, and the one guard
// on every call of the desktop into our code.
#pragma once

#include <optional>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// The one way the desktop's calls reach our window procedures: an error that escapes body goes to
// the general error box, as one escaping a handler does, and the message then gets the answer of
// next (the desktop's own procedure when null).
template <class Body>
LRESULT Guarded(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC next,
                Body body) noexcept {
  std::optional<LRESULT> result;
  RunHandler([&] { result = body(); });
  if (result)
    return *result;
  return next ? CallWindowProcW(next, hwnd, msg, wParam, lParam)
              : DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Takes one message from the queue through the application's hook and the form's keyboard
// handling, and dispatches it.
void DispatchOne(MSG& msg);
// Handles the messages waiting; false once the application was asked to quit.
bool PumpWaiting();
// Whether the application was asked to quit and the loops should unwind.
bool QuitRequested();
// The queue gave WM_QUIT: the loops unwind to the one Run started.
void NoteQuit();

} // namespace platform::win32
