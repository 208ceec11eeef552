// The desktop's button family: push buttons, bitmap buttons drawn by us, radio buttons with a
// caption in their colour, and group boxes.
#include <algorithm>
#include <cstdlib>
#include <set>

#include "platform/backend.h"
#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/fonts_win32.h"
#include "platform/win32/paint_win32.h"
#include "platform/win32/scale_win32.h"
#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

// A radio button drawn as the desktop draws one, but with its caption in the caption colour and
// grey when disabled (the desktop's own embossing vanishes on some grounds).
void PaintRadio(HWND hwnd, HDC dc, const TControl& radio) {
  const TScale scale = ScaleOf(radio);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GroundBrush(radio));
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  const LRESULT state = SendMessageW(hwnd, BM_GETSTATE, 0, 0);
  const int height = client.bottom - client.top;
  const int indicator = scale.Length(kRadioIndicator);
  RECT circle{0, (height - indicator) / 2, indicator, (height - indicator) / 2 + indicator};
  UINT look = DFCS_BUTTONRADIO;
  if (state & BST_CHECKED)
    look |= DFCS_CHECKED;
  if (state & BST_PUSHED)
    look |= DFCS_PUSHED;
  if (!enabled)
    look |= DFCS_INACTIVE;
  DrawFrameControl(dc, &circle, DFC_BUTTON, look);
  const TFont font = radio.Font();
  HGDIOBJ old = SelectObject(dc, FontHandle(DeviceFont(radio)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorRefOf(enabled ? font.Color : clGray));
  const std::wstring caption = Wide(radio.Caption());
  RECT text{indicator + scale.Length(kRadioGap), 0, client.right, client.bottom};
  DrawTextW(dc, caption.c_str(), int(caption.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (GetFocus() == hwnd && !caption.empty()) {
    RECT focus = text;
    DrawTextW(dc, caption.c_str(), int(caption.size()), &focus, DT_CALCRECT | DT_SINGLELINE);
    const int shift = (height - (focus.bottom - focus.top)) / 2;
    OffsetRect(&focus, 0, shift);
    InflateRect(&focus, scale.Length(1), scale.Length(1));
    DrawFocusRect(dc, &focus);
  }
  SelectObject(dc, old);
}

// The messages after which the desktop's button code has drawn a radio button its own way.
bool RedrawsRadio(UINT msg) {
  static const std::set<UINT> redrawing = {
      BM_SETCHECK,    BM_SETSTATE,  WM_SETFOCUS, WM_KILLFOCUS, WM_ENABLE,         WM_SETTEXT,
      WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN,  WM_KEYUP,     WM_CAPTURECHANGED, WM_UPDATEUISTATE};
  return redrawing.count(msg) != 0;
}

// Greys a disabled button's picture as the desktop does.
TColor Greyed(TColor colour) {
  const int grey = (RedOf(colour) + GreenOf(colour) + BlueOf(colour)) / 3;
  return grey < 192 ? clGray : clSilver;
}

void DrawGlyph(HDC dc, const TPixels& glyph, TColor transparent, int left, int top, bool enabled) {
  for (int y = 0; y < glyph.Height(); ++y) {
    for (int x = 0; x < glyph.Width(); ++x) {
      const TColor colour = glyph.Pixel(x, y);
      if (colour == transparent)
        continue;
      SetPixelV(dc, left + x, top + y, ColorRefOf(enabled ? colour : Greyed(colour)));
    }
  }
}

// The picture at a scale other than 1: its transparent pixels take the button's face, so that
// the smoothed edges blend into the face, not into the transparent colour.
TPixels ScaledGlyph(const TPixels& glyph, TScale scale, bool enabled) {
  const TColor transparent = glyph.Pixel(0, glyph.Height() - 1);
  const TColor face = TColor(GetSysColor(COLOR_BTNFACE));
  TPixels source(glyph.Width(), glyph.Height(), TPixelFormat::pf24bit);
  for (int y = 0; y < glyph.Height(); ++y) {
    for (int x = 0; x < glyph.Width(); ++x) {
      const TColor colour = glyph.Pixel(x, y);
      source.SetPixel(x, y, colour == transparent ? face : enabled ? colour : Greyed(colour));
    }
  }
  TPixels scaled(scale.Length(glyph.Width()), scale.Length(glyph.Height()), TPixelFormat::pf32bit);
  ScaleSmoothly(source, scaled);
  return scaled;
}

// 32-bit pixels at their own size.
void DrawPixels(HDC dc, const TPixels& pixels, int left, int top) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = LONG(pixels.Stride() / 4);
  info.bmiHeader.biHeight = -LONG(pixels.Height());
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, left, top, DWORD(pixels.Width()), DWORD(pixels.Height()), 0, 0, 0,
                    UINT(pixels.Height()), pixels.Row(0), &info, DIB_RGB_COLORS);
}

// Lines of the given thickness along the rectangle's inside.
void FrameLines(HDC dc, RECT rect, HBRUSH brush, int thickness) {
  for (int i = 0; i < thickness; ++i) {
    FrameRect(dc, &rect, brush);
    InflateRect(&rect, -1, -1);
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

} // namespace

LRESULT RadioMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC next,
                     const TControl& radio) {
  switch (msg) {
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT:
    PaintRadio(hwnd, Painting(hwnd).Dc(), radio);
    return 0;
  default: {
    const LRESULT result = CallWindowProcW(next, hwnd, msg, wParam, lParam);
    if (RedrawsRadio(msg) && IsWindow(hwnd))
      InvalidateRect(hwnd, nullptr, FALSE);
    return result;
  }
  }
}

