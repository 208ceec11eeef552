// The picture catalogue: the 38 photographs the slideshow draws from, in their folder on the drive
// of the Windows directory.
#pragma once

#include <array>
#include <cstddef>
#include <string>

// 38 entries, numbered from 1, each at most 100 characters.
constexpr int kCatalogueSize = 38;
constexpr std::size_t kCatalogueEntryCapacity = 100;
// The catalogue's file names, in the order of its entries.
extern const std::array<const char*, kCatalogueSize> kPictureFiles;

extern std::string PictureFolder;
extern std::array<std::string, kCatalogueSize + 1> PictureCatalogue;

void BuildPictureCatalogue(const std::string& windowsDir);
// The message shown when the catalogue file at path is missing.
std::string MissingPictureMessage(const std::string& path);
