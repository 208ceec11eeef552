// The shared tests' one-colour JPEG files on Windows, written by the platform's own encoder. It
// stands in for the Linux tests' writer, which draws with Qt.
#pragma once

#include <filesystem>

struct SolidColour {
  int red = 0;
  int green = 0;
  int blue = 0;
};

// Writes a width x height JPEG file of one colour, making its folder.
void WriteSolidJpeg(const std::filesystem::path& file, int width, int height, SolidColour colour);
