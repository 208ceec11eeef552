#include "support/jpeg_writer.h"

#include <fstream>

#include "platform/jpeg.h"
#include "platform/pixels.h"

void WriteSolidJpeg(const std::filesystem::path& file, int width, int height, SolidColour colour) {
  TPixels pixels(width, height, TPixelFormat::pf24bit);
  pixels.Fill(RGB(colour.red, colour.green, colour.blue));
  const std::vector<std::uint8_t> bytes = jpeg::Encode(pixels, jpeg::EncodeSettings{100, false});
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
