// The one place that speaks to libjpeg: reading a JPEG's header, decoding it into a bitmap, and
// writing JPEG files (for the bundled pictures and for tests).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <vector>

#include "platform/pixels.h"
#include "platform/types.h"

// A libjpeg error, numbered by libjpeg's message code.
class EJPEG : public std::runtime_error {
public:
  explicit EJPEG(int code);
  int Code() const { return code_; }

private:
  int code_;
};

namespace jpeg {

struct Header {
  int width = 0;
  int height = 0;
};

// Reads the header of a JPEG held in memory, which must hold at least one byte. Files whose colours
// cannot be turned into RGB or grey (four-component CMYK and YCCK among them) are refused here.
Header ReadHeader(std::span<const std::uint8_t> bytes);

enum class ProgressStage { psStarting, psRunning, psEnding };
using ProgressHandler = std::function<void(ProgressStage stage, const TRect& decodedSoFar)>;

struct DecodeSettings {
  // Quantise colour files to a palette, as on a display of 256 colours or fewer. Grey files are
  // always quantised.
  bool lowColour = false;
};

// Decodes into bitmap, which is replaced by a pf24bit block, or a pf8bit one with its palette, of
// the file's size as soon as that size is known. On an error the rows decoded so far stay in the
// bitmap, the rest is black, and EJPEG is raised. Progress goes to onProgress: at the start, at
// most every 500 ms with the rows done, and at the end.
void Decode(std::span<const std::uint8_t> bytes, const DecodeSettings& settings, TPixels& bitmap,
            const ProgressHandler& onProgress);

// What a whole decode finds in a file's compressed data. Decode passes over missing or damaged
// data, as the display should; an import must not take such a file for a good photo.
enum class DataState { intact, endsEarly, damaged };
// Decodes the whole file at an eighth of its size and says whether its data was all there and
// sound. Stray bytes between segments, which many cameras leave, count as sound. Errors that stop
// any decode raise EJPEG.
DataState CheckData(std::span<const std::uint8_t> bytes);

enum class SampleLayout { rgb, grey, cmyk };

struct EncodeSettings {
  int quality = 90;
  bool progressive = false;
};

// Compresses raw samples (rows of width × components bytes, rowStride apart) into a JPEG file.
std::vector<std::uint8_t> Encode(const std::uint8_t* samples, int width, int height,
                                 std::ptrdiff_t rowStride, SampleLayout layout,
                                 const EncodeSettings& settings);
// Compresses a block of pixels: an 8-bit block whose palette is all grey as a grey file, anything
// else as colour.
std::vector<std::uint8_t> Encode(const TPixels& pixels, const EncodeSettings& settings);

} // namespace jpeg
