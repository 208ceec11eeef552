// What the backend's families of controls share: the window classes of ours, making a control's
// window, and the messages every window that holds controls gets about them.
#pragma once

#include "platform/win32/peer.h"

namespace platform::win32 {

// For the controls the desktop has no class for; registered once.
inline constexpr wchar_t kLabelClass[] = L"QuillmorLabel";
inline constexpr wchar_t kPanelClass[] = L"QuillmorPanel";
inline constexpr wchar_t kScrollBoxClass[] = L"QuillmorScrollBox";
inline constexpr wchar_t kScrollContentClass[] = L"QuillmorScrollContent";
void RegisterWindowClasses();

// Makes control's window on its parent's with its caption and font: of one of our classes, or of
// one of the desktop's, whose messages then pass ControlProc first.
HWND CreateControlWindow(TControl& control, const wchar_t* windowClass, DWORD style, DWORD exStyle);
LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The messages a window gets about its child controls (commands, colours, owner drawing), for
// every window that holds controls; whether it handled msg, with the answer in result.
bool HandleChildMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
void SetStyleBit(HWND hwnd, LONG_PTR bit, bool on);
// Has the window drawn again, its frame and children included.
void Invalidate(HWND hwnd);

// ---- Labels, panels and scroll boxes (drawn_win32.cpp) ----
LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ScrollBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A word-wrapped label with AutoSize takes the height of its text.
void FitLabelHeight(const TLabel& label);
void UpdateScrollBox(TScrollBox& box);
// Scroll boxes fill their parent's client area.
void ResizeScrollBoxes(const TControl& parent);
// Gives control its parent's client area, to the device pixel its bounds can say.
void FillParent(const TControl& control);

// ---- Buttons (buttons_win32.cpp) ----
// A radio button's circle and the gap before its caption.
inline constexpr int kRadioIndicator = 13; // px
inline constexpr int kRadioGap = 4;        // px
// A radio button's messages, drawn as the desktop draws one but with its caption in its colour.
LRESULT RadioMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC next,
                     const TControl& radio);
void DrawBitBtn(const DRAWITEMSTRUCT& item, const TBitBtn& button);
// A group box at a scale other than 1, whose lines the desktop would draw a device pixel thin.
void PaintGroupBox(HWND hwnd, HDC dc, const TControl& box);
// A bitmap button's picture: its own, or the desktop's OK picture.
const TPixels& GlyphOf(const TBitBtn& button);

} // namespace platform::win32
