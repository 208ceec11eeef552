// The picture the benchmarks decode: something like a photograph, smooth colour fields with
// some grain, so that the compressed data is neither trivial nor noise.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <QImage>

inline QImage Scene(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = int(noise >> 28) - 8;
      const double u = double(x) / width, v = double(y) / height;
      row[3 * x] =
          std::uint8_t(std::clamp(int(120 + 100 * std::sin(6 * u + 3 * v)) + grain, 0, 255));
      row[3 * x + 1] =
          std::uint8_t(std::clamp(int(140 + 90 * std::cos(5 * v - 2 * u)) + grain, 0, 255));
      row[3 * x + 2] =
          std::uint8_t(std::clamp(int(110 + 80 * std::sin(9 * u * v)) + grain, 0, 255));
    }
  }
  return image;
}
