// Forms as top-level windows of a class named after the form: frame, position, showing, the
// modal loop, the keyboard's place when the window is activated again, and the close box.
#include <algorithm>
#include <set>

#include "platform/backend.h"
#include "platform/graphics.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/fonts_win32.h"
#include "platform/win32/loop_win32.h"
#include "platform/win32/monitors_win32.h"
#include "platform/win32/paint_win32.h"
#include "platform/win32/peer.h"
#include "platform/win32/scale_win32.h"
#include "platform/win32/text_win32.h"

namespace platform::win32 {

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

// A new window's client area, in its own pixels, until the form sets one.
constexpr int kFirstClientWidth = 320, kFirstClientHeight = 240;

// WM_DPICHANGED, which not every set of the desktop's headers names.
constexpr UINT kDpiChanged = 0x02E0;

TFormState& StateOf(const TForm& form) {
  return *form.Peer().form;
}

std::pair<DWORD, DWORD> StylesOf(const TFormState& state) {
  DWORD style = WS_CLIPCHILDREN;
  DWORD exStyle = 0;
  switch (state.borderStyle) {
  case TBorderStyle::bsNone:
    style |= WS_POPUP;
    break;
  case TBorderStyle::bsDialog:
    style |= WS_POPUP | WS_CAPTION;
    exStyle |= WS_EX_DLGMODALFRAME;
    break;
  case TBorderStyle::bsSingle:
    style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    break;
  case TBorderStyle::bsSizeable:
    style |= WS_OVERLAPPEDWINDOW;
    break;
  }
  if (state.formStyle == TFormStyle::fsStayOnTop)
    exStyle |= WS_EX_TOPMOST;
  return {style, exStyle};
}

RECT ClientOnScreen(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  return client;
}

// Gives the window its style, keeping its client area where it was.
void ApplyStyles(TForm& form) {
  HWND hwnd = HwndOf(form);
  const TFormState& state = StateOf(form);
  RECT rect = ClientOnScreen(hwnd);
  const auto [style, exStyle] = StylesOf(state);
  const LONG_PTR kept = GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_VISIBLE | WS_DISABLED);
  SetWindowLongPtrW(hwnd, GWL_STYLE, LONG_PTR(style) | kept);
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, LONG_PTR(exStyle));
  AddFrame(hwnd, rect, style, exStyle);
  SetWindowPos(hwnd, (exStyle & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_NOTOPMOST, rect.left, rect.top,
               rect.right - rect.left, rect.bottom - rect.top, SWP_FRAMECHANGED | SWP_NOACTIVATE);
  if (state.shownBefore)
    RunHandlerIfSet(form.OnFrameChanged);
}

