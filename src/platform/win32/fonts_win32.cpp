#include "platform/win32/fonts_win32.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "platform/win32/peer.h"
#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

constexpr int kSmallestPixels = 7;
// What a push button's bevel takes on each side of its caption.
constexpr int kButtonBevel = 3; // px
// A radio button's circle and the gap before its caption.
constexpr int kRadioIndicator = 13; // px
constexpr int kRadioGap = 4;        // px

class FontCache {
public:
  FontCache() = default;
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;
  ~FontCache() {
    for (const auto& entry : fonts_)
      DeleteObject(entry.second);
  }
  HFONT Get(const TFont& font) {
    const auto key = std::make_tuple(font.Height, font.Bold, font.Italic);
    auto found = fonts_.find(key);
    if (found != fonts_.end())
      return found->second;
    const std::wstring face = Wide(kWindowFontName);
    HFONT handle =
        CreateFontW(-font.Height, 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL,
                    font.Italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str());
    fonts_.emplace(key, handle);
    return handle;
  }

private:
  std::map<std::tuple<int, bool, bool>, HFONT> fonts_;
};

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

bool LabelFits(const TControl& label) {
  const TControlPeer& peer = label.Peer();
  const std::string caption = label.Caption();
  if (caption.empty())
    return true;
  const TRect bounds = label.BoundsRect();
  const SIZE needed = TextExtent(label.Font(), caption, peer.wordWrap ? bounds.Width : 0);
  if (peer.wordWrap)
    return needed.cy <= bounds.Height;
  return needed.cx <= bounds.Width && needed.cy <= bounds.Height;
}

} // namespace

HFONT FontHandle(const TFont& font) {
  static FontCache cache;
  return cache.Get(font);
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
    SendMessageW(hwnd, WM_SETFONT, WPARAM(FontHandle(control.Font())), TRUE);
    InvalidateRect(hwnd, nullptr, TRUE);
  }
  for (const std::unique_ptr<TControl>& child : control.Controls()) {
    if (child->ParentFont())
      ApplyFont(*child);
  }
}

bool CaptionFits(const TControl& control) {
  const TRect bounds = control.BoundsRect();
  const std::string caption = control.Caption();
  switch (control.ControlKind()) {
  case TPeerKind::Label:
    return LabelFits(control);
  case TPeerKind::Button:
  case TPeerKind::BitBtn: {
    const SIZE needed = TextExtent(control.Font(), caption);
    int width = needed.cx + 2 * kButtonBevel;
    if (!control.Peer().glyph.Empty())
      width += control.Peer().glyph.Width() + TBitBtn::kSpacing;
    return width <= bounds.Width && needed.cy <= bounds.Height;
  }
  case TPeerKind::RadioButton: {
    const SIZE needed = TextExtent(control.Font(), caption);
    return kRadioIndicator + kRadioGap + needed.cx <= bounds.Width && needed.cy <= bounds.Height;
  }
  case TPeerKind::GroupBox:
    return TextExtent(control.Font(), caption).cx + 16 <= bounds.Width;
  default:
    return true;
  }
}

void FitCaptions(TControl& window) {
  ForEachControl(window, [&window](TControl& control) {
    // A control kept hidden is never seen.
    for (const TControl* c = &control; c && c != &window; c = c->Parent()) {
      if (!c->Visible())
        return;
    }
    while (!CaptionFits(control) && control.Font().Height > kSmallestPixels) {
      TFont smaller = control.Font();
      smaller.Height -= 1;
      control.SetFont(smaller);
    }
  });
}

void WidenClippedCaptions(TControl& container) {
  const int containerWidth = container.Width();
  for (const std::unique_ptr<TControl>& child : container.Controls()) {
    const TPeerKind kind = child->ControlKind();
    if (kind != TPeerKind::Label && kind != TPeerKind::RadioButton)
      continue;
    int needed = TextExtent(child->Font(), child->Caption()).cx;
    if (kind == TPeerKind::RadioButton)
      needed += kRadioIndicator + kRadioGap;
    const int room = containerWidth - 2 - child->Left();
    if (needed > child->Width())
      child->SetWidth(std::min(needed, room));
  }
}

} // namespace platform::win32
