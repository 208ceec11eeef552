// What every control of the backend shares: its window, found from the window and found again
// by the messages about it, the ground it is drawn on, and the members of every control; with the
// desktop's list and edit boxes and its progress bar, which need nothing else of ours.
#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "platform/backend.h"
#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/fonts_win32.h"
#include "platform/win32/loop_win32.h"
#include "platform/win32/paint_win32.h"
#include "platform/win32/scale_win32.h"
#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

std::unordered_map<HWND, TControl*>& Controls() {
  static std::unordered_map<HWND, TControl*> controls;
  return controls;
}

WNDPROC ClassProcOf(HWND hwnd) {
  return reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC));
}

int NextControlId() {
  // Above IDOK and IDCANCEL, which the desktop's keyboard handling sends on its own.
  static int next = 100;
  return next++;
}

HBRUSH NewBrush(const TColor& colour) {
  return CreateSolidBrush(ColorRefOf(colour));
}

} // namespace

void FillGround(HWND hwnd, HDC dc, const TControl* control) {
  RECT rect;
  GetClientRect(hwnd, &rect);
  FillRect(dc, &rect, control ? GroundBrush(*control) : GetSysColorBrush(COLOR_BTNFACE));
}

// Group boxes hold controls, so they see their notifications; memos may pass Tab on.
LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC next = ClassProcOf(hwnd);
  return Guarded(hwnd, msg, wParam, lParam, next, [&]() -> LRESULT {
    const TControl* control = ControlOf(hwnd);
    if (control) {
      LRESULT result = 0;
      if (HandleChildMessage(hwnd, msg, wParam, lParam, result))
        return result;
      const TControl::Kind kind = control->ControlKind();
      if (kind == TControl::Kind::RadioButton)
        return RadioMessage(hwnd, msg, wParam, lParam, next, *control);
      if (msg == WM_ERASEBKGND && kind == TControl::Kind::GroupBox) {
        FillGround(hwnd, HDC(wParam), control);
        return 1;
      }
      if (msg == WM_PAINT && kind == TControl::Kind::GroupBox && !ScaleOf(*control).Identity()) {
        const Painting painting(hwnd);
        PaintGroupBox(hwnd, painting.Dc(), *control);
        return 0;
      }
      if (msg == WM_GETDLGCODE && kind == TControl::Kind::Memo &&
          !static_cast<const TMemo*>(control)->WantTabs()) {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        const LRESULT code = CallWindowProcW(next, hwnd, msg, wParam, lParam);
        if (key && key->message == WM_KEYDOWN && key->wParam == VK_TAB)
          return code & ~(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
        return code;
      }
    }
    return CallWindowProcW(next, hwnd, msg, wParam, lParam);
  });
}

HWND CreateControlWindow(TControl& control, const wchar_t* windowClass, DWORD style,
                         DWORD exStyle) {
  RegisterWindowClasses();
  HWND parent = ContainerOf(*control.Parent());
  const std::wstring text = Wide(control.Caption());
  HWND hwnd = CreateWindowExW(exStyle, windowClass, text.c_str(),
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(INT_PTR(NextControlId())),
                              GetModuleHandleW(nullptr), nullptr);
  TControlPeer& peer = control.Peer();
  peer.hwnd = hwnd;
  if (!peer.container)
    peer.container = hwnd;
  Controls()[hwnd] = &control;
  // Later controls are drawn above earlier ones.
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // The desktop's own classes answer through ControlProc first; ours call what they need.
  if (!std::wstring_view(windowClass).starts_with(L"Quillmor"))
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc));
  ApplyFont(control);
  return hwnd;
}

void SetStyleBit(HWND hwnd, LONG_PTR bit, bool on) {
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  const LONG_PTR wanted = on ? style | bit : style & ~bit;
  if (wanted != style)
    SetWindowLongPtrW(hwnd, GWL_STYLE, wanted);
}