void CentreOnScreen(HWND hwnd) {
  RECT outer;
  GetWindowRect(hwnd, &outer);
  const auto [screenWidth, screenHeight] = LayoutScreenSize();
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWindowPos(hwnd, nullptr, (screenWidth - width) / 2, (screenHeight - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowForm(TForm& form, bool activate) {
  HWND hwnd = HwndOf(form);
  TFormState& state = StateOf(form);
  if (state.position == TPosition::poScreenCenter)
    CentreOnScreen(hwnd);
  RunHandlerIfSet(form.OnShow);
  if (!IsWindow(hwnd))
    return;
  ShowWindow(hwnd, activate ? SW_SHOW : SW_SHOWNA);
  if (activate)
    SetForegroundWindow(hwnd);
  UpdateWindow(hwnd);
  if (!state.shownBefore) {
    // The desktop's frame is known from the start; the form hears of it once it shows.
    state.shownBefore = true;
    RunHandlerIfSet(form.OnFrameChanged);
  }
}

TControl* FocusedControlOf(HWND focus) {
  for (HWND hwnd = focus; hwnd; hwnd = GetParent(hwnd)) {
    if (TControl* control = ControlOf(hwnd))
      return control;
  }
  return nullptr;
}

void HandleClose(TForm& form) {
  if (!form.QueryClose())
    return;
  ShowWindow(HwndOf(form), SW_HIDE);
  form.Closed();
}

void RememberFocus(TForm& form) {
  HWND focus = GetFocus();
  HWND hwnd = HwndOf(form);
  if (focus && IsChild(hwnd, focus))
    StateOf(form).lastFocus = focus;
}

void RestoreFocus(TForm& form) {
  HWND hwnd = HwndOf(form);
  HWND last = StateOf(form).lastFocus;
  if (last && IsWindow(last) && IsChild(hwnd, last) && IsWindowVisible(last) &&
      IsWindowEnabled(last)) {
    SetFocus(last);
    return;
  }
  TControl* first = form.FirstTabStop();
  SetFocus(first ? HwndOf(*first) : hwnd);
}

// The taskbar's and title bar's picture from a bitmap, its bottom-left colour transparent.
HICON IconOf(const TPixels& pixels) {
  if (pixels.Empty())
    return nullptr;
  const TColor transparent = pixels.Pixel(0, pixels.Height() - 1);
  TPixels colour(pixels.Width(), pixels.Height(), TPixelFormat::pf32bit);
  const std::size_t maskStride = std::size_t((pixels.Width() + 15) / 16 * 2);
  std::vector<std::uint8_t> maskBits(maskStride * std::size_t(pixels.Height()), 0);
  for (int y = 0; y < pixels.Height(); ++y) {
    for (int x = 0; x < pixels.Width(); ++x) {
      const bool clear = pixels.Pixel(x, y) == transparent;
      colour.SetPixel(x, y, clear ? clBlack : pixels.Pixel(x, y));
      if (clear)
        maskBits[std::size_t(y) * maskStride + std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
    }
  }
  HBITMAP colourBitmap = DibOf(colour);
  HBITMAP maskBitmap = CreateBitmap(pixels.Width(), pixels.Height(), 1, 1, maskBits.data());
  ICONINFO info{TRUE, 0, 0, maskBitmap, colourBitmap};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colourBitmap);
  DeleteObject(maskBitmap);
  return icon;
}

// Moved to a monitor of another scale, or its monitor's scale changed: the window takes the place
// the desktop suggests with its client area the size it has in its own pixels, and lays its
// controls out again. The display and its covers keep the screen's pixels and stay where they are.
void FollowMonitorScale(TForm& form, int dpi, const RECT& suggested) {
  const TScale before = form.Scale();
  const TRect own = form.BoundsRect();
  form.MonitorScaleChanged(TScale::FromDpi(dpi));
  const TScale now = form.Scale();
  if (now == before)
    return;
  HWND hwnd = HwndOf(form);
  SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  const TRect client = DeviceClientOf(hwnd);
  PlaceClient(hwnd, {client.Left, client.Top, now.Edge(own.Width), now.Edge(own.Height)});
  if (StateOf(form).shownBefore)
    RunHandlerIfSet(form.OnFrameChanged);
}

} // namespace

const wchar_t* FormClassName(const std::string& windowClass) {
  static std::set<std::wstring> registered;
  const std::wstring name = Wide(windowClass);
  auto found = registered.find(name);
  if (found != registered.end())
    return found->c_str();
  WNDCLASSEXW form{};
  form.cbSize = sizeof form;
  form.style = CS_DBLCLKS;
  form.lpfnWndProc = &FormProc;
  form.hInstance = GetModuleHandleW(nullptr);
  form.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
  form.lpszClassName = name.c_str();
  RegisterClassExW(&form);
  return registered.insert(name).first->c_str();
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Guarded(hwnd, msg, wParam, lParam, nullptr, [&]() -> LRESULT {
    TControl* control = ControlOf(hwnd);
    if (!control || control->ControlKind() != TControl::Kind::Form)
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    auto& form = static_cast<TForm&>(*control);
    LRESULT result = 0;
    if (HandleChildMessage(hwnd, msg, wParam, lParam, result))
      return result;
    switch (msg) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(HDC(wParam), &client, GroundBrush(form));
      return 1;
    }
    case WM_CLOSE:
      HandleClose(form);
      return 0;
    case WM_SIZE:
      ResizeScrollBoxes(form);
      RunHandlerIfSet(form.OnResize);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE)
        RememberFocus(form);
      else if (!HIWORD(wParam))
        RestoreFocus(form);
      return 0;
    case kDpiChanged:
      if (lParam)
        FollowMonitorScale(form, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_SETCURSOR:
      if (StateOf(form).pointerHidden && LOWORD(lParam) == HTCLIENT) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    default:
      break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  });
}

} // namespace platform::win32

using namespace platform::win32;

TForm::TForm(std::string windowClass)
    : TControl(nullptr, "", Kind::Form), windowClass_(std::move(windowClass)) {
  RegisterWindowClasses();
  TControlPeer& peer = Peer();
  peer.form.emplace();
  const auto [style, exStyle] = StylesOf(*peer.form);
  RECT outer{0, 0, kFirstClientWidth, kFirstClientHeight};
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  HWND hwnd = CreateWindowExW(exStyle, FormClassName(windowClass_), L"", style, 0, 0,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  peer.hwnd = hwnd;
  peer.container = hwnd;
  // Only now: the messages of the window's creation find no form to report to.
  RegisterControlWindow(hwnd, *this);
  // The scale of the monitor the window starts on, before any control is made on it.
  MonitorScaleChanged(TScale::FromDpi(DpiOf(hwnd)));
  if (!Scale().Identity())
    SetClientSize(kFirstClientWidth, kFirstClientHeight);
}

TForm::~TForm() {
  Application().RemoveHookedWindow(this);
  // The window and its controls' windows go now, while the form is whole: its handlers are
  // members of this class.
  HWND hwnd = HwndOf(*this);
  ForgetWindows(*this);
  if (hwnd)
    DestroyWindow(hwnd);
}

void TControl::SetVisible(bool visible) {
  HWND hwnd = HwndOf(*this);
  if (ControlKind() != TControl::Kind::Form) {
    ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
    return;
  }
  if (!visible) {
    ShowWindow(hwnd, SW_HIDE);
    return;
  }
  if (IsWindowVisible(hwnd))
    return;
  ShowForm(static_cast<TForm&>(*this), Peer().form->activateOnShow);
}

void TForm::SetBorderStyle(TBorderStyle style) {
  StateOf(*this).borderStyle = style;
  ApplyStyles(*this);
}

void TForm::SetFormStyle(TFormStyle style) {
  StateOf(*this).formStyle = style;
  ApplyStyles(*this);
}

void TForm::SetPosition(TPosition position) {
  StateOf(*this).position = position;
}

void TForm::SetIcon(const TBitmap& icon) {
  TFormState& state = StateOf(*this);
  HICON handle = IconOf(icon.Pixels());
  HWND hwnd = HwndOf(*this);
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(handle));
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(handle));
  if (state.icon)
    DestroyIcon(state.icon);
  state.icon = handle;
}

