// Forms as top-level windows of a class named after the form: frame, position, modal display,
// keyboard order and closing.
#include <algorithm>
#include <set>

#include "platform/graphics.h"
#include "platform/win32/fonts_win32.h"
#include "platform/win32/monitors_win32.h"
#include "platform/win32/peer.h"
#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

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
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
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

// The controls in the order Tab visits them: the listed ones, then the others as created.
std::vector<TControl*> TabSequence(TForm& form) {
  std::vector<TControl*> sequence;
  for (TControl* control : StateOf(form).tabOrder) {
    if (std::find(sequence.begin(), sequence.end(), control) == sequence.end())
      sequence.push_back(control);
  }
  ForEachControl(form, [&sequence](TControl& control) {
    if (std::find(sequence.begin(), sequence.end(), &control) == sequence.end())
      sequence.push_back(&control);
  });
  std::erase_if(sequence, [](TControl* control) {
    return !(GetWindowLongPtrW(HwndOf(*control), GWL_STYLE) & WS_TABSTOP) || !CanFocus(*control);
  });
  return sequence;
}

TControl* FocusedControlOf(HWND focus) {
  for (HWND hwnd = focus; hwnd; hwnd = GetParent(hwnd)) {
    if (TControl* control = ControlOf(hwnd))
      return control;
  }
  return nullptr;
}

void FocusNext(TForm& form, bool forward) {
  const std::vector<TControl*> sequence = TabSequence(form);
  if (sequence.empty())
    return;
  TControl* current = FocusedControlOf(GetFocus());
  auto at = std::find(sequence.begin(), sequence.end(), current);
  TControl* next = nullptr;
  if (at == sequence.end()) {
    next = forward ? sequence.front() : sequence.back();
  } else {
    const std::size_t index = std::size_t(at - sequence.begin());
    const std::size_t count = sequence.size();
    next = sequence[forward ? (index + 1) % count : (index + count - 1) % count];
  }
  HWND hwnd = HwndOf(*next);
  if (next->ControlKind() == TPeerKind::Memo)
    SendMessageW(hwnd, EM_SETSEL, 0, -1);
  SetFocus(hwnd);
}

TControl* DefaultButtonOf(TForm& form) {
  TControl* found = nullptr;
  ForEachControl(form, [&found](TControl& control) {
    if (!found && control.Peer().isDefault)
      found = &control;
  });
  return found;
}

void DeliverKey(TForm& form, int key) {
  RunHandler([&form, key] { form.OnKeyDown(key); });
}

bool IsRadioArrow(int key) {
  return key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN;
}

void HandleClose(TForm& form) {
  if (form.OnCloseQuery && !AskHandler(form.OnCloseQuery, true))
    return;
  TFormState& state = StateOf(form);
  if (state.inModal) {
    // Closing a modal form ends its modal display; ShowModal hides it.
    if (state.modalResult == mrNone)
      state.modalResult = mrCancel;
    PostMessageW(HwndOf(form), WM_NULL, 0, 0);
    return;
  }
  ShowWindow(HwndOf(form), SW_HIDE);
  if (Application().MainForm() == &form)
    Application().Quit();
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
  const std::vector<TControl*> sequence = TabSequence(form);
  SetFocus(sequence.empty() ? hwnd : HwndOf(*sequence.front()));
}

// The taskbar's and title bar's picture from a bitmap, its bottom-left colour transparent.
HICON IconOf(const TPixels& pixels) {
  if (pixels.Empty())
    return nullptr;
  const TColor transparent = pixels.Pixel(0, pixels.Height() - 1);
  TPixels colour = pixels.Copy();
  if (colour.Format() == TPixelFormat::pf8bit) {
    TPixels wide(pixels.Width(), pixels.Height(), TPixelFormat::pf32bit);
    for (int y = 0; y < pixels.Height(); ++y)
      for (int x = 0; x < pixels.Width(); ++x)
        wide.SetPixel(x, y, pixels.Pixel(x, y));
    colour = std::move(wide);
  }
  std::vector<std::uint8_t> maskBits(
      std::size_t((pixels.Width() + 15) / 16 * 2) * std::size_t(pixels.Height()), 0);
  const std::size_t maskStride = std::size_t((pixels.Width() + 15) / 16 * 2);
  for (int y = 0; y < pixels.Height(); ++y) {
    for (int x = 0; x < pixels.Width(); ++x) {
      if (pixels.Pixel(x, y) != transparent)
        continue;
      maskBits[std::size_t(y) * maskStride + std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
      colour.SetPixel(x, y, clBlack);
    }
  }
  HBITMAP colourBitmap = DibOf(colour);
  HBITMAP maskBitmap = CreateBitmap(pixels.Width(), pixels.Height(), 1, 1, maskBits.data());
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colourBitmap;
  info.hbmMask = maskBitmap;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colourBitmap);
  DeleteObject(maskBitmap);
  return icon;
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
  try {
    TControl* control = ControlOf(hwnd);
    if (!control || control->ControlKind() != TPeerKind::Form)
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
    case WM_SETCURSOR:
      if (StateOf(form).pointerHidden && LOWORD(lParam) == HTCLIENT) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_KEYDOWN:
      if (form.OnKeyDown) {
        DeliverKey(form, int(wParam));
        return 0;
      }
      break;
    default:
      break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  } catch (...) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

bool HandleFormKey(TForm& form, const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
    return false;
  const int key = int(msg.wParam);
  TFormState& state = StateOf(form);
  if (state.keyPreview && form.OnKeyDown) {
    DeliverKey(form, key);
    return true;
  }
  if (msg.message != WM_KEYDOWN)
    return false;
  TControl* focused = FocusedControlOf(GetFocus());
  if (focused == &form)
    focused = nullptr;
  const TPeerKind kind = focused ? focused->ControlKind() : TPeerKind::Form;
  const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  switch (key) {
  case VK_TAB:
    if (kind == TPeerKind::Memo && focused->Peer().wantTabs)
      return false;
    FocusNext(form, !shift);
    return true;
  case VK_RETURN: {
    if (kind == TPeerKind::Memo)
      return false;
    // In a window with a default button a focused button takes Enter itself; in one without,
    // Enter presses no button at all.
    if (TControl* byDefault = DefaultButtonOf(form)) {
      TControl* pressed =
          kind == TPeerKind::Button || kind == TPeerKind::BitBtn ? focused : byDefault;
      if (IsWindowEnabled(HwndOf(*pressed)))
        pressed->Click();
      return true;
    }
    if (form.OnKeyDown)
      DeliverKey(form, key);
    return true;
  }
  case VK_ESCAPE:
    if (form.OnKeyDown)
      DeliverKey(form, key);
    return true;
  default:
    break;
  }
  if (kind == TPeerKind::RadioButton && IsRadioArrow(key)) {
    MoveInRadioGroup(*focused, key == VK_RIGHT || key == VK_DOWN);
    return true;
  }
  // Keys a button has no use for reach the form, as do those pressed on the form itself.
  const bool button =
      kind == TPeerKind::Button || kind == TPeerKind::BitBtn || kind == TPeerKind::RadioButton;
  if ((!focused || (button && key != VK_SPACE)) && form.OnKeyDown) {
    DeliverKey(form, key);
    return true;
  }
  return false;
}

} // namespace platform::win32

