#pragma once
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace wincheck {

struct Image {
  int width = 0;
  int height = 0;
  int components = 0;
  std::vector<unsigned char> pixels; // rows top to bottom, components interleaved
};

// Decodes a whole JPEG; nullopt for data libjpeg rejects.
std::optional<Image> decodeJpeg(std::span<const unsigned char> data);
std::optional<Image> decodeJpegFile(const std::string& path);

// From this module's resources, as UTF-8; empty when absent.
std::string resourceString(unsigned id);
std::string versionString(const std::string& field);

} // namespace wincheck