void Invalidate(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

HWND HwndOf(const TControl& control) {
  return control.Peer().hwnd;
}

HWND ContainerOf(const TControl& control) {
  const TControlPeer& peer = control.Peer();
  return peer.container ? peer.container : peer.hwnd;
}

TControl* ControlOf(HWND hwnd) {
  auto found = Controls().find(hwnd);
  return found == Controls().end() ? nullptr : found->second;
}

void RegisterControlWindow(HWND hwnd, TControl& control) {
  Controls()[hwnd] = &control;
}

TForm* FormOfWindow(HWND hwnd) {
  if (!hwnd)
    return nullptr;
  TControl* control = ControlOf(GetAncestor(hwnd, GA_ROOT));
  return control && control->ControlKind() == TControl::Kind::Form ? static_cast<TForm*>(control)
                                                                   : nullptr;
}

COLORREF ColorRefOf(TColor colour) {
  // The same layout: red in the lowest byte.
  return COLORREF(colour & 0xFFFFFF);
}

HBRUSH BrushOf(TColor colour) {
  static GdiCache<TColor, HBRUSH> cache(&NewBrush);
  return cache.Get(colour);
}

TColor GroundColor(const TControl& control) {
  for (const TControl* c = &control; c; c = c->Parent()) {
    if (!c->ParentColor())
      return c->Color();
  }
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  return TColor(face);
}

HBRUSH GroundBrush(const TControl& control) {
  for (const TControl* c = &control; c; c = c->Parent()) {
    if (!c->ParentColor())
      return BrushOf(c->Color());
  }
  return GetSysColorBrush(COLOR_BTNFACE);
}

bool HandleChildMessage(HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
  case WM_COMMAND: {
    TControl* control = ControlOf(reinterpret_cast<HWND>(lParam));
    if (!control || HIWORD(wParam) != BN_CLICKED)
      return false;
    const TControl::Kind kind = control->ControlKind();
    if (!IsPushButton(*control) && kind != TControl::Kind::RadioButton)
      return false;
    control->Click();
    result = 0;
    return true;
  }
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLORBTN:
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORLISTBOX: {
    HWND child = reinterpret_cast<HWND>(lParam);
    const TControl* control = ControlOf(child);
    if (!control)
      return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    const TControl::Kind kind = control->ControlKind();
    SetTextColor(dc, ColorRefOf(IsWindowEnabled(child) ? control->Font().Color : clGray));
    if (kind == TControl::Kind::Memo || kind == TControl::Kind::ListBox) {
      // Text boxes stand on the desktop's window colour unless given one of their own.
      const bool own = !control->ParentColor();
      const TColor ground = own ? control->Color() : TColor(GetSysColor(COLOR_WINDOW));
      SetBkColor(dc, ColorRefOf(ground));
      result = reinterpret_cast<LRESULT>(own ? BrushOf(ground) : GetSysColorBrush(COLOR_WINDOW));
      return true;
    }
    SetBkColor(dc, ColorRefOf(GroundColor(*control)));
    result = reinterpret_cast<LRESULT>(GroundBrush(*control));
    return true;
  }
  case WM_DRAWITEM: {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const TControl* control = item ? ControlOf(item->hwndItem) : nullptr;
    if (!control || control->ControlKind() != TControl::Kind::BitBtn)
      return false;
    DrawBitBtn(*item, static_cast<const TBitBtn&>(*control));
    result = TRUE;
    return true;
  }
  default:
    return false;
  }
}

void ForgetWindows(TControl& root) {
  TControlPeer& peer = root.Peer();
  Controls().erase(peer.hwnd);
  Controls().erase(peer.container);
  if (peer.hwnd &&
      GetWindowLongPtrW(peer.hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ControlProc))
    SetWindowLongPtrW(peer.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ClassProcOf(peer.hwnd)));
  peer.hwnd = nullptr;
  peer.container = nullptr;
  for (const std::unique_ptr<TControl>& child : root.Controls())
    ForgetWindows(*child);
}

