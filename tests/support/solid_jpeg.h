// Pictures of one colour for the tests of the windows, which speak the platform's colours.
#pragma once

#include <filesystem>

#include "platform/types.h"

// Writes a width x height JPEG file of one colour, making its folder.
void WriteSolidJpeg(const std::filesystem::path& file, int width, int height, TColor colour);
