// The controls as the desktop's own windows: static text, buttons, list and edit boxes, and a few
// window classes of ours for labels, panels and scroll boxes.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <unordered_map>

#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/win32/fonts_win32.h"
#include "platform/win32/peer.h"
#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kLabelClass[] = L"QuillmorLabel";
constexpr wchar_t kPanelClass[] = L"QuillmorPanel";
constexpr wchar_t kScrollBoxClass[] = L"QuillmorScrollBox";
constexpr wchar_t kScrollContentClass[] = L"QuillmorScrollContent";
constexpr int kWheelStep = 3 * 13; // px, three lines of the window font
// A radio button's circle and the gap before its caption.
constexpr int kRadioIndicator = 13; // px
constexpr int kRadioGap = 4;        // px

std::unordered_map<HWND, TControl*>& Controls() {
  static std::unordered_map<HWND, TControl*> controls;
  return controls;
}

class BrushCache {
public:
  BrushCache() = default;
  BrushCache(const BrushCache&) = delete;
  BrushCache& operator=(const BrushCache&) = delete;
  ~BrushCache() {
    for (const auto& entry : brushes_)
      DeleteObject(entry.second);
  }
  HBRUSH Get(TColor colour) {
    auto found = brushes_.find(colour);
    if (found != brushes_.end())
      return found->second;
    HBRUSH brush = CreateSolidBrush(ColorRefOf(colour));
    brushes_.emplace(colour, brush);
    return brush;
  }

private:
  std::map<TColor, HBRUSH> brushes_;
};

// Every window procedure of ours answers through this: nothing escapes into the desktop's code.
template <class Body>
LRESULT Guarded(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC next, Body body) {
  try {
    return body();
  } catch (...) {
    return next ? CallWindowProcW(next, hwnd, msg, wParam, lParam)
                : DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

WNDPROC ClassProcOf(HWND hwnd) {
  return reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC));
}

bool IsPushButton(TPeerKind kind) {
  return kind == TPeerKind::Button || kind == TPeerKind::BitBtn;
}

void FillGround(HWND hwnd, HDC dc, const TControl* control) {
  RECT rect;
  GetClientRect(hwnd, &rect);
  FillRect(dc, &rect, control ? GroundBrush(*control) : GetSysColorBrush(COLOR_BTNFACE));
}

// ---- Labels ----

void PaintLabel(HWND hwnd, HDC dc, const TControl& label) {
  const TControlPeer& peer = label.Peer();
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GroundBrush(label));
  const std::wstring text = Wide(label.Caption());
  if (text.empty())
    return;
  const TFont font = label.Font();
  HGDIOBJ old = SelectObject(dc, FontHandle(font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorRefOf(IsWindowEnabled(hwnd) ? font.Color : clGray));
  UINT flags = DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS;
  if (peer.wordWrap)
    flags |= DT_WORDBREAK;
  RECT area = client;
  if (peer.layout == TTextLayout::tlCenter) {
    RECT measured = client;
    DrawTextW(dc, text.c_str(), int(text.size()), &measured, flags | DT_CALCRECT);
    const int height = measured.bottom - measured.top;
    area.top = client.top + (client.bottom - client.top - height) / 2;
    area.bottom = area.top + height;
  }
  DrawTextW(dc, text.c_str(), int(text.size()), &area, flags);
  SelectObject(dc, old);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Guarded(hwnd, msg, wParam, lParam, nullptr, [&]() -> LRESULT {
    switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      if (const TControl* label = ControlOf(hwnd))
        PaintLabel(hwnd, dc, *label);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_SETFONT:
      return 0;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
  });
}

