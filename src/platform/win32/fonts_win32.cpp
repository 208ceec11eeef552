#include "platform/win32/fonts_win32.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "platform/backend.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/paint_win32.h"
#include "platform/win32/peer.h"
#include "platform/win32/scale_win32.h"
#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

// What a push button's bevel takes on each side of its caption.
constexpr int kButtonBevel = 3; // px

using FontKey = std::tuple<int, bool, bool>; // height, bold, italic

HFONT NewFont(const FontKey& key) {
  const auto [height, bold, italic] = key;
  const std::wstring face = Wide(kWindowFontName);
  return CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic ? TRUE : FALSE, FALSE,
                     FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str());
}

// A memory device context with a font selected, for measuring.
class MeasuringDC {
public:
  explicit MeasuringDC(const TFont& font)
      : dc_(CreateCompatibleDC(nullptr)), old_(SelectObject(dc_, FontHandle(font))) {}
  MeasuringDC(const MeasuringDC&) = delete;
  MeasuringDC& operator=(const MeasuringDC&) = delete;
  ~MeasuringDC() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  HDC Get() const { return dc_; }

private:
  HDC dc_;
  HGDIOBJ old_;
};

// Measured in device pixels: the label's window against the text in its window's font.
bool LabelFits(const TLabel& label) {
  const std::string& caption = label.Caption();
  if (caption.empty())
    return true;
  const TRect bounds = DeviceRectOf(HwndOf(label));
  const SIZE needed = TextExtent(DeviceFont(label), caption, label.WordWrap() ? bounds.Width : 0);
  if (label.WordWrap())
    return needed.cy <= bounds.Height;
  return needed.cx <= bounds.Width && needed.cy <= bounds.Height;
}

} // namespace

HFONT FontHandle(const TFont& font) {
  static GdiCache<FontKey, HFONT> cache(&NewFont);
  return cache.Get({font.Height, font.Bold, font.Italic});
}

SIZE TextExtent(const TFont& font, const std::string& text, int wrapWidth) {
  MeasuringDC dc(font);
  const std::wstring wide = Wide(text);
  RECT rect{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
  UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_LEFT;
  if (wrapWidth > 0)
    flags |= DT_WORDBREAK;
  if (wide.empty()) {
    TEXTMETRICW metrics;
    GetTextMetricsW(dc.Get(), &metrics);
    return SIZE{0, metrics.tmHeight};
  }
  DrawTextW(dc.Get(), wide.c_str(), int(wide.size()), &rect, flags);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

int LineHeightOf(const TFont& font) {
  MeasuringDC dc(font);
  TEXTMETRICW metrics;
  GetTextMetricsW(dc.Get(), &metrics);
  return metrics.tmHeight + metrics.tmExternalLeading;
}

void ApplyFont(TControl& control) {
  if (HWND hwnd = control.Peer().hwnd) {
    SendMessageW(hwnd, WM_SETFONT, WPARAM(FontHandle(DeviceFont(control))), TRUE);
    InvalidateRect(hwnd, nullptr, TRUE);
  }
  for (const std::unique_ptr<TControl>& child : control.Controls()) {
    if (child->ParentFont())
      ApplyFont(*child);
  }
}

} // namespace platform::win32

using namespace platform::win32;

// In device pixels, as the window is drawn.
bool platform_backend::CaptionFits(const TControl& control) {
  const TScale scale = ScaleOf(control);
  const TRect bounds = DeviceRectOf(HwndOf(control));
  const TFont font = DeviceFont(control);
  const std::string& caption = control.Caption();
  switch (control.ControlKind()) {
  case TControl::Kind::Label:
    return LabelFits(static_cast<const TLabel&>(control));
  case TControl::Kind::Button:
  case TControl::Kind::BitBtn: {
    const SIZE needed = TextExtent(font, caption);
    int width = needed.cx + 2 * scale.Length(kButtonBevel);
    if (control.ControlKind() == TControl::Kind::BitBtn) {
      if (const TPixels& glyph = GlyphOf(static_cast<const TBitBtn&>(control)); !glyph.Empty())
        width += scale.Length(glyph.Width()) + scale.Length(TBitBtn::kSpacing);
    }
    return width <= bounds.Width && needed.cy <= bounds.Height;
  }
  case TControl::Kind::RadioButton: {
    const SIZE needed = TextExtent(font, caption);
    return scale.Length(kRadioIndicator) + scale.Length(kRadioGap) + needed.cx <= bounds.Width &&
           needed.cy <= bounds.Height;
  }
  case TControl::Kind::GroupBox:
    return TextExtent(font, caption).cx + scale.Length(16) <= bounds.Width;
  default:
    return true;
  }
}

int platform_backend::CaptionWidth(const TControl& control) {
  const TScale scale = ScaleOf(control);
  const int text = TextExtent(DeviceFont(control), control.Caption()).cx;
  return control.ControlKind() == TControl::Kind::RadioButton
             ? text + scale.Length(kRadioIndicator) + scale.Length(kRadioGap)
             : text;
}
