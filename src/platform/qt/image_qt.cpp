// The image control's widget: it hands its paints to the control, which keeps the rendering.
#include <chrono>

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include "platform/image.h"
#include "platform/qt/peer.h"
#include "platform/qt/pixels_qt.h"

namespace {

class ImageWidget : public QWidget {
public:
  ImageWidget(TImage& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    // The window's backing store keeps what was painted and serves exposures from it, so once
    // the screen has been still for a while the control's own copy only takes memory. A burst of
    // repaints (a host window being resized) keeps it meanwhile.
    release_.setSingleShot(true);
    release_.setInterval(kKeepRendering);
    connect(&release_, &QTimer::timeout, this, [this] { owner_.ReleaseRendering(); });
  }

protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    const QRect area = event->rect();
    const auto draw = [&painter](const TRect& target, const TPixels& rendering, TPoint from) {
      painter.drawImage(QPoint(target.Left, target.Top), platform::qt::ImageOf(rendering),
                        QRect(from.X, from.Y, target.Width, target.Height));
    };
    release_.start();
    owner_.Paint(TRect{area.x(), area.y(), area.width(), area.height()}, draw);
  }

private:
  static constexpr std::chrono::milliseconds kKeepRendering{2000};
  TImage& owner_;
  QTimer release_;
};

} // namespace

namespace platform::qt {

QWidget* NewImageWidget(TImage& owner, QWidget* parent) {
  return new ImageWidget(owner, parent);
}

} // namespace platform::qt

TImage::TImage(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::Image) {
  platform::qt::Attach(*this,
                       platform::qt::NewImageWidget(*this, platform::qt::ContainerOf(parent)));
  ConnectPicture();
}

void TImage::Repaint() {
  if (QWidget* widget = platform::qt::WidgetOf(*this))
    widget->update();
}
