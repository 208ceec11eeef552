// The image control: a rectangle on a window that paints its picture, stretched, centred or at
// its own size.
#pragma once

#include <QImage>
#include <QWidget>

#include "platform/graphics.h"

class QPainter;

class TImage : public QWidget {
public:
  explicit TImage(QWidget* parent = nullptr);
  ~TImage() override;

  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }

  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);
  // Fits the control to its picture's size (when that is not 0 × 0), keeping left and top.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  bool Center() const { return center_; }
  void SetCenter(bool center);
  // Shows the rows of a picture as they are decoded.
  bool IncrementalDisplay() const { return incrementalDisplay_; }
  void SetIncrementalDisplay(bool incremental) { incrementalDisplay_ = incremental; }

  int Left() const { return x(); }
  int Top() const { return y(); }
  int Width() const { return width(); }
  int Height() const { return height(); }
  void SetBounds(int left, int top, int width, int height);
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  bool Visible() const { return !isHidden(); }
  void SetVisible(bool visible) { setVisible(visible); }

  // Where the picture goes within the control.
  QRect DestRect() const;
  // Paints the part of the control within area; decodes the picture on first need. A decode
  // error passes to the caller once the rows decoded so far are painted.
  void PaintTo(QPainter& painter, const QRect& area);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void PictureChanged();
  void Progress(ProgressStage stage, const QRect& decodedSoFar);
  void InvalidateRendering();
  // Brings the rendering up to date with the source rows available so far.
  void Render(const QImage& source, int sourceRows);

  TPicture picture_;
  bool stretch_ = false;
  bool autoSize_ = false;
  bool center_ = false;
  bool incrementalDisplay_ = false;

  // The picture as the screen wants it, at DestRect's size: a repaint is one copy from here.
  QImage rendering_;
  QRect renderedDest_;
  int renderedRows_ = 0;
  bool renderingValid_ = false;
  // The painter of the paint that is decoding, for incremental display.
  QPainter* decodingPainter_ = nullptr;
  QRect decodingArea_;
};

// Stretches source (Format_BGR888, Format_Indexed8 or any other) into target (Format_RGB32) by
// nearest neighbour, filling target rows [firstRow, endRow) only from source rows below
// sourceRows. Returns the first target row it could not fill.
int StretchRows(const QImage& source, int sourceRows, QImage& target, int firstRow, int endRow);