HBITMAP NewTopDownDib(HDC dc, int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

HBITMAP DibOf(const TPixels& pixels) {
  void* bits = nullptr;
  HBITMAP bitmap = NewTopDownDib(nullptr, pixels.Width(), pixels.Height(), &bits);
  if (!bitmap)
    return nullptr;
  auto* out = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < pixels.Height(); ++y) {
    for (int x = 0; x < pixels.Width(); ++x) {
      const TColor colour = pixels.Pixel(x, y);
      std::uint8_t* pixel = out + (std::size_t(y) * std::size_t(pixels.Width()) + x) * 4;
      pixel[0] = std::uint8_t(BlueOf(colour));
      pixel[1] = std::uint8_t(GreenOf(colour));
      pixel[2] = std::uint8_t(RedOf(colour));
      pixel[3] = 0;
    }
  }
  return bitmap;
}

} // namespace platform::win32

using namespace platform::win32;
using platform_backend::TAspect;

// ---- Every control ----

TControl::TControl(TControl* parent, std::string name, Kind kind, std::string caption)
    : parent_(parent), name_(std::move(name)), kind_(kind), caption_(std::move(caption)),
      peer_(std::make_unique<TControlPeer>()) {}

TControl::~TControl() {
  children_.clear();
  // The window goes now, while the control it reports to is still whole.
  HWND hwnd = peer_->hwnd;
  if (hwnd) {
    ForgetWindows(*this);
    DestroyWindow(hwnd);
  }
}

TRect TControl::BoundsRect() const {
  HWND hwnd = HwndOf(*this);
  if (kind_ == TControl::Kind::Form)
    return ScaleOf(*this).WindowRectOf(DeviceClientOf(hwnd));
  return ScaleOf(*this).RectOf(DeviceRectOf(hwnd));
}

void TControl::SetBounds(const TRect& bounds) {
  HWND hwnd = HwndOf(*this);
  const TScale scale = ScaleOf(*this);
  if (kind_ == TControl::Kind::Form) {
    PlaceClient(hwnd, scale.WindowRect(bounds));
    return;
  }
  const TRect device = scale.Rect(bounds);
  MoveWindow(hwnd, device.Left, device.Top, device.Width, device.Height, TRUE);
  if (kind_ == TControl::Kind::Label)
    FitLabelHeight(static_cast<const TLabel&>(*this));
}

TRect TControl::ClientRect() const {
  HWND hwnd = HwndOf(*this);
  const TScale scale = ScaleOf(*this);
  RECT client;
  GetClientRect(hwnd, &client);
  if (kind_ == TControl::Kind::Form)
    return scale.RectOf({0, 0, client.right, client.bottom});
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  RECT window;
  GetWindowRect(hwnd, &window);
  TRect rect{origin.x - window.left, origin.y - window.top, client.right, client.bottom};
  if (kind_ == TControl::Kind::Panel) {
    const auto& panel = static_cast<const TPanel&>(*this);
    const int inset = panel.Bevel() == TPanelBevel::bvNone ? 0 : scale.Length(panel.BevelWidth());
    rect = {rect.Left + inset, rect.Top + inset, rect.Width - 2 * inset, rect.Height - 2 * inset};
  }
  return scale.RectOf(rect);
}

