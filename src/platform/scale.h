// A window's display scale: how many device pixels one of its own pixels takes on its monitor
// (1 at 100 %, 1.25 at 125 %, 2 at 200 %). Windows are laid out in their own pixels, as their
// descriptions give them; a backend places, sizes and draws them in device pixels through this,
// so that every backend rounds the same way.
#pragma once

#include "platform/types.h"

class TControl;

class TScale {
public:
  TScale() = default;
  // Held to 1 to 8 (100 % to 800 %); a factor that is no number counts as 1.
  explicit TScale(double factor);
  // The desktop's dots per inch, where 96 is 100 %.
  static TScale FromDpi(int dpi);

  double Factor() const { return factor_; }
  bool Identity() const { return factor_ == 1.0; }

  // A position, measured from the parent's client area: the nearest device pixel, halves going
  // right and down. Sizes are scaled by their two edges (see Rect), so that controls that meet or
  // share an edge still do, and none grows into its neighbour.
  int Edge(int pixels) const;
  TRect Rect(const TRect& bounds) const;
  // A length that stands alone, such as a font's height or a line's thickness: rounded the same
  // way, and never to nothing.
  int Length(int pixels) const;
  TFont Font(const TFont& font) const;

  // Back from device pixels to the window's own; exact for what Edge and Rect gave whenever the
  // factor is 1 or more.
  int PixelsOf(int device) const;
  TRect RectOf(const TRect& device) const;
  // The window pixels from start on whose device span holds a device length: the fewest that do,
  // so that what needs it fits and what follows starts right after it.
  int PixelsToHold(int device, int start = 0) const;
  // The device span of those pixels: what a control that must hold a measured device length, such
  // as a label as tall as its text, is given from start on.
  int SpanToHold(int device, int start) const;
  // A device rectangle a backend worked out itself (a client area to fill, a text's height) moved
  // to the nearest one Rect gives, so that the bounds read back say exactly where it stands.
  TRect Snapped(const TRect& device) const;

  // A window on the screen: its position and its size scaled each on its own, so that where it
  // stands never changes its size.
  TRect WindowRect(const TRect& bounds) const;
  TRect WindowRectOf(const TRect& device) const;

  bool operator==(const TScale&) const = default;

private:
  double factor_ = 1.0;
};

// The scale of the window control is on (1 for a control on no window).
TScale ScaleOf(const TControl& control);
// The font control's native counterpart is drawn in: its own, at its window's scale.
TFont DeviceFont(const TControl& control);
