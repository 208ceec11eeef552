#include "usave1_placeholder.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr int kWidth = 72;
constexpr int kHeight = 65;
constexpr int kRowBytes = kWidth * 3; // already a multiple of 4
constexpr int kPixelBytes = kRowBytes * kHeight;
constexpr int kHeaderBytes = 14 + 40;
// Each cell of a glyph is a square block of this many pixels.
constexpr int kScale = 4;
constexpr int kGlyphRows = 7;
constexpr int kLetterGap = 4;

struct Glyph {
  char letter;
  std::array<std::string_view, kGlyphRows> rows;
};

constexpr std::array<Glyph, 7> kGlyphs = {{
    {'B', {"XXXX.", "X...X", "X...X", "XXXX.", "X...X", "X...X", "XXXX."}},
    {'A', {".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"}},
    {'D', {"XXXX.", "X...X", "X...X", "X...X", "X...X", "X...X", "XXXX."}},
    {'P', {"XXXX.", "X...X", "X...X", "XXXX.", "X....", "X....", "X...."}},
    {'I', {"XXX", ".X.", ".X.", ".X.", ".X.", ".X.", "XXX"}},
    {'C', {".XXX.", "X...X", "X....", "X....", "X....", "X...X", ".XXX."}},
    {'!', {"X", "X", "X", "X", "X", ".", "X"}},
}};

const Glyph& GlyphOf(char letter) {
  for (const Glyph& glyph : kGlyphs)
    if (glyph.letter == letter)
      return glyph;
  return kGlyphs[0];
}

int GlyphWidth(const Glyph& glyph) {
  return int(glyph.rows[0].size()) * kScale;
}

int WordWidth(std::string_view word) {
  int width = 0;
  for (char letter : word)
    width += GlyphWidth(GlyphOf(letter)) + kLetterGap;
  return width - kLetterGap;
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, unsigned value) {
  out[at] = std::uint8_t(value);
  out[at + 1] = std::uint8_t(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, unsigned value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}

void WriteHeaders(std::vector<std::uint8_t>& file) {
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, kHeaderBytes + kPixelBytes);
  Put32(file, 10, kHeaderBytes);
  Put32(file, 14, 40);
  Put32(file, 18, kWidth);
  Put32(file, 22, kHeight);
  Put16(file, 26, 1);  // planes
  Put16(file, 28, 24); // bits per pixel
  Put32(file, 30, 0);  // no compression
  Put32(file, 34, kPixelBytes);
}

// Blackens one pixel, y counted from the top; the file keeps its bottom row first.
void Blacken(std::vector<std::uint8_t>& file, int x, int y) {
  const std::size_t at = kHeaderBytes + std::size_t(kHeight - 1 - y) * kRowBytes + 3 * x;
  file[at] = file[at + 1] = file[at + 2] = 0;
}

void DrawWord(std::vector<std::uint8_t>& file, std::string_view word, int top) {
  int left = (kWidth - WordWidth(word)) / 2;
  for (char letter : word) {
    const Glyph& glyph = GlyphOf(letter);
    for (int row = 0; row < kGlyphRows; ++row)
      for (int column = 0; column < int(glyph.rows[row].size()); ++column)
        if (glyph.rows[row][column] == 'X')
          for (int dy = 0; dy < kScale; ++dy)
            for (int dx = 0; dx < kScale; ++dx)
              Blacken(file, left + column * kScale + dx, top + row * kScale + dy);
    left += GlyphWidth(glyph) + kLetterGap;
  }
}

std::vector<std::uint8_t> MakePlaceholder() {
  std::vector<std::uint8_t> file(kHeaderBytes + kPixelBytes, 0xFF);
  std::fill_n(file.begin(), kHeaderBytes, 0);
  WriteHeaders(file);
  // Two lines of 28 pixels with 3-pixel margins above, between and below.
  constexpr int kLineHeight = kGlyphRows * kScale;
  constexpr int kMargin = (kHeight - 2 * kLineHeight) / 3;
  DrawWord(file, "BAD", kMargin);
  DrawWord(file, "PIC!", 2 * kMargin + kLineHeight);
  return file;
}

} // namespace

const std::vector<std::uint8_t>& PlaceholderBitmapFile() {
  static const std::vector<std::uint8_t> file = MakePlaceholder();
  return file;
}
