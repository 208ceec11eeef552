// A push button with a picture and a font colour of its own. The picture sits either a fixed
// margin from the left edge with the caption after it, or centred together with the caption.
#pragma once

#include <QPushButton>

class TBitBtn : public QPushButton {
  Q_OBJECT
public:
  explicit TBitBtn(QWidget* parent = nullptr);

  // Pixels between the left edge and the picture; -1 centres picture and caption together.
  int Margin() const { return margin_; }
  void SetMargin(int margin);
  // Pixels between the picture and the caption.
  static constexpr int kSpacing = 4;

  // The caption's colour as a packed colour value.
  unsigned FontColor() const { return fontColor_; }
  void SetFontColor(unsigned value);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  int margin_ = -1;
  unsigned fontColor_ = 0;
};
