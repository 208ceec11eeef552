// The controls drawn by window classes of ours: labels, bevelled panels, and scroll boxes with the
// content they scroll.
#include <algorithm>

#include "platform/graphics.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/fonts_win32.h"
#include "platform/win32/loop_win32.h"
#include "platform/win32/paint_win32.h"
#include "platform/win32/scale_win32.h"
#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

constexpr int kScrollLine = 13;             // px, a line of the window font
constexpr int kWheelStep = 3 * kScrollLine; // px

void PaintLabel(HWND hwnd, HDC dc, const TLabel& label) {
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GroundBrush(label));
  const std::wstring text = Wide(label.Caption());
  if (text.empty())
    return;
  const TFont font = label.Font();
  HGDIOBJ old = SelectObject(dc, FontHandle(DeviceFont(label)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorRefOf(IsWindowEnabled(hwnd) ? font.Color : clGray));
  UINT flags = DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS;
  if (label.WordWrap())
    flags |= DT_WORDBREAK;
  RECT area = client;
  if (label.Layout() == TTextLayout::tlCenter) {
    RECT measured = client;
    DrawTextW(dc, text.c_str(), int(text.size()), &measured, flags | DT_CALCRECT);
    const int height = measured.bottom - measured.top;
    area.top = client.top + (client.bottom - client.top - height) / 2;
    area.bottom = area.top + height;
  }
  DrawTextW(dc, text.c_str(), int(text.size()), &area, flags);
  SelectObject(dc, old);
}

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

void ScrollTo(TScrollBox& box, int top) {
  box.Peer().scrollTop = top;
  UpdateScrollBox(box);
}

int ScrollTarget(HWND hwnd, const TScrollBox& box, WPARAM wParam) {
  const TControlPeer& peer = box.Peer();
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(hwnd, SB_VERT, &info);
  const TScale scale = ScaleOf(box);
  const int line = scale.Length(kScrollLine);
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
    return scale.Edge(box.RangeHeight());
  default:
    return peer.scrollTop;
  }
}

} // namespace

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Guarded(hwnd, msg, wParam, lParam, nullptr, [&]() -> LRESULT {
    switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      const Painting painting(hwnd);
      if (const TControl* label = ControlOf(hwnd))
        PaintLabel(hwnd, painting.Dc(), static_cast<const TLabel&>(*label));
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

// A word-wrapped label with AutoSize takes the height of its text, as its window's font draws it
// at its width; its bottom edge falls where the rounding rule puts one.
void FitLabelHeight(const TLabel& label) {
  if (!label.AutoSize())
    return;
  HWND hwnd = HwndOf(label);
  const TScale scale = ScaleOf(label);
  const TRect device = DeviceRectOf(hwnd);
  const SIZE needed = TextExtent(DeviceFont(label), label.Caption(),
                                 label.WordWrap() ? std::max(device.Width, 1) : 0);
  const int height = scale.SpanToHold(needed.cy, scale.PixelsOf(device.Top));
  SetWindowPos(hwnd, nullptr, 0, 0, device.Width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
      const Painting painting(hwnd);
      if (control && control->ControlKind() == TControl::Kind::Panel) {
        RECT rect;
        GetClientRect(hwnd, &rect);
        const auto* panel = static_cast<const TPanel*>(control);
        DrawBevel(painting.Dc(), rect, panel->Bevel(), ScaleOf(*panel).Length(panel->BevelWidth()));
      }
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

void UpdateScrollBox(TScrollBox& box) {
  TControlPeer& peer = box.Peer();
  const TScale scale = ScaleOf(box);
  const int rangeWidth = scale.Edge(box.RangeWidth()), rangeHeight = scale.Edge(box.RangeHeight());
  RECT view;
  GetClientRect(peer.hwnd, &view);
  const int viewHeight = view.bottom - view.top;
  peer.scrollTop = std::clamp(peer.scrollTop, 0, std::max(0, rangeHeight - viewHeight));
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = std::max(0, rangeHeight - 1);
  info.nPage = UINT(std::max(0, viewHeight));
  info.nPos = peer.scrollTop;
  SetScrollInfo(peer.hwnd, SB_VERT, &info, TRUE);
  GetClientRect(peer.hwnd, &view);
  // The content widens to the view when the view is wider than the range.
  const int width = std::max(rangeWidth, int(view.right - view.left));
  SetWindowPos(peer.container, nullptr, 0, -peer.scrollTop, width,
               std::max(rangeHeight, int(view.bottom - view.top)), SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK ScrollBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Guarded(hwnd, msg, wParam, lParam, nullptr, [&]() -> LRESULT {
    auto* box = static_cast<TScrollBox*>(ControlOf(hwnd));
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
        ScrollTo(*box, ScrollTarget(hwnd, *box, wParam));
      return 0;
    case WM_MOUSEWHEEL:
      if (box)
        ScrollTo(*box, box->Peer().scrollTop - GET_WHEEL_DELTA_WPARAM(wParam) *
                                                   ScaleOf(*box).Length(kWheelStep) / WHEEL_DELTA);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
  });
}

void ResizeScrollBoxes(const TControl& parent) {
  for (const std::unique_ptr<TControl>& child : parent.Controls()) {
    if (child->ControlKind() == TControl::Kind::ScrollBox)
      FillParent(*child);
  }
}

void FillParent(const TControl& control) {
  RECT client;
  GetClientRect(ContainerOf(*control.Parent()), &client);
  const TRect device = ScaleOf(control).Snapped({0, 0, client.right, client.bottom});
  MoveWindow(HwndOf(control), device.Left, device.Top, device.Width, device.Height, TRUE);
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

} // namespace platform::win32

using namespace platform::win32;

TLabel::TLabel(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::Label, std::move(caption)) {
  CreateControlWindow(*this, kLabelClass, 0, 0);
}

int TLabel::LineHeight() const {
  return ScaleOf(*this).PixelsOf(LineHeightOf(DeviceFont(*this)));
}

TPanel::TPanel(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::Panel) {
  CreateControlWindow(*this, kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

TScrollBox::TScrollBox(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::ScrollBox) {
  HWND box = CreateControlWindow(*this, kScrollBoxClass, WS_VSCROLL | WS_CLIPCHILDREN,
                                 WS_EX_CONTROLPARENT);
  HWND content = CreateWindowExW(WS_EX_CONTROLPARENT, kScrollContentClass, L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, box, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  Peer().container = content;
  RegisterControlWindow(content, *this);
  // Fills its parent's client area; the parent keeps it so when it resizes.
  FillParent(*this);
  UpdateScrollBox(*this);
}
