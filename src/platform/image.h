// The image control: a rectangle on a window that paints its picture, stretched, centred or at
// its own size.
#pragma once

#include <functional>

#include "platform/controls.h"
#include "platform/graphics.h"
#include "platform/pixels.h"

class TImage : public TControl {
public:
  TImage(TControl& parent, std::string name);
  ~TImage() override;

  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }

  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);
  // Fits the control to its picture's size (when that is not 0 x 0), keeping left and top.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  bool Center() const { return center_; }
  void SetCenter(bool center);
  // Shows the rows of a picture as they are decoded.
  bool IncrementalDisplay() const { return incrementalDisplay_; }
  void SetIncrementalDisplay(bool incremental) { incrementalDisplay_ = incremental; }

  // Where the picture goes within the control, in the window's pixels.
  TRect DestRect() const;
  // The same on the screen: in device pixels, at the window's scale.
  TRect DeviceDestRect() const;
  // Whether painting covers DestRect: there is a picture, and it has not failed to decode.
  bool Drawable() const;

  // ---- For the backend's painting ----
  // Puts part of the rendering on the screen: the pixels of rendering from its point `from` on
  // go to `target`, in the control's device pixels.
  using DrawPiece = std::function<void(const TRect& target, const TPixels& rendering, TPoint from)>;
  // Paints the part of the control within area (device pixels), decoding the picture on first need
  // (drawing the rows decoded so far as they come when IncrementalDisplay is set). An error (a
  // picture that cannot be decoded, say) goes to the general error box once the paint is over, what
  // was decoded drawn.
  void Paint(const TRect& area, const DrawPiece& draw);
  // The picture as the screen wants it, at DeviceDestRect's size, once Paint made it; a repaint is
  // one copy from here.
  const TPixels& Rendering() const { return rendering_; }
  // Lets go of the rendering (and the decoded picture, where it can be decoded again), for when the
  // screen keeps its own copy of what was painted; the next paint makes them again.
  void ReleaseRendering();

private:
  void PaintArea(const TRect& area, const DrawPiece& draw);
  // The constructor is the backend's: it makes the native counterpart, then calls this.
  void ConnectPicture();
  void PictureChanged();
  void Progress(ProgressStage stage, const TRect& decodedSoFar);
  void InvalidateRendering();
  void Repaint();
  // Brings the rendering up to date with the source rows available so far.
  void Render(const TPixels& source, int sourceRows);
  bool RenderingComplete() const;
  // Once the rendering is whole, the decoded picture is let go where it can be decoded again.
  void ReleaseSource();

  TPicture picture_;
  bool stretch_ = false;
  bool autoSize_ = false;
  bool center_ = false;
  bool incrementalDisplay_ = false;

  TPixels rendering_;
  TRect renderedDest_;
  int renderedRows_ = 0;
  bool renderingValid_ = false;
  bool decodeFailed_ = false;
  // The paint that is decoding, for incremental display.
  const DrawPiece* decodingDraw_ = nullptr;
  TRect decodingArea_;
};

// Stretches source (pf24bit, pf8bit with palette, or pf32bit) into target (pf32bit) by nearest
// neighbour, filling target rows [firstRow, endRow) only from source rows below sourceRows.
// Returns the first target row it could not fill.
int StretchRows(const TPixels& source, int sourceRows, TPixels& target, int firstRow, int endRow);

// Scales source (any format) to target's size (pf32bit) with a bilinear filter.
void ScaleSmoothly(const TPixels& source, TPixels& target);

// Where two rectangles overlap; empty when they do not.
TRect Intersection(const TRect& a, const TRect& b);
