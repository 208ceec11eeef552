#include "platform/bitbtn.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include "platform/forms.h"

TBitBtn::TBitBtn(QWidget* parent) : QPushButton(parent) {
  SetFontColor(0);
}

void TBitBtn::SetMargin(int margin) {
  margin_ = margin;
  update();
}

void TBitBtn::SetFontColor(unsigned value) {
  fontColor_ = value;
  QPalette colours = palette();
  colours.setColor(QPalette::ButtonText, ColorFromValue(value));
  setPalette(colours);
}

void TBitBtn::paintEvent(QPaintEvent* event) {
  if (margin_ < 0) {
    QPushButton::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  painter.drawControl(QStyle::CE_PushButtonBevel, option);

  QPoint shift;
  if (option.state & (QStyle::State_Sunken | QStyle::State_On))
    shift = QPoint(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                   style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  const QSize picture = iconSize();
  const QRect pictureRect(QPoint(margin_, (height() - picture.height()) / 2) + shift, picture);
  icon().paint(&painter, pictureRect, Qt::AlignCenter,
               isEnabled() ? QIcon::Normal : QIcon::Disabled);
  QRect captionRect = rect().translated(shift);
  captionRect.setLeft(pictureRect.right() + 1 + kSpacing);
  painter.drawItemText(captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                       palette(), isEnabled(), text(), QPalette::ButtonText);

  if (option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}
