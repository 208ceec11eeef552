#include "platform/scale.h"

#include <algorithm>
#include <cmath>

#include "platform/forms.h"

namespace {

int Nearest(double value) {
  return int(std::floor(value + 0.5));
}

} // namespace

// Below 100 % no desktop lays windows out, and there a window's pixels would not come back from
// device pixels as they went; past 800 % none goes either.
TScale::TScale(double factor)
    : factor_(std::isfinite(factor) ? std::clamp(factor, 1.0, 8.0) : 1.0) {}

TScale TScale::FromDpi(int dpi) {
  return TScale(dpi / 96.0);
}

int TScale::Edge(int pixels) const {
  return Nearest(pixels * factor_);
}

TRect TScale::Rect(const TRect& bounds) const {
  const int left = Edge(bounds.Left), top = Edge(bounds.Top);
  return {left, top, Edge(bounds.Right()) - left, Edge(bounds.Bottom()) - top};
}

int TScale::Length(int pixels) const {
  if (pixels <= 0)
    return pixels == 0 ? 0 : -Length(-pixels);
  const int device = Edge(pixels);
  return device > 0 ? device : 1;
}

TFont TScale::Font(const TFont& font) const {
  TFont scaled = font;
  scaled.Height = Length(font.Height);
  return scaled;
}

int TScale::PixelsOf(int device) const {
  return Nearest(device / factor_);
}

TRect TScale::RectOf(const TRect& device) const {
  const int left = PixelsOf(device.Left), top = PixelsOf(device.Top);
  return {left, top, PixelsOf(device.Right()) - left, PixelsOf(device.Bottom()) - top};
}

int TScale::PixelsToHold(int device, int start) const {
  const auto span = [&](int pixels) { return Edge(start + pixels) - Edge(start); };
  int pixels = PixelsOf(device);
  while (pixels > 0 && span(pixels - 1) >= device)
    --pixels;
  while (span(pixels) < device)
    ++pixels;
  return pixels;
}

int TScale::SpanToHold(int device, int start) const {
  return Edge(start + PixelsToHold(device, start)) - Edge(start);
}

TRect TScale::Snapped(const TRect& device) const {
  return Rect(RectOf(device));
}

TRect TScale::WindowRect(const TRect& bounds) const {
  return {Edge(bounds.Left), Edge(bounds.Top), Edge(bounds.Width), Edge(bounds.Height)};
}

TRect TScale::WindowRectOf(const TRect& device) const {
  return {PixelsOf(device.Left), PixelsOf(device.Top), PixelsOf(device.Width),
          PixelsOf(device.Height)};
}

TFont DeviceFont(const TControl& control) {
  return ScaleOf(control).Font(control.Font());
}

TScale ScaleOf(const TControl& control) {
  const TControl* root = &control;
  while (root->Parent())
    root = root->Parent();
  return root->ControlKind() == TControl::Kind::Form ? static_cast<const TForm*>(root)->Scale()
                                                     : TScale();
}
