// The desktop's display scale as Qt takes it (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS, the
// screen's logical dots per inch from Xft.dpi), read here and applied by the shared layer: Qt
// itself is told to keep device pixels, so that the display covers the screen's pixels exactly
// and every other window is scaled by the one rounding rule. Qt's style draws its radio circles,
// scroll bars and frames to the same scale.
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOption>
#include <QWidget>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/qt/forms_qt.h"

namespace {

struct DesktopScale {
  double global = 1.0;
  // QT_SCREEN_SCALE_FACTORS: by screen name, or by position in the list of screens.
  std::vector<std::pair<QString, double>> named;
  std::vector<double> ordered;
  bool fromScreenDpi = true;
};

DesktopScale& Desktop() {
  static DesktopScale desktop;
  return desktop;
}

std::optional<double> FactorOf(const QString& text) {
  bool ok = false;
  const double factor = text.trimmed().toDouble(&ok);
  return ok && factor > 0 ? std::optional(factor) : std::nullopt;
}

double ScreenFactor(const QScreen* screen) {
  const DesktopScale& desktop = Desktop();
  if (!screen)
    return 1.0;
  for (const auto& [name, factor] : desktop.named) {
    if (name == screen->name())
      return factor;
  }
  const qsizetype index = QGuiApplication::screens().indexOf(const_cast<QScreen*>(screen));
  if (index >= 0 && index < qsizetype(desktop.ordered.size()))
    return desktop.ordered[std::size_t(index)];
  return desktop.fromScreenDpi ? screen->logicalDotsPerInch() / 96.0 : 1.0;
}

// How much larger than the style draws them on its own (by the font's dots per inch) its sizes
// must be for widget.
double StyleRatio(const QWidget* widget, const QStyleOption* option) {
  const QWidget* window = widget ? widget->window() : nullptr;
  const auto* form = dynamic_cast<const platform::qt::FormWidget*>(window);
  const double wanted =
      form ? form->Form().Scale().Factor()
           : platform::qt::ScreenScale(window ? window->screen() : nullptr).Factor();
  const double styleDpi =
      option ? option->fontMetrics.fontDpi() : (window ? window->logicalDpiX() : 96);
  return wanted / (styleDpi > 0 ? styleDpi / 96.0 : 1.0);
}

class ScaledStyle : public QProxyStyle {
public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    const int own = QProxyStyle::pixelMetric(metric, option, widget);
    if (!Scaled(metric))
      return own;
    return TScale(StyleRatio(widget, option)).Length(own);
  }

private:
  static bool Scaled(PixelMetric metric) {
    switch (metric) {
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_RadioButtonLabelSpacing:
    case PM_CheckBoxLabelSpacing:
    case PM_ScrollBarExtent:
    case PM_ScrollBarSliderMin:
    case PM_DefaultFrameWidth:
    case PM_ButtonMargin:
    case PM_ButtonDefaultIndicator:
    case PM_ButtonIconSize:
    case PM_SmallIconSize:
    case PM_LargeIconSize:
    case PM_MessageBoxIconSize:
    case PM_FocusFrameHMargin:
    case PM_FocusFrameVMargin:
    case PM_LayoutLeftMargin:
    case PM_LayoutTopMargin:
    case PM_LayoutRightMargin:
    case PM_LayoutBottomMargin:
    case PM_LayoutHorizontalSpacing:
    case PM_LayoutVerticalSpacing:
    case PM_HeaderMargin:
    case PM_ListViewIconSize:
    case PM_ToolBarIconSize:
      return true;
    default:
      return false;
    }
  }
};

} // namespace

namespace platform::qt {

void NoteDesktopScale() {
  DesktopScale& desktop = Desktop();
  desktop = DesktopScale();
  if (const std::optional<double> global = FactorOf(qEnvironmentVariable("QT_SCALE_FACTOR")))
    desktop.global = *global;
  for (const QString& entry :
       qEnvironmentVariable("QT_SCREEN_SCALE_FACTORS").split(';', Qt::SkipEmptyParts)) {
    const qsizetype equals = entry.indexOf('=');
    const std::optional<double> factor = FactorOf(equals < 0 ? entry : entry.mid(equals + 1));
    if (!factor)
      continue;
    if (equals < 0)
      desktop.ordered.push_back(*factor);
    else
      desktop.named.emplace_back(entry.left(equals), *factor);
  }
  desktop.fromScreenDpi = qEnvironmentVariable("QT_ENABLE_HIGHDPI_SCALING") != "0";
}

TScale ScreenScale(const QScreen* screen) {
  return TScale(Desktop().global * ScreenFactor(screen));
}

void InstallScaledStyle() {
  QApplication::setStyle(new ScaledStyle);
}

double DialogFontRatio(const QWidget* dialog) {
  return StyleRatio(dialog, nullptr);
}

} // namespace platform::qt
