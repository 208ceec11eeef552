// The image control's widget: it hands its paints to the control, which keeps the rendering.
#include <exception>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include "platform/image.h"
#include "platform/qt/peer.h"

namespace {

// The rendering as Qt sees it: the same memory, no copy.
QImage Wrap(const TPixels& pixels) {
  return QImage(pixels.Bits(), pixels.Width(), pixels.Height(), qsizetype(pixels.Stride()),
                QImage::Format_RGB32);
}

class ImageWidget : public QWidget {
public:
  ImageWidget(TImage& owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    const QRect area = event->rect();
    const auto draw = [&painter](const TRect& target, const TPixels& rendering, TPoint from) {
      painter.drawImage(QPoint(target.Left, target.Top), Wrap(rendering),
                        QRect(from.X, from.Y, target.Width, target.Height));
    };
    try {
      owner_.Paint(TRect{area.x(), area.y(), area.width(), area.height()}, draw);
    } catch (...) {
      // Raised again once the paint is over, where the application shows it in its error box.
      QMetaObject::invokeMethod(
          qApp, [error = std::current_exception()] { std::rethrow_exception(error); },
          Qt::QueuedConnection);
    }
  }

private:
  TImage& owner_;
};

} // namespace

namespace platform::qt {

QWidget* NewImageWidget(TImage& owner, QWidget* parent) {
  return new ImageWidget(owner, parent);
}

} // namespace platform::qt

void TImage::Repaint() {
  if (QWidget* widget = platform::qt::WidgetOf(*this))
    widget->update();
}
