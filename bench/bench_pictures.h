// What the benchmarks share. The picture they decode: something like a photograph, smooth colour
// fields with some grain, so that the compressed data is neither trivial nor noise.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "platform/jpeg.h"
#include "platform/pixels.h"

inline TPixels Scene(int width, int height) {
  TPixels image(width, height, TPixelFormat::pf24bit);
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image.Row(y);
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = int(noise >> 28) - 8;
      const double u = double(x) / width, v = double(y) / height;
      // Blue, green, red in memory.
      row[3 * x + 2] =
          std::uint8_t(std::clamp(int(120 + 100 * std::sin(6 * u + 3 * v)) + grain, 0, 255));
      row[3 * x + 1] =
          std::uint8_t(std::clamp(int(140 + 90 * std::cos(5 * v - 2 * u)) + grain, 0, 255));
      row[3 * x] = std::uint8_t(std::clamp(int(110 + 80 * std::sin(9 * u * v)) + grain, 0, 255));
    }
  }
  return image;
}

// A screen for the image control's paints: every piece drawn is copied in, as a backend's copy
// to its window would.
struct BenchScreen {
  TPixels pixels;
  BenchScreen(int width, int height) : pixels(width, height, TPixelFormat::pf32bit) {
    pixels.Fill(0);
  }
  void Draw(const TRect& target, const TPixels& rendering, TPoint from) {
    for (int y = 0; y < target.Height; ++y)
      std::memcpy(pixels.Row(target.Top + y) + 4 * target.Left,
                  rendering.Row(from.Y + y) + 4 * from.X, std::size_t(target.Width) * 4);
  }
};

// The baseline: a file decoded straight through libjpeg, with the settings our decoder uses and
// as many rows per call as libjpeg recommends, into one reused buffer.
inline void PlainLibjpegDecode(const std::vector<std::uint8_t>& bytes,
                               std::vector<std::uint8_t>& pixels) {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), bytes.size());
  jpeg_read_header(&info, TRUE);
  info.dct_method = JDCT_ISLOW;
  info.do_block_smoothing = TRUE;
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  const std::size_t stride = (info.output_width * 3 + 3) / 4 * 4;
  pixels.resize(stride * info.output_height);
  JSAMPROW rows[4];
  while (info.output_scanline < info.output_height) {
    const int count = std::min<int>(std::min(info.rec_outbuf_height, 4),
                                    int(info.output_height - info.output_scanline));
    for (int i = 0; i < count; ++i)
      rows[i] = pixels.data() + (info.output_scanline + i) * stride;
    jpeg_read_scanlines(&info, rows, JDIMENSION(count));
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
}