bool TControl::Visible() const {
  return (GetWindowLongPtrW(HwndOf(*this), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool TControl::Enabled() const {
  return IsWindowEnabled(HwndOf(*this)) != FALSE;
}

void TControl::SetEnabled(bool enabled) {
  HWND hwnd = HwndOf(*this);
  EnableWindow(hwnd, enabled ? TRUE : FALSE);
  InvalidateRect(hwnd, nullptr, TRUE);
}

bool TControl::Focused() const {
  HWND focus = GetFocus();
  return focus && focus == HwndOf(*this);
}

void TControl::SetFocus() {
  ::SetFocus(HwndOf(*this));
}

bool TControl::TabStop() const {
  return (GetWindowLongPtrW(HwndOf(*this), GWL_STYLE) & WS_TABSTOP) != 0;
}

void TControl::SetTabStop(bool stop) {
  SetStyleBit(HwndOf(*this), WS_TABSTOP, stop);
}

// ---- Lists ----

TListBox::TListBox(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::ListBox) {
  CreateControlWindow(*this, L"LISTBOX",
                      LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP | WS_BORDER, 0);
}

void platform_backend::ItemAdded(TListBox& list) {
  const std::wstring text = Wide(list.Item(list.Count() - 1));
  SendMessageW(HwndOf(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void platform_backend::ItemDeleted(TListBox& list, int index) {
  SendMessageW(HwndOf(list), LB_DELETESTRING, WPARAM(index), 0);
}

int TListBox::ItemIndex() const {
  const LRESULT index = SendMessageW(HwndOf(*this), LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : int(index);
}

void TListBox::SetItemIndex(int index) {
  SendMessageW(HwndOf(*this), LB_SETCURSEL, WPARAM(index), 0);
}

// ---- Memos ----

TMemo::TMemo(TControl& parent, std::string name) : TControl(&parent, std::move(name), Kind::Memo) {
  CreateControlWindow(*this, L"EDIT",
                      ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP | WS_BORDER, 0);
}

std::string TMemo::Text() const {
  std::string text = WindowText(HwndOf(*this));
  std::erase(text, '\r');
  return text;
}

void TMemo::SetText(const std::string& text) {
  std::string lines;
  for (char c : text) {
    if (c == '\n')
      lines += '\r';
    lines += c;
  }
  SetWindowTextW(HwndOf(*this), Wide(lines).c_str());
}

// ---- Progress bars ----

TProgressBar::TProgressBar(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::ProgressBar) {
  // The desktop registers the class of its common controls on demand, once.
  [[maybe_unused]] static const bool registered = [] {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    return InitCommonControlsEx(&classes) != FALSE;
  }();
  CreateControlWindow(*this, PROGRESS_CLASSW, 0, 0);
  platform_backend::Update(*this, TAspect::Look);
}

// ---- What the shared layer asks of the windows ----

namespace {

// What only the control's kind has; the window is then drawn again.
void ShowLook(TControl& control, HWND hwnd) {
  switch (control.ControlKind()) {
  case TControl::Kind::Button:
    SendMessageW(hwnd, BM_SETSTYLE,
                 static_cast<TButton&>(control).Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    break;
  case TControl::Kind::ListBox:
    if (const int height = static_cast<TListBox&>(control).ItemHeight(); height > 0)
      SendMessageW(hwnd, LB_SETITEMHEIGHT, 0, ScaleOf(control).Length(height));
    break;
  case TControl::Kind::Memo: {
    // Tab is asked for by WM_GETDLGCODE when a key comes.
    const bool vertical = static_cast<TMemo&>(control).ScrollBars() == TScrollStyle::ssVertical;
    SetStyleBit(hwnd, WS_VSCROLL, vertical);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowScrollBar(hwnd, SB_VERT, vertical);
    break;
  }
  case TControl::Kind::ScrollBox:
    UpdateScrollBox(static_cast<TScrollBox&>(control));
    break;
  case TControl::Kind::ProgressBar: {
    const auto& bar = static_cast<const TProgressBar&>(control);
    SendMessageW(hwnd, PBM_SETRANGE32, 0, bar.Max());
    SendMessageW(hwnd, PBM_SETPOS, WPARAM(bar.Position()), 0);
    break;
  }
  default:
    break;
  }
}

} // namespace

void platform_backend::Update(TControl& control, TAspect aspect) {
  HWND hwnd = HwndOf(control);
  switch (aspect) {
  case TAspect::Caption:
    SetWindowTextW(hwnd, Wide(control.Caption()).c_str());
    break;
  case TAspect::Font:
    ApplyFont(control);
    break;
  case TAspect::Color:
    Invalidate(hwnd);
    return;
  case TAspect::Look:
    ShowLook(control, hwnd);
    break;
  }
  if (control.ControlKind() == TControl::Kind::Label)
    FitLabelHeight(static_cast<TLabel&>(control));
  InvalidateRect(hwnd, nullptr, TRUE);
}
