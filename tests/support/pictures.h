// Pictures made in the test: colour blocks, JPEG files of them, and a screen depth that reverts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/jpeg.h"
#include "platform/pixels.h"
#include "platform/types.h"

// The colours of the blocks, left to right: red, green, blue, white, black.
const std::vector<TColor>& BlockColours();
// A pf24bit block of five equal vertical blocks of BlockColours (the last takes any remainder).
TPixels ColourBlocks(int width, int height);
// The centre of block i of ColourBlocks(width, height).
TPoint BlockCentre(int i, int width, int height);

std::vector<std::uint8_t> JpegOf(const TPixels& pixels, bool progressive = false);
// A JPEG of the pixels whose decode fails once every row is read: a second frame header follows
// the image.
std::vector<std::uint8_t> JpegWithAFatalEnd(const TPixels& pixels);
void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

// A clock for long runs that moves on by a second and 37 ms at each step, so that draws spread.
struct SYSTEMTIME;
SYSTEMTIME ClockAt(int step);

// Sets the screen depth the decoder sees, and restores the real one when it goes.
class ScreenBitsOverride {
public:
  explicit ScreenBitsOverride(int bits);
  ~ScreenBitsOverride();
  ScreenBitsOverride(const ScreenBitsOverride&) = delete;
  ScreenBitsOverride& operator=(const ScreenBitsOverride&) = delete;
};

// True when two colours differ by at most tolerance in each component.
bool Near(TColor a, TColor b, int tolerance);