void DrawBitBtn(const DRAWITEMSTRUCT& item, const TBitBtn& button) {
  const TScale scale = ScaleOf(button);
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  const bool enabled = (item.itemState & ODS_DISABLED) == 0;
  FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
  if (button.Default() || (item.itemState & ODS_FOCUS)) {
    const int line = scale.Length(1);
    FrameLines(dc, rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), line);
    InflateRect(&rect, -line, -line);
  }
  DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED | DFCS_FLAT : 0));
  const int shift = pushed ? scale.Length(1) : 0;
  const int width = item.rcItem.right - item.rcItem.left;
  const int height = item.rcItem.bottom - item.rcItem.top;

  const TFont font = button.Font();
  HGDIOBJ old = SelectObject(dc, FontHandle(DeviceFont(button)));
  const std::wstring caption = Wide(button.Caption());
  SIZE text{0, 0};
  RECT measured{0, 0, 0, 0};
  DrawTextW(dc, caption.c_str(), int(caption.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
  text.cx = measured.right - measured.left;
  text.cy = measured.bottom - measured.top;
  const TPixels& glyph = GlyphOf(button);
  const int glyphWidth = glyph.Empty() ? 0 : scale.Length(glyph.Width());
  const int gap = glyphWidth && !caption.empty() ? scale.Length(TBitBtn::kSpacing) : 0;
  const int margin = button.Margin();
  const int left = margin >= 0 ? scale.Edge(margin) : (width - glyphWidth - gap - text.cx) / 2;
  if (glyphWidth) {
    const int glyphLeft = left + shift;
    if (scale.Identity()) {
      DrawGlyph(dc, glyph, glyph.Pixel(0, glyph.Height() - 1), glyphLeft,
                (height - glyph.Height()) / 2 + shift, enabled);
    } else {
      const TPixels scaled = ScaledGlyph(glyph, scale, enabled);
      DrawPixels(dc, scaled, glyphLeft, (height - scaled.Height()) / 2 + shift);
    }
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorRefOf(enabled ? font.Color : clGray));
  RECT captionRect{left + glyphWidth + gap + shift, shift, width + shift, height + shift};
  DrawTextW(dc, caption.c_str(), int(caption.size()), &captionRect,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -scale.Length(4), -scale.Length(4));
    DrawFocusRect(dc, &focus);
  }
}

// A group box at a scale other than 1, drawn as the desktop draws one but with its lines and
// its caption's place scaled: an etched frame (a shadow line with a light line a line further
// in) from the caption's middle down, the caption on the ground over it.
void PaintGroupBox(HWND hwnd, HDC dc, const TControl& box) {
  const TScale scale = ScaleOf(box);
  const int line = scale.Length(1);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GroundBrush(box));
  HGDIOBJ old = SelectObject(dc, FontHandle(DeviceFont(box)));
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  const std::wstring caption = Wide(box.Caption());
  const int top = caption.empty() ? 0 : metrics.tmHeight / 2;
  FrameLines(dc, {client.left + line, top + line, client.right, client.bottom},
             GetSysColorBrush(COLOR_BTNHIGHLIGHT), line);
  FrameLines(dc, {client.left, top, client.right - line, client.bottom - line},
             GetSysColorBrush(COLOR_BTNSHADOW), line);
  if (!caption.empty()) {
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, caption.c_str(), int(caption.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
    RECT area{scale.Edge(8), 0, scale.Edge(8) + measured.right + scale.Length(4), metrics.tmHeight};
    FillRect(dc, &area, GroundBrush(box));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorRefOf(IsWindowEnabled(hwnd) ? box.Font().Color : clGray));
    DrawTextW(dc, caption.c_str(), int(caption.size()), &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  SelectObject(dc, old);
}

const TPixels& GlyphOf(const TBitBtn& button) {
  static const TPixels ok = OkGlyph();
  return button.GlyphKind() == TBitBtnKind::bkOK ? ok : button.Glyph();
}

} // namespace platform::win32

using namespace platform::win32;

TButton::TButton(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::Button, std::move(caption)) {
  CreateControlWindow(*this, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0);
}

TButton::TButton(TControl& parent, std::string name, Kind kind, std::string caption)
    : TControl(&parent, std::move(name), kind, std::move(caption)) {}

TBitBtn::TBitBtn(TControl& parent, std::string name, std::string caption)
    : TButton(parent, std::move(name), Kind::BitBtn, std::move(caption)) {
  CreateControlWindow(*this, L"BUTTON", BS_OWNERDRAW | WS_TABSTOP, 0);
}

TRadioButton::TRadioButton(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::RadioButton, std::move(caption)) {
  // Not yet among its parent's controls. Tab stops at one of the group, which the form decides.
  const bool first = RadiosOf(parent).empty();
  CreateControlWindow(*this, L"BUTTON", BS_RADIOBUTTON | WS_TABSTOP | (first ? WS_GROUP : 0), 0);
}

TGroupBox::TGroupBox(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::GroupBox, std::move(caption)) {
  CreateControlWindow(*this, L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

bool platform_backend::Checked(const TRadioButton& radio) {
  return SendMessageW(HwndOf(radio), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void platform_backend::SetChecked(TRadioButton& radio, bool checked) {
  SendMessageW(HwndOf(radio), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
