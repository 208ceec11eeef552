#include "platform/image.h"

#include <bit>
#include <cstring>
#include <exception>
#include <vector>

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>

#include "platform/image_memory.h"

namespace {

// The source coordinate whose pixel covers the centre of target coordinate t.
inline int SourceOf(int t, int sourceSize, int targetSize) {
  return int(((2 * std::int64_t(t) + 1) * sourceSize) / (2 * std::int64_t(targetSize)));
}

std::vector<int> SourceColumns(int sourceWidth, int targetWidth) {
  std::vector<int> columns(static_cast<std::size_t>(targetWidth));
  for (int x = 0; x < targetWidth; ++x)
    columns[std::size_t(x)] = SourceOf(x, sourceWidth, targetWidth);
  return columns;
}

// A row at its own width: four pixels from three little-endian words at a time.
int ConvertRowBGR(const std::uint8_t* source, int width, std::uint32_t* target) {
  int x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; x + 4 <= width; x += 4) {
      std::uint32_t w[3];
      std::memcpy(w, source + 3 * x, sizeof w);
      target[x] = w[0] | 0xFF000000u;
      target[x + 1] = (w[0] >> 24) | (w[1] << 8) | 0xFF000000u;
      target[x + 2] = (w[1] >> 16) | (w[2] << 16) | 0xFF000000u;
      target[x + 3] = (w[2] >> 8) | 0xFF000000u;
    }
  }
  return x;
}

void StretchRowBGR(const std::uint8_t* source, int sourceWidth, const std::vector<int>& columns,
                   std::uint32_t* target) {
  const int count = int(columns.size());
  int x = count == sourceWidth ? ConvertRowBGR(source, sourceWidth, target) : 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Reading four bytes picks up the next pixel's blue as the top byte, which the alpha then
    // covers; the last source pixel has no next one in its row, so it goes the long way.
    for (; x < count && columns[std::size_t(x)] < sourceWidth - 1; ++x) {
      std::uint32_t pixel;
      std::memcpy(&pixel, source + 3 * columns[std::size_t(x)], sizeof pixel);
      target[x] = pixel | 0xFF000000u;
    }
  }
  for (; x < count; ++x) {
    const std::uint8_t* p = source + 3 * columns[std::size_t(x)];
    target[x] = 0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
  }
}

void StretchRowIndexed(const std::uint8_t* source, const std::uint32_t* palette,
                       const std::vector<int>& columns, std::uint32_t* target) {
  const int count = int(columns.size());
  for (int x = 0; x < count; ++x)
    target[x] = palette[source[columns[std::size_t(x)]]];
}

void StretchRowRGB32(const std::uint8_t* source, const std::vector<int>& columns,
                     std::uint32_t* target) {
  const auto* pixels = reinterpret_cast<const std::uint32_t*>(source);
  const int count = int(columns.size());
  for (int x = 0; x < count; ++x)
    target[x] = pixels[columns[std::size_t(x)]] | 0xFF000000u;
}

std::vector<std::uint32_t> Palette(const QImage& source) {
  std::vector<std::uint32_t> palette(256, 0xFF000000u);
  const QList<QRgb> table = source.colorTable();
  for (int i = 0; i < table.size() && i < 256; ++i)
    palette[std::size_t(i)] = table[i] | 0xFF000000u;
  return palette;
}

} // namespace

int StretchRows(const QImage& sourceImage, int sourceRows, QImage& target, int firstRow,
                int endRow) {
  const bool direct = sourceImage.format() == QImage::Format_BGR888 ||
                      sourceImage.format() == QImage::Format_Indexed8 ||
                      sourceImage.format() == QImage::Format_RGB32;
  const QImage source = direct ? sourceImage : sourceImage.convertToFormat(QImage::Format_RGB32);
  const int sw = source.width(), sh = source.height();
  const int tw = target.width(), th = target.height();
  if (sw <= 0 || sh <= 0 || tw <= 0 || th <= 0)
    return endRow;
  const std::vector<int> columns = SourceColumns(sw, tw);
  const std::vector<std::uint32_t> palette =
      source.format() == QImage::Format_Indexed8 ? Palette(source) : std::vector<std::uint32_t>();
  const std::size_t rowBytes = std::size_t(tw) * 4;
  int y = firstRow;
  for (; y < endRow; ++y) {
    const int sy = SourceOf(y, sh, th);
    if (sy >= sourceRows)
      break;
    auto* row = reinterpret_cast<std::uint32_t*>(target.scanLine(y));
    if (y > 0 && SourceOf(y - 1, sh, th) == sy) {
      std::memcpy(row, target.constScanLine(y - 1), rowBytes);
      continue;
    }
    const std::uint8_t* line = source.constScanLine(sy);
    switch (source.format()) {
    case QImage::Format_BGR888:
      StretchRowBGR(line, sw, columns, row);
      break;
    case QImage::Format_Indexed8:
      StretchRowIndexed(line, palette.data(), columns, row);
      break;
    default:
      StretchRowRGB32(line, columns, row);
      break;
    }
  }
  return y;
}

