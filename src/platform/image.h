// The image control: a rectangle on a window that paints its picture, stretched, centred or at
// its own size.
#pragma once

#include "platform/controls.h"
#include "platform/graphics.h"

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

  // Where the picture goes within the control.
  TRect DestRect() const;

private:
  void PictureChanged();

  TPicture picture_;
  bool stretch_ = false;
  bool autoSize_ = false;
  bool center_ = false;
  bool incrementalDisplay_ = false;
};
