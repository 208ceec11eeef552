// The small value types every window speaks: points, rectangles, colours and fonts.
#pragma once

#include <cstdint>
#include <string>

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

// A rectangle by its top-left corner and its size, in pixels.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;

  // One past the last column and row.
  int Right() const { return Left + Width; }
  int Bottom() const { return Top + Height; }
  bool Empty() const { return Width <= 0 || Height <= 0; }
  bool Contains(TPoint p) const {
    return p.X >= Left && p.X < Right() && p.Y >= Top && p.Y < Bottom();
  }
  bool operator==(const TRect&) const = default;
};

// A colour as one 24-bit number: red + 256 x green + 65536 x blue.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clTeal = 0x808000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clWhite = 0xFFFFFF;

constexpr int RedOf(TColor c) {
  return int(c & 0xFF);
}
constexpr int GreenOf(TColor c) {
  return int((c >> 8) & 0xFF);
}
constexpr int BlueOf(TColor c) {
  return int((c >> 16) & 0xFF);
}
constexpr TColor RGB(int red, int green, int blue) {
  return TColor(red) | TColor(green) << 8 | TColor(blue) << 16;
}

// A window font: always the desktop's "MS Sans Serif" (the platform substitutes where the host
// lacks it), at a character height in pixels.
struct TFont {
  int Height = 11; // px
  bool Bold = false;
  bool Italic = false;
  TColor Color = clBlack;
  bool operator==(const TFont&) const = default;
};
inline const char kWindowFontName[] = "MS Sans Serif";
