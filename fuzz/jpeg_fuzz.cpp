// Any bytes loaded as a JPEG picture and decoded, in colour and with a palette: errors are
// expected, crashes and leaks are not.
#include <cstdint>
#include <vector>

#include "platform/graphics.h"
#include "platform/jpeg.h"

namespace {
// Larger claimed sizes only make the fuzzer slow; the program itself allows far more.
constexpr long kFuzzPixels = 4L << 20;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    TJPEGImage picture;
    picture.LoadFromBytes(std::vector<std::uint8_t>(data, data + size));
    if (long(picture.Width()) * picture.Height() > kFuzzPixels)
      return 0;
    try {
      picture.Bitmap();
    } catch (const EJPEG&) {
    }
    // The failed picture keeps what it decoded and raises nothing more; a whole one decodes again
    // after letting go.
    picture.Bitmap();
    if (picture.ReleaseBitmap())
      picture.Bitmap();
    TPixels bitmap;
    jpeg::Decode(picture.Data()->Bytes(), jpeg::DecodeSettings{true}, bitmap, nullptr);
  } catch (const EJPEG&) {
  }
  return 0;
}
