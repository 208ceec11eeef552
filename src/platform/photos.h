// The user's own photos read into pixels the way the desktop's imaging component reads them, and
// the steps every reader shares: the EXIF orientation, turning upright, fitting within a bound.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/pixels.h"

namespace platform {

struct TPhotoSize {
  int width = 0;
  int height = 0;
  bool operator==(const TPhotoSize&) const = default;
};

// The name suffixes, lower case with their dot (".jpg"), of the photo formats the desktop reads.
std::vector<std::string> PhotoSuffixes();

// What would teach the desktop a format it does not read, as a note to the reason a photo of that
// suffix is skipped; empty when nothing is known to.
std::string PhotoFormatNote(const std::string& suffix);

// The photo in file turned upright by its EXIF orientation, transparency laid over black, as a
// 24-bit block. The reader may scale it down while decoding, never below what fits within
// bound; the caller fits it. Empty, with error saying why, when the file cannot be read whole.
TPixels ReadPhotoUpright(const std::filesystem::path& file, TPhotoSize bound, std::string& error);

// ---- Shared by the readers ----

// The EXIF orientation (1 to 8) in a JPEG file's APP1 block; 1 when there is none or it cannot be
// read.
int JpegExifOrientation(std::span<const std::uint8_t> bytes);

// A 24-bit block stored as orientation says, turned and mirrored to stand upright.
TPixels TurnUpright(const TPixels& stored, int orientation);

// The largest size within bound with the proportions of size, never larger than size and never
// smaller than one pixel each way.
TPhotoSize FittedSize(TPhotoSize size, TPhotoSize bound);

// A 24-bit block scaled down to size, each new pixel the average of the area it covers.
TPixels ScaleDownTo(const TPixels& pixels, TPhotoSize size);

} // namespace platform