using namespace platform::win32;

TForm::TForm(std::string windowClass)
    : TControl(nullptr, "", Kind::Form), windowClass_(std::move(windowClass)) {
  RegisterWindowClasses();
  TControlPeer& peer = Peer();
  peer.form.emplace();
  const auto [style, exStyle] = StylesOf(*peer.form);
  RECT outer{0, 0, 320, 240};
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  HWND hwnd = CreateWindowExW(exStyle, FormClassName(windowClass_), L"", style, 0, 0,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  peer.hwnd = hwnd;
  peer.container = hwnd;
  // Only now: the messages of the window's creation find no form to report to.
  RegisterControlWindow(hwnd, *this);
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
  if (ControlKind() != TPeerKind::Form) {
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
  const TRect bounds = BoundsRect();
  SetBounds(bounds.Left, bounds.Top, width, height);
}

TRect TForm::OuterBounds() const {
  RECT outer;
  GetWindowRect(HwndOf(*this), &outer);
  return {outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top};
}

void TForm::SetOuterBounds(const TRect& outer) {
  SetWindowPos(HwndOf(*this), nullptr, outer.Left, outer.Top, outer.Width, outer.Height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::ShowFullScreen(const TRect& area) {
  HWND hwnd = HwndOf(*this);
  const LONG_PTR kept = GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_VISIBLE | WS_DISABLED);
  SetWindowLongPtrW(hwnd, GWL_STYLE, WS_POPUP | WS_CLIPCHILDREN | kept);
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, WS_EX_TOPMOST);
  SetWindowPos(hwnd, HWND_TOPMOST, area.Left, area.Top, area.Width, area.Height,
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

int TForm::ShowModal() {
  HWND hwnd = HwndOf(*this);
  TFormState& state = StateOf(*this);
  state.modalResult = mrNone;
  state.inModal = true;
  {
    OtherWindowsDisabled others(hwnd);
    if (IsWindowVisible(hwnd))
      Activate();
    else
      ShowForm(*this, true);
    MSG msg;
    while (state.modalResult == mrNone && !QuitRequested()) {
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
    if (state.modalResult == mrNone)
      state.modalResult = mrCancel;
  }
  state.inModal = false;
  ShowWindow(hwnd, SW_HIDE);
  return state.modalResult;
}

void TForm::SetModalResult(int result) {
  TFormState& state = StateOf(*this);
  state.modalResult = result;
  if (state.inModal && result != mrNone)
    PostMessageW(HwndOf(*this), WM_NULL, 0, 0);
}

bool TForm::InModal() const {
  return StateOf(*this).inModal;
}

void TForm::Close() {
  SendMessageW(HwndOf(*this), WM_CLOSE, 0, 0);
}

void TForm::SetTabOrder(std::initializer_list<TControl*> order) {
  StateOf(*this).tabOrder.assign(order.begin(), order.end());
  UpdateRadioTabStops(*this);
  ForEachControl(*this, [](TControl& control) { UpdateRadioTabStops(control); });
}

void TForm::SetKeyPreview(bool preview) {
  StateOf(*this).keyPreview = preview;
}

void TForm::FitCaptions() {
  platform::win32::FitCaptions(*this);
}

void TForm::WidenClippedCaptions(std::initializer_list<TControl*> containers) {
  for (TControl* container : containers)
    platform::win32::WidenClippedCaptions(*container);
}
