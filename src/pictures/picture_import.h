// The picture folder filled from the user's own photos, and the bundled set put back.
//
// Every catalogue file is written whole beside its place and then renamed over it, so the
// slideshow never meets half a picture and a failed run leaves the old one in place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/photos.h"

namespace pictures {

// The long-side bound of imported photos when no screen can be measured.
constexpr int kFallbackLongSide = 2560;

// The host path of each catalogue picture, in catalogue order, for the Windows directory in use.
std::vector<std::filesystem::path> CatalogueFiles();

struct FoundFiles {
  std::vector<std::filesystem::path> photos; // in a format this installation reads, path order
  std::vector<std::string> unreadable;       // every other file, with the reason
};

// The files in the folders and below them, sorted by their name suffix into photos this
// installation can read and the rest; a file named directly is taken as a photo.
FoundFiles FindPhotos(const std::vector<std::filesystem::path>& places);

// The formats this installation reads, as their users know them: "BMP, GIF, JPEG, PNG".
std::string ReadableFormats();
// The same for a list of name suffixes (".jpg", ".jpeg", ".png"...).
std::string FormatNames(const std::vector<std::string>& suffixes);

// The order in which photos are tried: with more photos than slots, an even spread over all of
// them first, then the rest as stand-ins for any that cannot be read.
std::vector<std::size_t> TryOrder(std::size_t photoCount, std::size_t slotCount);

// A photo turned upright by its EXIF orientation, scaled down to fit within bound, transparency
// laid over black, as a 24-bit block. Empty when it cannot be read whole; error then says why.
TPixels LoadUpright(const std::filesystem::path& photo, platform::TPhotoSize bound,
                    std::string& error);

struct Report {
  int written = 0;                  // catalogue files replaced
  int photosUsed = 0;               // distinct photos they came from
  int photosFound = 0;              // files in a format this installation reads
  std::vector<std::string> skipped; // files not imported for a fault of theirs, with the reason
  std::vector<std::string> failed;  // catalogue files that could not be written, with the reason
  bool stopped = false;             // asked to stop while photos were read: nothing written
};

// Called after each step: how many are done of how many, and the name of the photo read or the
// catalogue file written. While photos are read, false stops the import before anything is
// written; once files are written every one is, whatever the answer.
using ProgressFn = std::function<bool(int done, int total, const std::string& name)>;

// Fills every catalogue name from the photos found in places, each fitted within bound; photos
// are reused in turn when there are fewer than catalogue names. All are read first and then
// written, so that the folder is never left with a part of an import. Nothing is written when no
// photo can be read. The steps are reading up to one photo a name, then writing each name.
Report Import(const std::vector<std::filesystem::path>& places, platform::TPhotoSize bound,
              const ProgressFn& progress);
// Copies the bundled pictures back over the catalogue files.
Report Restore(const ProgressFn& progress);

// The command line: "import [--long-side N] DIR..." or "restore". Exit codes: 0 done, 1 nothing or
// not all written, 2 bad arguments.
int RunPictures(int argc, char** argv);

} // namespace pictures
