#include "pictures/picture_import.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>

#include "catalogue.h"
#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/jpeg.h"
#include "platform/paths.h"
#include "program.h"

namespace fs = std::filesystem;

namespace pictures {
namespace {

constexpr int kJpegQuality = 90;

struct CatalogueEntry {
  std::string name; // the catalogue's own file name, as bundled
  fs::path file;    // where it lives on this host
};

std::vector<CatalogueEntry> Catalogue() {
  BuildPictureCatalogue(LookUpWindowsDir());
  std::vector<CatalogueEntry> entries;
  for (int k = 1; k <= kCatalogueSize; ++k) {
    const std::string& entry = PictureCatalogue[k];
    entries.push_back({entry.substr(entry.rfind('\\') + 1), platform::HostPath(entry)});
  }
  return entries;
}

std::set<std::string> ReadableSuffixes() {
  const std::vector<std::string> suffixes = platform::PhotoSuffixes();
  return {suffixes.begin(), suffixes.end()};
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const fs::path& file, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
  if (in.bad()) {
    error = "the file cannot be read to its end";
    return std::nullopt;
  }
  return bytes;
}

std::string NotReadableReason(const fs::path& file) {
  const std::string suffix = AsciiLowered(platform::Utf8Of(file.extension()));
  if (suffix.empty())
    return "not a picture this installation reads (the name has no type suffix)";
  std::string reason = AsciiUppered(suffix.substr(1)) + " is not a format this installation reads";
  if (const std::string note = platform::PhotoFormatNote(suffix); !note.empty())
    reason += " " + note;
  return reason;
}

bool IsJpegData(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// The reason a JPEG file cannot be taken whole, or nothing when it can. Readers decode a cut-off
// or damaged JPEG without an error, into a mostly grey picture.
std::optional<std::string> JpegFault(const std::vector<std::uint8_t>& bytes) {
  try {
    switch (jpeg::CheckData(bytes)) {
    case jpeg::DataState::intact:
      return std::nullopt;
    case jpeg::DataState::endsEarly:
      return std::string("the file is cut short: the end of the picture is missing");
    case jpeg::DataState::damaged:
      return std::string("the picture data is damaged");
    }
  } catch (const EJPEG& error) {
    return std::string("the JPEG file is damaged and cannot be decoded (") + error.what() + ")";
  }
  return std::nullopt;
}

// The read step of an import: the photos in the order they are tried, until every name has one.
class PhotoReader {
public:
  PhotoReader(std::size_t slots, int totalSteps, platform::TPhotoSize bound,
              const ProgressFn& progress)
      : slots_(slots), totalSteps_(totalSteps), bound_(bound), progress_(progress) {}

  // False when asked to stop.
  bool Read(const fs::path& photo, Report& report) {
    std::string error;
    const TPixels upright = LoadUpright(photo, bound_, error);
    if (upright.Empty())
      report.skipped.push_back(platform::Utf8Of(photo) + ": " + error);
    else if (Encode(upright, error))
      ++report.photosUsed;
    else
      report.skipped.push_back(platform::Utf8Of(photo) + ": " + error);
    return !progress_ ||
           progress_(int(encoded_.size()), totalSteps_, platform::Utf8Of(photo.filename()));
  }

  bool Full() const { return encoded_.size() == slots_; }
  std::vector<std::vector<std::uint8_t>>& Encoded() { return encoded_; }

private:
  bool Encode(const TPixels& upright, std::string& error) {
    try {
      encoded_.push_back(jpeg::Encode(upright, {kJpegQuality, false}));
      return true;
    } catch (const std::exception& e) {
      error = e.what();
      return false;
    }
  }

  std::size_t slots_;
  int totalSteps_;
  platform::TPhotoSize bound_;
  const ProgressFn& progress_;
  std::vector<std::vector<std::uint8_t>> encoded_;
};

// Every catalogue file replaced, or none: each replacement is written to the disk first, and
// they are put in place only once all of them are there.
void ReplaceAll(const std::vector<CatalogueEntry>& catalogue,
                const std::function<std::span<const std::uint8_t>(std::size_t slot)>& bytesOf,
                int firstStep, int total, Report& report, const ProgressFn& progress) {
  for (std::size_t slot = 0; slot < catalogue.size(); ++slot) {
    std::string error;
    if (!platform::WriteReplacement(catalogue[slot].file, bytesOf(slot), error))
      report.failed.push_back(platform::Utf8Of(catalogue[slot].file) + ": " + error);
    if (progress)
      progress(firstStep + int(slot) + 1, total, catalogue[slot].name);
  }
  if (!report.failed.empty()) {
    for (const CatalogueEntry& entry : catalogue)
      platform::DiscardReplacement(entry.file);
    return;
  }
  for (const CatalogueEntry& entry : catalogue) {
    std::string error;
    if (platform::CommitReplacement(entry.file, error))
      ++report.written;
    else
      report.failed.push_back(platform::Utf8Of(entry.file) + ": " + error);
  }
}

void CreateFolderOf(const std::vector<CatalogueEntry>& catalogue) {
  std::error_code ec;
  fs::create_directories(catalogue.front().file.parent_path(), ec);
}

} // namespace

std::vector<fs::path> CatalogueFiles() {
  std::vector<fs::path> files;
  for (const CatalogueEntry& entry : Catalogue())
    files.push_back(entry.file);
  return files;
}

FoundFiles FindPhotos(const std::vector<fs::path>& places) {
  const std::set<std::string> suffixes = ReadableSuffixes();
  FoundFiles found;
  std::vector<fs::path> others;
  for (const fs::path& place : places) {
    std::error_code ec;
    if (fs::is_regular_file(place, ec)) {
      found.photos.push_back(place);
      continue;
    }
    const auto options = fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(place, options, ec), end; !ec && it != end;
         it.increment(ec)) {
      if (!it->is_regular_file(ec))
        continue;
      if (suffixes.count(AsciiLowered(platform::Utf8Of(it->path().extension()))) > 0)
        found.photos.push_back(it->path());
      else
        others.push_back(it->path());
    }
  }
  for (std::vector<fs::path>* files : {&found.photos, &others}) {
    std::sort(files->begin(), files->end());
    files->erase(std::unique(files->begin(), files->end()), files->end());
  }
  for (const fs::path& file : others)
    found.unreadable.push_back(platform::Utf8Of(file) + ": " + NotReadableReason(file));
  return found;
}

std::string FormatNames(const std::vector<std::string>& suffixes) {
  // Several suffixes name one format.
  static const std::map<std::string, std::string> kSameFormat{
      {"jpg", "jpeg"}, {"jpe", "jpeg"}, {"jfif", "jpeg"}, {"tif", "tiff"}, {"svgz", "svg"},
      {"dib", "bmp"},  {"rle", "bmp"},  {"wdp", "jxr"},   {"hdp", "jxr"},  {"heif", "heic"}};
  std::set<std::string> names;
  for (const std::string& suffix : suffixes) {
    std::string name = AsciiLowered(suffix.starts_with(".") ? suffix.substr(1) : suffix);
    if (const auto same = kSameFormat.find(name); same != kSameFormat.end())
      name = same->second;
    if (!name.empty())
      names.insert(AsciiUppered(name));
  }
  std::string list;
  for (const std::string& name : names)
    list += (list.empty() ? "" : ", ") + name;
  return list;
}

std::string ReadableFormats() {
  return FormatNames(platform::PhotoSuffixes());
}

std::vector<std::size_t> TryOrder(std::size_t photoCount, std::size_t slotCount) {
  std::vector<std::size_t> order;
  std::vector<bool> taken(photoCount, false);
  if (photoCount > slotCount) {
    for (std::size_t i = 0; i < slotCount; ++i) {
      order.push_back(i * photoCount / slotCount);
      taken[order.back()] = true;
    }
  }
  for (std::size_t i = 0; i < photoCount; ++i) {
    if (!taken[i])
      order.push_back(i);
  }
  return order;
}

TPixels LoadUpright(const fs::path& photo, platform::TPhotoSize bound, std::string& error) {
  const std::optional<std::vector<std::uint8_t>> bytes = ReadBytes(photo, error);
  if (!bytes) {
    error = "the file cannot be opened: " + error;
    return TPixels();
  }
  if (bytes->empty()) {
    error = "the file is empty";
    return TPixels();
  }
  if (IsJpegData(*bytes)) {
    if (const std::optional<std::string> fault = JpegFault(*bytes)) {
      error = *fault;
      return TPixels();
    }
  }
  TPixels upright = platform::ReadPhotoUpright(photo, bound, error);
  if (upright.Empty())
    return upright;
  const platform::TPhotoSize size{upright.Width(), upright.Height()};
  if (const platform::TPhotoSize fitted = platform::FittedSize(size, bound); fitted != size)
    return platform::ScaleDownTo(upright, fitted);
  return upright;
}

Report Import(const std::vector<fs::path>& places, platform::TPhotoSize bound,
              const ProgressFn& progress) {
  const std::vector<CatalogueEntry> catalogue = Catalogue();
  FoundFiles found = FindPhotos(places);
  const std::vector<fs::path>& photos = found.photos;
  Report report;
  report.photosFound = int(photos.size());
  report.skipped = std::move(found.unreadable);
  // A step for each photo read, up to one a name, then one for each name written.
  const int slots = int(catalogue.size());
  const int reads = int(std::min(photos.size(), catalogue.size()));
  PhotoReader reader(catalogue.size(), reads + slots, bound, progress);
  for (std::size_t index : TryOrder(photos.size(), catalogue.size())) {
    if (reader.Full())
      break;
    if (!reader.Read(photos[index], report)) {
      report.stopped = true;
      break;
    }
  }
  std::sort(report.skipped.begin(), report.skipped.end());
  const std::vector<std::vector<std::uint8_t>>& encoded = reader.Encoded();
  if (report.stopped || encoded.empty())
    return report;
  CreateFolderOf(catalogue);
  // Fewer photos than names: the slideshow needs every name, so the photos come round again.
  ReplaceAll(
      catalogue, [&](std::size_t slot) { return std::span(encoded[slot % encoded.size()]); }, reads,
      reads + slots, report, progress);
  return report;
}

Report Restore(const ProgressFn& progress) {
  const std::vector<CatalogueEntry> catalogue = Catalogue();
  const fs::path bundled = platform::BundledPicturesFolder();
  Report report;
  std::vector<std::vector<std::uint8_t>> pictures;
  for (const CatalogueEntry& entry : catalogue) {
    std::string error;
    std::optional<std::vector<std::uint8_t>> bytes;
    if (!bundled.empty())
      bytes = ReadBytes(bundled / entry.name, error);
    if (bytes)
      pictures.push_back(std::move(*bytes));
    else
      report.failed.push_back(platform::Utf8Of(bundled / entry.name) +
                              ": no bundled picture there");
  }
  // A set with a picture missing is no set: nothing is changed.
  if (!report.failed.empty())
    return report;
  CreateFolderOf(catalogue);
  ReplaceAll(
      catalogue, [&](std::size_t slot) { return std::span(pictures[slot]); }, 0,
      int(catalogue.size()), report, progress);
  return report;
}

} // namespace pictures