void FitLabelHeight(TControl& label) {
  HWND hwnd = HwndOf(label);
  RECT rect;
  GetWindowRect(hwnd, &rect);
  const int width = rect.right - rect.left;
  const SIZE needed =
      TextExtent(label.Font(), label.Caption(), label.Peer().wordWrap ? std::max(width, 1) : 0);
  SetWindowPos(hwnd, nullptr, 0, 0, width, needed.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Panels and scroll boxes ----

void DrawBevel(HDC dc, RECT rect, TPanelBevel bevel, int width) {
  if (bevel == TPanelBevel::bvNone)
    return;
  const bool lowered = bevel == TPanelBevel::bvLowered;
  HBRUSH topLeft = GetSysColorBrush(lowered ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
  HBRUSH bottomRight = GetSysColorBrush(lowered ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
  for (int i = 0; i < width; ++i) {
    RECT top{rect.left, rect.top, rect.right, rect.top + 1};
    RECT left{rect.left, rect.top, rect.left + 1, rect.bottom};
    RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
    FillRect(dc, &bottom, bottomRight);
    FillRect(dc, &right, bottomRight);
    FillRect(dc, &top, topLeft);
    FillRect(dc, &left, topLeft);
    InflateRect(&rect, -1, -1);
  }
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Guarded(hwnd, msg, wParam, lParam, nullptr, [&]() -> LRESULT {
    LRESULT result = 0;
    if (HandleChildMessage(hwnd, msg, wParam, lParam, result))
      return result;
    const TControl* control = ControlOf(hwnd);
    switch (msg) {
    case WM_ERASEBKGND:
      FillGround(hwnd, HDC(wParam), control);
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      if (control && control->ControlKind() == TPeerKind::Panel) {
        RECT rect;
        GetClientRect(hwnd, &rect);
        DrawBevel(dc, rect, control->Peer().bevel, control->Peer().bevelWidth);
      }
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_SIZE:
      if (control)
        ResizeScrollBoxes(*control);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
  });
}

void UpdateScrollBox(TControl& box) {
  TControlPeer& peer = box.Peer();
  RECT view;
  GetClientRect(peer.hwnd, &view);
  const int viewHeight = view.bottom - view.top;
  peer.scrollTop = std::clamp(peer.scrollTop, 0, std::max(0, peer.rangeHeight - viewHeight));
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = std::max(0, peer.rangeHeight - 1);
  info.nPage = UINT(std::max(0, viewHeight));
  info.nPos = peer.scrollTop;
  SetScrollInfo(peer.hwnd, SB_VERT, &info, TRUE);
  GetClientRect(peer.hwnd, &view);
  // The content widens to the view when the view is wider than the range.
  const int width = std::max(peer.rangeWidth, int(view.right - view.left));
  SetWindowPos(peer.container, nullptr, 0, -peer.scrollTop, width,
               std::max(peer.rangeHeight, int(view.bottom - view.top)),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void ScrollTo(TControl& box, int top) {
  box.Peer().scrollTop = top;
  UpdateScrollBox(box);
}

int ScrollTarget(HWND hwnd, const TControlPeer& peer, WPARAM wParam) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(hwnd, SB_VERT, &info);
  const int line = 13;
  switch (LOWORD(wParam)) {
  case SB_LINEUP:
    return peer.scrollTop - line;
  case SB_LINEDOWN:
    return peer.scrollTop + line;
  case SB_PAGEUP:
    return peer.scrollTop - int(info.nPage);
  case SB_PAGEDOWN:
    return peer.scrollTop + int(info.nPage);
  case SB_THUMBTRACK:
  case SB_THUMBPOSITION:
    return info.nTrackPos;
  case SB_TOP:
    return 0;
  case SB_BOTTOM:
    return peer.rangeHeight;
  default:
    return peer.scrollTop;
  }
}

LRESULT CALLBACK ScrollBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Guarded(hwnd, msg, wParam, lParam, nullptr, [&]() -> LRESULT {
    TControl* box = ControlOf(hwnd);
    switch (msg) {
    case WM_ERASEBKGND:
      FillGround(hwnd, HDC(wParam), box);
      return 1;
    case WM_SIZE:
      if (box && box->Peer().container)
        UpdateScrollBox(*box);
      return 0;
    case WM_VSCROLL:
      if (box)
        ScrollTo(*box, ScrollTarget(hwnd, box->Peer(), wParam));
      return 0;
    case WM_MOUSEWHEEL:
      if (box)
        ScrollTo(*box,
                 box->Peer().scrollTop - GET_WHEEL_DELTA_WPARAM(wParam) * kWheelStep / WHEEL_DELTA);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
  });
}

// ---- The desktop's controls, with what they need of ours ----

// A radio button drawn as the desktop draws one, but with its caption in the caption colour and
// grey when disabled (the desktop's own embossing vanishes on some grounds).
void PaintRadio(HWND hwnd, HDC dc, const TControl& radio) {
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GroundBrush(radio));
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  const LRESULT state = SendMessageW(hwnd, BM_GETSTATE, 0, 0);
  const int height = client.bottom - client.top;
  RECT circle{0, (height - kRadioIndicator) / 2, kRadioIndicator,
              (height - kRadioIndicator) / 2 + kRadioIndicator};
  UINT look = DFCS_BUTTONRADIO;
  if (state & BST_CHECKED)
    look |= DFCS_CHECKED;
  if (state & BST_PUSHED)
    look |= DFCS_PUSHED;
  if (!enabled)
    look |= DFCS_INACTIVE;
  DrawFrameControl(dc, &circle, DFC_BUTTON, look);
  const TFont font = radio.Font();
  HGDIOBJ old = SelectObject(dc, FontHandle(font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorRefOf(enabled ? font.Color : clGray));
  const std::wstring caption = Wide(radio.Caption());
  RECT text{kRadioIndicator + kRadioGap, 0, client.right, client.bottom};
  DrawTextW(dc, caption.c_str(), int(caption.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (GetFocus() == hwnd && !caption.empty()) {
    RECT focus = text;
    DrawTextW(dc, caption.c_str(), int(caption.size()), &focus, DT_CALCRECT | DT_SINGLELINE);
    const int shift = (height - (focus.bottom - focus.top)) / 2;
    OffsetRect(&focus, 0, shift);
    InflateRect(&focus, 1, 1);
    DrawFocusRect(dc, &focus);
  }
  SelectObject(dc, old);
}

// The messages after which the desktop's button code has drawn a radio button its own way.
bool RedrawsRadio(UINT msg) {
  switch (msg) {
  case BM_SETCHECK:
  case BM_SETSTATE:
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
  case WM_ENABLE:
  case WM_SETTEXT:
  case WM_LBUTTONDOWN:
  case WM_LBUTTONUP:
  case WM_KEYDOWN:
  case WM_KEYUP:
  case WM_CAPTURECHANGED:
  case WM_UPDATEUISTATE:
    return true;
  default:
    return false;
  }
}

LRESULT RadioMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC next,
                     const TControl& radio) {
  switch (msg) {
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT: {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    PaintRadio(hwnd, dc, radio);
    EndPaint(hwnd, &paint);
    return 0;
  }
  default: {
    const LRESULT result = CallWindowProcW(next, hwnd, msg, wParam, lParam);
    if (RedrawsRadio(msg) && IsWindow(hwnd))
      InvalidateRect(hwnd, nullptr, FALSE);
    return result;
  }
  }
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
      const TPeerKind kind = control->ControlKind();
      if (kind == TPeerKind::RadioButton)
        return RadioMessage(hwnd, msg, wParam, lParam, next, *control);
      if (msg == WM_ERASEBKGND && kind == TPeerKind::GroupBox) {
        FillGround(hwnd, HDC(wParam), control);
        return 1;
      }
      if (msg == WM_GETDLGCODE && kind == TPeerKind::Memo && !control->Peer().wantTabs) {
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

int NextControlId() {
  // Above IDOK and IDCANCEL, which the desktop's keyboard handling sends on its own.
  static int next = 100;
  return next++;
}

HWND CreateControlWindow(TControl& control, const wchar_t* windowClass, DWORD style, DWORD exStyle,
                         const std::string& caption) {
  RegisterWindowClasses();
  HWND parent = ContainerOf(*control.Parent());
  const std::wstring text = Wide(caption);
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
  const bool ours =
      windowClass == kLabelClass || windowClass == kPanelClass || windowClass == kScrollBoxClass;
  if (!ours)
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc));
  ApplyFont(control);
  return hwnd;
}

// ---- Owner-drawn bitmap buttons ----

void DrawGlyph(HDC dc, const TPixels& glyph, TColor transparent, int left, int top, bool enabled) {
  for (int y = 0; y < glyph.Height(); ++y) {
    for (int x = 0; x < glyph.Width(); ++x) {
      const TColor colour = glyph.Pixel(x, y);
      if (colour == transparent)
        continue;
      TColor shown = colour;
      if (!enabled) {
        const int grey = (RedOf(colour) + GreenOf(colour) + BlueOf(colour)) / 3;
        shown = grey < 192 ? clGray : clSilver;
      }
      SetPixelV(dc, left + x, top + y, ColorRefOf(shown));
    }
  }
}

void DrawBitBtn(const DRAWITEMSTRUCT& item, const TControl& button) {
  const TControlPeer& peer = button.Peer();
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  const bool enabled = (item.itemState & ODS_DISABLED) == 0;
  FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
  if (peer.isDefault || (item.itemState & ODS_FOCUS)) {
    FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&rect, -1, -1);
  }
  DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED | DFCS_FLAT : 0));
  const int shift = pushed ? 1 : 0;
  const int width = item.rcItem.right - item.rcItem.left;
  const int height = item.rcItem.bottom - item.rcItem.top;

  const TFont font = button.Font();
  HGDIOBJ old = SelectObject(dc, FontHandle(font));
  const std::wstring caption = Wide(button.Caption());
  SIZE text{0, 0};
  RECT measured{0, 0, 0, 0};
  DrawTextW(dc, caption.c_str(), int(caption.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
  text.cx = measured.right - measured.left;
  text.cy = measured.bottom - measured.top;
  const int glyphWidth = peer.glyph.Empty() ? 0 : peer.glyph.Width();
  const int gap = glyphWidth && !caption.empty() ? TBitBtn::kSpacing : 0;
  const int left = peer.margin >= 0 ? peer.margin : (width - glyphWidth - gap - text.cx) / 2;
  if (glyphWidth) {
    DrawGlyph(dc, peer.glyph, peer.glyphTransparent, left + shift,
              (height - peer.glyph.Height()) / 2 + shift, enabled);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorRefOf(enabled ? font.Color : clGray));
  RECT captionRect{left + glyphWidth + gap + shift, shift, width + shift, height + shift};
  DrawTextW(dc, caption.c_str(), int(caption.size()), &captionRect,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -4, -4);
    DrawFocusRect(dc, &focus);
  }
}

// The desktop's OK picture: a green tick on a ground that is not drawn.
TPixels OkGlyph() {
  constexpr TColor kGround = 0x008080; // olive, the glyph's transparent colour
  constexpr TColor kTick = 0x008000;
  TPixels glyph(15, 15, TPixelFormat::pf24bit);
  glyph.Fill(kGround);
  const TPoint stroke[] = {{1, 7}, {5, 11}, {13, 3}};
  for (int part = 0; part < 2; ++part) {
    const TPoint from = stroke[part], to = stroke[part + 1];
    const int steps = std::max(std::abs(to.X - from.X), std::abs(to.Y - from.Y));
    for (int i = 0; i <= steps; ++i) {
      const int x = from.X + (to.X - from.X) * i / steps;
      const int y = from.Y + (to.Y - from.Y) * i / steps;
      for (int dy = 0; dy < 3; ++dy)
        glyph.SetPixel(x, std::min(y + dy, 14), kTick);
    }
  }
  return glyph;
}

// ---- Radio buttons ----

std::vector<TControl*> RadiosOf(const TControl& parent) {
  std::vector<TControl*> radios;
  for (const std::unique_ptr<TControl>& child : parent.Controls()) {
    if (child->ControlKind() == TPeerKind::RadioButton)
      radios.push_back(child.get());
  }
  return radios;
}

void CheckRadio(TControl& radio) {
  for (TControl* other : RadiosOf(*radio.Parent()))
    SendMessageW(HwndOf(*other), BM_SETCHECK, other == &radio ? BST_CHECKED : BST_UNCHECKED, 0);
  UpdateRadioTabStops(*radio.Parent());
}

void Clicked(TControl& control) {
  if (control.ControlKind() == TPeerKind::RadioButton)
    CheckRadio(control);
  if (control.OnClick)
    RunHandler(control.OnClick);
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

} // namespace

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
  return control && control->ControlKind() == TPeerKind::Form ? static_cast<TForm*>(control)
                                                              : nullptr;
}

COLORREF ColorRefOf(TColor colour) {
  // The same layout: red in the lowest byte.
  return COLORREF(colour & 0xFFFFFF);
}

HBRUSH BrushOf(TColor colour) {
  static BrushCache cache;
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
    const TPeerKind kind = control->ControlKind();
    if (!IsPushButton(kind) && kind != TPeerKind::RadioButton)
      return false;
    Clicked(*control);
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
    const TPeerKind kind = control->ControlKind();
    SetTextColor(dc, ColorRefOf(IsWindowEnabled(child) ? control->Font().Color : clGray));
    if (kind == TPeerKind::Memo || kind == TPeerKind::ListBox) {
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
    if (!control || control->ControlKind() != TPeerKind::BitBtn)
      return false;
    DrawBitBtn(*item, *control);
    result = TRUE;
    return true;
  }
  default:
    return false;
  }
}

void RegisterWindowClasses() {
  static const bool registered = [] {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto add = [instance](const wchar_t* name, WNDPROC proc, UINT style) {
      WNDCLASSEXW windowClass{};
      windowClass.cbSize = sizeof windowClass;
      windowClass.style = style;
      windowClass.lpfnWndProc = proc;
      windowClass.hInstance = instance;
      windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
      windowClass.lpszClassName = name;
      RegisterClassExW(&windowClass);
    };
    add(kLabelClass, &LabelProc, CS_HREDRAW | CS_VREDRAW);
    add(kPanelClass, &PanelProc, CS_HREDRAW | CS_VREDRAW);
    add(kScrollContentClass, &PanelProc, 0);
    add(kScrollBoxClass, &ScrollBoxProc, 0);
    return true;
  }();
  (void)registered;
}

void UpdateRadioTabStops(const TControl& parent) {
  const std::vector<TControl*> radios = RadiosOf(parent);
  if (radios.empty())
    return;
  TControl* stop = radios.front();
  for (TControl* radio : radios) {
    if (static_cast<TRadioButton*>(radio)->Checked()) {
      stop = radio;
      break;
    }
  }
  for (TControl* radio : radios)
    SetStyleBit(HwndOf(*radio), WS_TABSTOP, radio == stop);
}

void ForEachControl(const TControl& root, const std::function<void(TControl&)>& visit) {
  for (const std::unique_ptr<TControl>& child : root.Controls()) {
    visit(*child);
    ForEachControl(*child, visit);
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

void ResizeScrollBoxes(const TControl& parent) {
  HWND container = ContainerOf(parent);
  RECT client;
  GetClientRect(container, &client);
  for (const std::unique_ptr<TControl>& child : parent.Controls()) {
    if (child->ControlKind() == TPeerKind::ScrollBox)
      MoveWindow(HwndOf(*child), 0, 0, client.right, client.bottom, TRUE);
  }
}

bool CanFocus(const TControl& control) {
  for (const TControl* c = &control; c; c = c->Parent()) {
    HWND hwnd = HwndOf(*c);
    if (!hwnd || !(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) || !IsWindowEnabled(hwnd))
      return false;
  }
  return true;
}

void MoveInRadioGroup(TControl& radio, bool forward) {
  std::vector<TControl*> radios = RadiosOf(*radio.Parent());
  std::erase_if(radios, [&radio](TControl* r) { return r != &radio && !CanFocus(*r); });
  const auto at = std::find(radios.begin(), radios.end(), &radio);
  if (radios.size() < 2 || at == radios.end())
    return;
  const std::size_t index = std::size_t(at - radios.begin());
  const std::size_t count = radios.size();
  TControl* next = radios[forward ? (index + 1) % count : (index + count - 1) % count];
  SetFocus(HwndOf(*next));
  Clicked(*next);
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

// The window went with its control (see ~TControl); a form's with the form's own destructor.
TControlPeer::~TControlPeer() = default;

// ---- Every control ----

TControl::TControl(TControl* parent, std::string name, Kind kind)
    : parent_(parent), name_(std::move(name)), kind_(kind),
      peer_(std::make_unique<TControlPeer>()) {
  peer_->owner = this;
}

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
  if (kind_ == TPeerKind::Form) {
    RECT client;
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    return {origin.x, origin.y, client.right, client.bottom};
  }
  RECT rect;
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void TControl::SetBounds(const TRect& bounds) {
  HWND hwnd = HwndOf(*this);
  if (kind_ == TPeerKind::Form) {
    RECT outer{bounds.Left, bounds.Top, bounds.Right(), bounds.Bottom()};
    AdjustWindowRectEx(&outer, DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
    SetWindowPos(hwnd, nullptr, outer.left, outer.top, outer.right - outer.left,
                 outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  MoveWindow(hwnd, bounds.Left, bounds.Top, bounds.Width, bounds.Height, TRUE);
  if (kind_ == TPeerKind::Label && peer_->autoSize)
    FitLabelHeight(*this);
}

TRect TControl::ClientRect() const {
  HWND hwnd = HwndOf(*this);
  RECT client;
  GetClientRect(hwnd, &client);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  RECT window;
  GetWindowRect(hwnd, &window);
  TRect rect{0, 0, client.right, client.bottom};
  if (kind_ != TPeerKind::Form) {
    rect.Left = origin.x - window.left;
    rect.Top = origin.y - window.top;
  }
  if (kind_ == TPeerKind::Panel && peer_->bevel != TPanelBevel::bvNone) {
    const int inset = peer_->bevelWidth;
    rect = {rect.Left + inset, rect.Top + inset, rect.Width - 2 * inset, rect.Height - 2 * inset};
  }
  return rect;
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

std::string TControl::Caption() const {
  return WindowText(HwndOf(*this));
}

void TControl::SetCaption(const std::string& caption) {
  HWND hwnd = HwndOf(*this);
  SetWindowTextW(hwnd, Wide(caption).c_str());
  if (kind_ == TPeerKind::Label && peer_->autoSize)
    FitLabelHeight(*this);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void TControl::SetFont(const TFont& font) {
  font_ = font;
  ownFont_ = true;
  ApplyFont(*this);
  if (kind_ == TPeerKind::Label && peer_->autoSize)
    FitLabelHeight(*this);
}

void TControl::SetColor(TColor colour) {
  color_ = colour;
  ownColor_ = true;
  Invalidate(HwndOf(*this));
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

void TControl::Click() {
  if (!IsWindowEnabled(HwndOf(*this)))
    return;
  if (kind_ == TPeerKind::RadioButton) {
    CheckRadio(*this);
  }
  if (OnClick)
    RunHandler(OnClick);
}

// ---- Labels ----

TLabel::TLabel(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::Label) {
  CreateControlWindow(*this, kLabelClass, 0, 0, caption);
}

void TLabel::SetWordWrap(bool wrap) {
  Peer().wordWrap = wrap;
  if (Peer().autoSize)
    FitLabelHeight(*this);
  InvalidateRect(HwndOf(*this), nullptr, FALSE);
}

void TLabel::SetAutoSize(bool autoSize) {
  Peer().autoSize = autoSize;
  if (autoSize)
    FitLabelHeight(*this);
}

void TLabel::SetLayout(TTextLayout layout) {
  Peer().layout = layout;
  InvalidateRect(HwndOf(*this), nullptr, FALSE);
}

int TLabel::LineHeight() const {
  return LineHeightOf(Font());
}

// ---- Buttons ----

TButton::TButton(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::Button) {
  CreateControlWindow(*this, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, caption);
}

TButton::TButton(TControl& parent, std::string name, Kind kind)
    : TControl(&parent, std::move(name), kind) {}

void TButton::SetDefault(bool isDefault) {
  Peer().isDefault = isDefault;
  HWND hwnd = HwndOf(*this);
  if (ControlKind() == TPeerKind::Button)
    SendMessageW(hwnd, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  else
    InvalidateRect(hwnd, nullptr, FALSE);
}

TBitBtn::TBitBtn(TControl& parent, std::string name, std::string caption)
    : TButton(parent, std::move(name), Kind::BitBtn) {
  CreateControlWindow(*this, L"BUTTON", BS_OWNERDRAW | WS_TABSTOP, 0, caption);
}

void TBitBtn::SetKind(TBitBtnKind kind) {
  if (kind != TBitBtnKind::bkOK)
    return;
  Peer().glyph = OkGlyph();
  Peer().glyphTransparent = Peer().glyph.Pixel(0, Peer().glyph.Height() - 1);
  InvalidateRect(HwndOf(*this), nullptr, FALSE);
}

void TBitBtn::SetGlyph(const TBitmap& glyph) {
  Peer().glyph = glyph.Pixels().Copy();
  if (!Peer().glyph.Empty())
    Peer().glyphTransparent = Peer().glyph.Pixel(0, Peer().glyph.Height() - 1);
  InvalidateRect(HwndOf(*this), nullptr, FALSE);
}

void TBitBtn::SetMargin(int margin) {
  Peer().margin = margin;
  InvalidateRect(HwndOf(*this), nullptr, FALSE);
}

TRadioButton::TRadioButton(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::RadioButton) {
  // Not yet among its parent's controls.
  const bool first = RadiosOf(parent).empty();
  CreateControlWindow(*this, L"BUTTON", BS_RADIOBUTTON | (first ? WS_GROUP | WS_TABSTOP : 0), 0,
                      caption);
}

bool TRadioButton::Checked() const {
  return SendMessageW(HwndOf(*this), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TRadioButton::SetChecked(bool checked) {
  if (checked) {
    CheckRadio(*this);
    return;
  }
  SendMessageW(HwndOf(*this), BM_SETCHECK, BST_UNCHECKED, 0);
  UpdateRadioTabStops(*Parent());
}

// ---- Frames and panels ----

TGroupBox::TGroupBox(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::GroupBox) {
  CreateControlWindow(*this, L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                      caption);
}

TPanel::TPanel(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::Panel) {
  CreateControlWindow(*this, kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, "");
}

void TPanel::SetBevel(TPanelBevel outer, int width) {
  Peer().bevel = outer;
  Peer().bevelWidth = std::max(width, 0);
  InvalidateRect(HwndOf(*this), nullptr, TRUE);
}

// ---- Lists ----

TListBox::TListBox(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::ListBox) {
  CreateControlWindow(*this, L"LISTBOX",
                      LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP | WS_BORDER, 0,
                      "");
}

void TListBox::AddItem(const std::string& text) {
  items_.push_back(text);
  SendMessageW(HwndOf(*this), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void TListBox::DeleteItem(int index) {
  items_.erase(items_.begin() + index);
  SendMessageW(HwndOf(*this), LB_DELETESTRING, WPARAM(index), 0);
}

void TListBox::Clear() {
  items_.clear();
  SendMessageW(HwndOf(*this), LB_RESETCONTENT, 0, 0);
}

int TListBox::ItemIndex() const {
  const LRESULT index = SendMessageW(HwndOf(*this), LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : int(index);
}

void TListBox::SetItemIndex(int index) {
  SendMessageW(HwndOf(*this), LB_SETCURSEL, WPARAM(index), 0);
}

void TListBox::SetItemHeight(int pixels) {
  SendMessageW(HwndOf(*this), LB_SETITEMHEIGHT, 0, pixels);
}

// ---- Memos ----

TMemo::TMemo(TControl& parent, std::string name) : TControl(&parent, std::move(name), Kind::Memo) {
  CreateControlWindow(*this, L"EDIT",
                      ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP | WS_BORDER, 0,
                      "");
}

std::string TMemo::Text() const {
  std::string text = Caption();
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

void TMemo::SetScrollBars(TScrollStyle style) {
  HWND hwnd = HwndOf(*this);
  SetStyleBit(hwnd, WS_VSCROLL, style == TScrollStyle::ssVertical);
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowScrollBar(hwnd, SB_VERT, style == TScrollStyle::ssVertical);
}

void TMemo::SetWantTabs(bool want) {
  Peer().wantTabs = want;
}

// ---- Images ----

TImage::TImage(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::Image) {
  HWND hwnd = NewImageWindow(*this, ContainerOf(parent));
  Peer().hwnd = hwnd;
  Peer().container = hwnd;
  RegisterControlWindow(hwnd, *this);
  // Shown with its window, as every control is; later controls are drawn above it.
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ConnectPicture();
}

// ---- Scroll boxes ----

TScrollBox::TScrollBox(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::ScrollBox) {
  HWND box = CreateControlWindow(*this, kScrollBoxClass, WS_VSCROLL | WS_CLIPCHILDREN,
                                 WS_EX_CONTROLPARENT, "");
  HWND content = CreateWindowExW(WS_EX_CONTROLPARENT, kScrollContentClass, L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, box, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  Peer().container = content;
  RegisterControlWindow(content, *this);
  // Fills its parent's client area; the parent keeps it so when it resizes.
  RECT client;
  GetClientRect(ContainerOf(parent), &client);
  MoveWindow(box, 0, 0, client.right, client.bottom, TRUE);
  UpdateScrollBox(*this);
}

void TScrollBox::SetRange(int width, int height) {
  Peer().rangeWidth = width;
  Peer().rangeHeight = height;
  UpdateScrollBox(*this);
}
