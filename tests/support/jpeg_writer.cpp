#include "support/jpeg_writer.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include <jpeglib.h>

namespace {

struct Compressor {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  Compressor() {
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
  }
  ~Compressor() { jpeg_destroy_compress(&info); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
};

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const QImage& image, int quality, bool progressive,
                                     bool greyscale) {
  const QImage source =
      image.convertToFormat(greyscale ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  Compressor c;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c.info, &buffer, &size);
  c.info.image_width = JDIMENSION(source.width());
  c.info.image_height = JDIMENSION(source.height());
  c.info.input_components = greyscale ? 1 : 3;
  c.info.in_color_space = greyscale ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c.info);
  jpeg_set_quality(&c.info, quality, TRUE);
  if (progressive)
    jpeg_simple_progression(&c.info);
  jpeg_start_compress(&c.info, TRUE);
  while (c.info.next_scanline < c.info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(source.constScanLine(int(c.info.next_scanline)));
    jpeg_write_scanlines(&c.info, &row, 1);
  }
  jpeg_finish_compress(&c.info);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

void WriteSolidJpeg(const std::filesystem::path& file, int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(colour);
  const std::vector<std::uint8_t> bytes = EncodeJpeg(image);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
