// The Win32 backend's side of a control: its window, what only a form has, and finding the
// control of a window.
#pragma once

#include <optional>

#include "platform/controls.h"
#include "platform/win32/windows_api.h"

// What only a form has.
struct TFormState {
  TBorderStyle borderStyle = TBorderStyle::bsSizeable;
  TFormStyle formStyle = TFormStyle::fsNormal;
  TPosition position = TPosition::poDesigned;
  bool activateOnShow = true;
  bool pointerHidden = false;
  // The child that had the keyboard when the form was last deactivated.
  HWND lastFocus = nullptr;
  HICON icon = nullptr;
  bool shownBefore = false;
  ~TFormState() {
    if (icon)
      DestroyIcon(icon);
  }
};

struct TControlPeer {
  TControlPeer() = default;
  TControlPeer(const TControlPeer&) = delete;
  TControlPeer& operator=(const TControlPeer&) = delete;

  HWND hwnd = nullptr;
  // Where the control's own controls go: the window itself, or a scroll box's content.
  HWND container = nullptr;
  // Scroll boxes: how far the content is scrolled.
  int scrollTop = 0;

  std::optional<TFormState> form;
};

namespace platform::win32 {

HWND HwndOf(const TControl& control);
// The window the controls created on control go into.
HWND ContainerOf(const TControl& control);
// The control whose window hwnd is; null for windows that are none of ours.
TControl* ControlOf(HWND hwnd);
void RegisterControlWindow(HWND hwnd, TControl& control);
// The form a window belongs to: that of its top-level ancestor.
TForm* FormOfWindow(HWND hwnd);
// Forgets the windows of root and its controls, which the desktop destroys with root's own.
void ForgetWindows(TControl& root);

} // namespace platform::win32
