// The picture shown in place of one that cannot be loaded.
#pragma once

#include <cstdint>
#include <vector>

// A 72 × 65, 24-bit uncompressed bitmap file reading BAD over PIC! in black block capitals on
// white.
const std::vector<std::uint8_t>& PlaceholderBitmapFile();