void TForm::SetClientSize(int width, int height) {
  HWND hwnd = HwndOf(*this);
  const TRect client = DeviceClientOf(hwnd);
  PlaceClient(hwnd, {client.Left, client.Top, Scale().Edge(width), Scale().Edge(height)});
}

TRect TForm::OuterBounds() const {
  RECT outer;
  GetWindowRect(HwndOf(*this), &outer);
  return Scale().WindowRectOf(
      {outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top});
}

void TForm::SetOuterBounds(const TRect& outer) {
  const TRect device = Scale().WindowRect(outer);
  SetWindowPos(HwndOf(*this), nullptr, device.Left, device.Top, device.Width, device.Height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::ShowFullScreen(const TRect& area) {
  HWND hwnd = HwndOf(*this);
  const TRect device = Scale().WindowRect(area);
  const LONG_PTR kept = GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_VISIBLE | WS_DISABLED);
  SetWindowLongPtrW(hwnd, GWL_STYLE, WS_POPUP | WS_CLIPCHILDREN | kept);
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, WS_EX_TOPMOST);
  SetWindowPos(hwnd, HWND_TOPMOST, device.Left, device.Top, device.Width, device.Height,
               SWP_FRAMECHANGED | SWP_NOACTIVATE);
  if (!IsWindowVisible(hwnd))
    ShowForm(*this, false);
}

void TForm::SetActivateOnShow(bool activate) {
  StateOf(*this).activateOnShow = activate;
}

void TForm::Activate() {
  HWND hwnd = HwndOf(*this);
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
  if (!IsChild(hwnd, GetFocus()))
    ::SetFocus(hwnd);
}

void TForm::HidePointer() {
  StateOf(*this).pointerHidden = true;
  POINT at;
  GetCursorPos(&at);
  if (WindowFromPoint(at) && FormOfWindow(WindowFromPoint(at)) == this)
    SetCursor(nullptr);
}

namespace {

// The other shown and enabled top-level windows of the thread, disabled while a modal form is
// shown and enabled again after.
class OtherWindowsDisabled {
public:
  explicit OtherWindowsDisabled(HWND modal) : modal_(modal) {
    EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
    for (HWND hwnd : disabled_)
      EnableWindow(hwnd, FALSE);
  }
  OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
  OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;
  ~OtherWindowsDisabled() {
    for (HWND hwnd : disabled_) {
      if (IsWindow(hwnd))
        EnableWindow(hwnd, TRUE);
    }
  }

private:
  static BOOL CALLBACK Collect(HWND hwnd, LPARAM self) {
    auto* me = reinterpret_cast<OtherWindowsDisabled*>(self);
    if (hwnd != me->modal_ && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
      me->disabled_.push_back(hwnd);
    return TRUE;
  }
  HWND modal_;
  std::vector<HWND> disabled_;
};

} // namespace

void platform_backend::RunModal(TForm& form, const std::function<bool()>& done) {
  HWND hwnd = HwndOf(form);
  OtherWindowsDisabled others(hwnd);
  if (IsWindowVisible(hwnd))
    form.Activate();
  else
    ShowForm(form, true);
  MSG msg;
  while (!done() && !QuitRequested()) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) {
      NoteQuit();
      break;
    }
    DispatchOne(msg);
  }
}

void platform_backend::EndModal(TForm& form) {
  PostMessageW(HwndOf(form), WM_NULL, 0, 0);
}

void TForm::Close() {
  SendMessageW(HwndOf(*this), WM_CLOSE, 0, 0);
}

TControl* platform_backend::FocusedControl(const TForm& form) {
  TControl* focused = FocusedControlOf(GetFocus());
  return focused == &form || !focused || focused->Form() != &form ? nullptr : focused;
}

void platform_backend::FocusByTab(TControl& control) {
  HWND hwnd = HwndOf(control);
  if (control.ControlKind() == TControl::Kind::Memo)
    SendMessageW(hwnd, EM_SETSEL, 0, -1);
  SetFocus(hwnd);
}
