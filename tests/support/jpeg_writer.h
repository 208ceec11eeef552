// JPEG files made by tests, through libjpeg's compressor.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include <QColor>
#include <QImage>

// Baseline JPEG bytes of an image (RGB), at the given quality.
std::vector<std::uint8_t> EncodeJpeg(const QImage& image, int quality = 95,
                                     bool progressive = false, bool greyscale = false);
// Writes a width x height picture of one colour.
void WriteSolidJpeg(const std::filesystem::path& file, int width, int height, QColor colour);
