// The Win32 backend's side of a control: its window and what the window's drawing needs.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/pixels.h"
#include "platform/win32/windows_api.h"

class TImage;

using TPeerKind = TControl::Kind;

// What only a form has.
struct TFormState {
  TBorderStyle borderStyle = TBorderStyle::bsSizeable;
  TFormStyle formStyle = TFormStyle::fsNormal;
  TPosition position = TPosition::poDesigned;
  bool keyPreview = false;
  bool activateOnShow = true;
  bool pointerHidden = false;
  int modalResult = mrNone;
  bool inModal = false;
  // The child that had the keyboard when the form was last deactivated.
  HWND lastFocus = nullptr;
  HICON icon = nullptr;
  // What SetTabOrder listed; the other controls follow in the order of their creation.
  std::vector<TControl*> tabOrder;
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
  ~TControlPeer();

  TControl* owner = nullptr;
  HWND hwnd = nullptr;
  // Where the control's own controls go: the window itself, or a scroll box's content.
  HWND container = nullptr;

  // Labels.
  bool wordWrap = false;
  bool autoSize = false;
  TTextLayout layout = TTextLayout::tlCenter;
  // Push buttons.
  bool isDefault = false;
  // Bitmap buttons: the glyph, whose pixels of the transparent colour are not drawn.
  TPixels glyph;
  TColor glyphTransparent = clBlack;
  int margin = -1;
  // Panels.
  TPanelBevel bevel = TPanelBevel::bvNone;
  int bevelWidth = 1;
  // Memos.
  bool wantTabs = true;
  // Scroll boxes: the content's size and how far it is scrolled.
  int rangeWidth = 0;
  int rangeHeight = 0;
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

// The ground a control is drawn on: its own colour, or the nearest ancestor's that has one, or
// the desktop's button face.
HBRUSH GroundBrush(const TControl& control);
TColor GroundColor(const TControl& control);
HBRUSH BrushOf(TColor colour);
COLORREF ColorRefOf(TColor colour);

// The messages a window gets about its child controls (commands, colours, owner drawing), for
// every window that holds controls; whether it handled msg, with the answer in result.
bool HandleChildMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

// The window classes of ours; registered once.
void RegisterWindowClasses();
const wchar_t* FormClassName(const std::string& windowClass);
LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Takes one message from the queue through the application's hook, key preview and keyboard
// navigation, and dispatches it.
void DispatchOne(MSG& msg);
// Handles the messages waiting; false once the application was asked to quit.
bool PumpWaiting();
// Whether the application was asked to quit and the loops should unwind.
bool QuitRequested();
// The queue gave WM_QUIT: the loops unwind to the one Run started.
void NoteQuit();
// Runs work from the loop once delayMs passed and the queue is idle.
void AddLater(std::function<void()> work, int delayMs);

// The radio buttons on parent: Tab stops at the checked one, or the first while none is.
void UpdateRadioTabStops(const TControl& parent);
// The controls below root in creation order, root excluded.
void ForEachControl(const TControl& root, const std::function<void(TControl&)>& visit);
// Forgets the windows of root and its controls, which the desktop destroys with root's own.
void ForgetWindows(TControl& root);
// Scroll boxes fill their parent's client area.
void ResizeScrollBoxes(const TControl& parent);
// Whether control and its ancestors are shown and enabled, so that it can take the keyboard.
bool CanFocus(const TControl& control);
// Moves the focus to the next or previous radio button of radio's group and checks it.
void MoveInRadioGroup(TControl& radio, bool forward);
// Handles a key pressed in a form: key preview, Tab order, Enter, Escape and the radio groups;
// whether the key went no further.
bool HandleFormKey(TForm& form, const MSG& msg);
// A 32-bit device-independent bitmap, rows top down; its pixels in *bits.
HBITMAP NewTopDownDib(HDC dc, int width, int height, void** bits);
// A 32-bit top-down DIB section holding pixels; the caller deletes it.
HBITMAP DibOf(const TPixels& pixels);

// The image control's window, with the control's painting.
HWND NewImageWindow(TImage& owner, HWND parent);

} // namespace platform::win32
