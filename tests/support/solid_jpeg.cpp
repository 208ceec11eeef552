#include "support/solid_jpeg.h"

#include <QColor>

#include "support/jpeg_writer.h"

void WriteSolidJpeg(const std::filesystem::path& file, int width, int height, TColor colour) {
  WriteSolidJpeg(file, width, height, QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
}