TImage::TImage(QWidget* parent) : QWidget(parent) {
  picture_.OnChange = [this] { PictureChanged(); };
  picture_.OnProgress = [this](ProgressStage stage, const QRect& rect) { Progress(stage, rect); };
}

TImage::~TImage() {
  picture_.OnChange = nullptr;
  picture_.OnProgress = nullptr;
}

void TImage::SetStretch(bool stretch) {
  if (stretch == stretch_)
    return;
  stretch_ = stretch;
  InvalidateRendering();
  update();
}

void TImage::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (autoSize_)
    PictureChanged();
}

void TImage::SetCenter(bool center) {
  if (center == center_)
    return;
  center_ = center;
  InvalidateRendering();
  update();
}

void TImage::SetBounds(int left, int top, int width, int height) {
  setGeometry(left, top, std::max(width, 0), std::max(height, 0));
}

QRect TImage::DestRect() const {
  if (stretch_)
    return rect();
  const int w = picture_.Width(), h = picture_.Height();
  if (center_)
    return QRect((width() - w) / 2, (height() - h) / 2, w, h);
  return QRect(0, 0, w, h);
}

void TImage::PictureChanged() {
  if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0)
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  InvalidateRendering();
  update();
}

void TImage::InvalidateRendering() {
  renderingValid_ = false;
  renderedRows_ = 0;
}

void TImage::Render(const QImage& source, int sourceRows) {
  const QRect dest = DestRect();
  if (!renderingValid_ || dest != renderedDest_) {
    if (rendering_.size() != dest.size() || !rendering_.isDetached())
      rendering_ = platform::AllocateImage(dest.width(), dest.height(), QImage::Format_RGB32);
    renderedDest_ = dest;
    renderedRows_ = 0;
    renderingValid_ = true;
  }
  renderedRows_ = StretchRows(source, sourceRows, rendering_, renderedRows_, rendering_.height());
}

void TImage::Progress(ProgressStage stage, const QRect& decodedSoFar) {
  if (!incrementalDisplay_ || !decodingPainter_ || stage != ProgressStage::psRunning)
    return;
  const QImage* partial = picture_.Graphic() ? picture_.Graphic()->Bitmap() : nullptr;
  if (!partial || DestRect().isEmpty())
    return;
  const int before = renderingValid_ ? renderedRows_ : 0;
  Render(*partial, decodedSoFar.bottom() + 1);
  const QRect band = QRect(0, before, renderedDest_.width(), renderedRows_ - before)
                         .translated(renderedDest_.topLeft());
  const QRect drawn = band & decodingArea_;
  if (!drawn.isEmpty())
    decodingPainter_->drawImage(drawn.topLeft(), rendering_,
                                drawn.translated(-renderedDest_.topLeft()));
}

void TImage::PaintTo(QPainter& painter, const QRect& area) {
  TGraphic* graphic = picture_.Graphic();
  if (!graphic)
    return;
  std::exception_ptr failure;
  decodingPainter_ = &painter;
  decodingArea_ = area & DestRect();
  try {
    graphic->Bitmap();
  } catch (...) {
    failure = std::current_exception();
  }
  decodingPainter_ = nullptr;
  const QImage* bitmap = graphic->Bitmap();
  const QRect dest = DestRect();
  const QRect drawn = area & dest;
  if (bitmap && !drawn.isEmpty()) {
    Render(*bitmap, bitmap->height());
    painter.drawImage(drawn.topLeft(), rendering_, drawn.translated(-dest.topLeft()));
  }
  if (failure)
    std::rethrow_exception(failure);
}

void TImage::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  try {
    PaintTo(painter, event->rect());
  } catch (...) {
    // Raised again once the paint is over, where the application shows it in its error box.
    QMetaObject::invokeMethod(
        qApp, [error = std::current_exception()] { std::rethrow_exception(error); },
        Qt::QueuedConnection);
  }
}
