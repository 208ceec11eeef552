// Drawing in the desktop's terms: colours as it takes them, brushes and fonts kept for the
// program's lifetime, the ground a control stands on, and device-independent bitmaps.
#pragma once

#include <map>

#include "platform/controls.h"
#include "platform/pixels.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// GDI objects made once for each key and kept until the program ends.
template <class Key, class Handle> class GdiCache {
public:
  explicit GdiCache(Handle (*make)(const Key&)) : make_(make) {}
  GdiCache(const GdiCache&) = delete;
  GdiCache& operator=(const GdiCache&) = delete;
  ~GdiCache() {
    for (const auto& entry : handles_)
      DeleteObject(entry.second);
  }
  Handle Get(const Key& key) {
    auto found = handles_.find(key);
    if (found == handles_.end())
      found = handles_.emplace(key, make_(key)).first;
    return found->second;
  }

private:
  Handle (*make_)(const Key&);
  std::map<Key, Handle> handles_;
};

// A window's painting, between BeginPaint and EndPaint.
class Painting {
public:
  explicit Painting(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
  Painting(const Painting&) = delete;
  Painting& operator=(const Painting&) = delete;
  ~Painting() { EndPaint(hwnd_, &paint_); }
  HDC Dc() const { return dc_; }
  const RECT& Area() const { return paint_.rcPaint; }

private:
  HWND hwnd_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

COLORREF ColorRefOf(TColor colour);
HBRUSH BrushOf(TColor colour);
// The ground a control is drawn on: its own colour, or the nearest ancestor's that has one, or
// the desktop's button face.
HBRUSH GroundBrush(const TControl& control);
TColor GroundColor(const TControl& control);
// Fills the window's client area with the control's ground; the button face for no control.
void FillGround(HWND hwnd, HDC dc, const TControl* control);
// A 32-bit device-independent bitmap, rows top down; its pixels in *bits.
HBITMAP NewTopDownDib(HDC dc, int width, int height, void** bits);
// A 32-bit top-down DIB section holding pixels; the caller deletes it.
HBITMAP DibOf(const TPixels& pixels);

} // namespace platform::win32
