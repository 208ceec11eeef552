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

#include <QImage>
#include <QSize>

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

// The order in which photos are tried: with more photos than slots, an even spread over all of
// them first, then the rest as stand-ins for any that cannot be read.
std::vector<std::size_t> TryOrder(std::size_t photoCount, std::size_t slotCount);

// A photo turned upright by its EXIF orientation, scaled down to fit within bound, transparency
// laid over black, as RGB888. A null image when it cannot be read whole; error then says why.
QImage LoadUpright(const std::filesystem::path& photo, QSize bound, std::string& error);

// Writes bytes to a temporary file beside file, flushes it to the disk and only then renames it
// over file. False with error set when anything fails; file is untouched then.
bool ReplaceFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                 std::string& error);

struct Report {
  int written = 0;                  // catalogue files replaced
  int photosUsed = 0;               // distinct photos they came from
  int photosFound = 0;              // files in a format this installation reads
  std::vector<std::string> skipped; // files not imported for a fault of theirs, with the reason
  std::vector<std::string> failed;  // catalogue files that could not be written, with the reason
};

// Called after each catalogue file: how many are done of how many, and the file's name.
using ProgressFn = std::function<void(int done, int total, const std::string& name)>;

// Fills every catalogue name from the photos found in places, each fitted within bound; photos
// are reused in turn when there are fewer than catalogue names. Nothing is written when no photo
// can be read.
Report Import(const std::vector<std::filesystem::path>& places, QSize bound,
              const ProgressFn& progress);
// Copies the bundled pictures from the drive C: skeleton back over the catalogue files.
Report Restore(const ProgressFn& progress);

// The command line: "import [--long-side N] DIR..." or "restore". Exit codes: 0 done, 1 nothing or
// not all written, 2 bad arguments.
int RunPictures(int argc, char** argv);

} // namespace pictures
