#include "platform/qt/fonts_qt.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "platform/backend.h"
#include "platform/controls.h"
#include "platform/qt/peer.h"
#include "platform/scale.h"

namespace {

// What a push button's bevel takes on each side of its caption.
constexpr int kButtonBevel = 3; // px

void SubstituteOnce() {
  static const bool installed = [] {
    QFont::insertSubstitutions(kWindowFontName, {"Microsoft Sans Serif", "Liberation Sans", "Arimo",
                                                 "Arial", "Nimbus Sans", "Helvetica"});
    return true;
  }();
  (void)installed;
}

bool LabelFits(const QLabel& label) {
  if (label.text().isEmpty() || !label.pixmap().isNull())
    return true;
  if (label.wordWrap())
    return label.heightForWidth(label.width()) <= label.height();
  const QSize needed = label.sizeHint();
  return needed.width() <= label.width() && needed.height() <= label.height();
}

bool PushButtonFits(const QPushButton& button, TScale scale) {
  const QFontMetrics metrics(button.font());
  int width = metrics.horizontalAdvance(button.text()) + 2 * scale.Length(kButtonBevel);
  if (!button.icon().isNull())
    width += button.iconSize().width() + scale.Length(TBitBtn::kSpacing);
  return width <= button.width() && metrics.height() <= button.height();
}

// A radio button or check box: its indicator, the gap, then the caption.
bool CheckButtonFits(const QAbstractButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  const bool radio = qobject_cast<const QRadioButton*>(&button) != nullptr;
  const QStyle& style = *button.style();
  const int indicator = style.pixelMetric(
      radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, &option, &button);
  const int gap = style.pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing
                                          : QStyle::PM_CheckBoxLabelSpacing,
                                    &option, &button);
  const QFontMetrics metrics(button.font());
  return indicator + gap + metrics.horizontalAdvance(button.text()) <= button.width() &&
         metrics.height() <= button.height();
}

bool GroupBoxFits(const QGroupBox& box, TScale scale) {
  const QFontMetrics metrics(box.font());
  return metrics.horizontalAdvance(box.title()) + scale.Length(16) <= box.width();
}

} // namespace

namespace platform::qt {

QFont FontOf(const TFont& font) {
  SubstituteOnce();
  QFont qfont(kWindowFontName);
  qfont.setStyleHint(QFont::SansSerif);
  qfont.setPixelSize(font.Height);
  qfont.setBold(font.Bold);
  qfont.setItalic(font.Italic);
  return qfont;
}

} // namespace platform::qt

bool platform_backend::CaptionFits(const TControl& widget) {
  const QWidget& control = *platform::qt::WidgetOf(widget);
  if (const auto* label = qobject_cast<const QLabel*>(&control))
    return LabelFits(*label);
  if (const auto* button = qobject_cast<const QPushButton*>(&control))
    return PushButtonFits(*button, ScaleOf(widget));
  if (const auto* button = qobject_cast<const QAbstractButton*>(&control))
    return CheckButtonFits(*button);
  if (const auto* box = qobject_cast<const QGroupBox*>(&control))
    return GroupBoxFits(*box, ScaleOf(widget));
  return true;
}

int platform_backend::CaptionWidth(const TControl& control) {
  return platform::qt::WidgetOf(control)->sizeHint().width();
}
