#include "pictures/summary.h"

#include "platform/files.h"
#include "platform/system.h"

namespace pictures {
namespace {

std::string Plural(int count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string SizeText(platform::TPhotoSize size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

std::string NoPhotoSummary(const Report& report, const std::vector<std::string>& folders) {
  std::string where;
  for (const std::string& folder : folders)
    where += (where.empty() ? "" : ", ") + folder;
  const std::string unchanged = " The pictures in " + PictureFolder() + " are unchanged.";
  if (report.skipped.empty() && report.photosFound == 0)
    return "No files found in " + where + "." + unchanged;
  return "No photo could be read. This installation reads " + ReadableFormats() + " files." +
         unchanged;
}

// Replacements are put in place all together or not at all.
std::string NotWrittenSummary(const Report& report) {
  return "Nothing was written, as " + Plural(int(report.failed.size()), "picture") +
         " could not be written. The pictures in " + PictureFolder() + " are unchanged.";
}

} // namespace

Bound ChooseBound(std::optional<int> longSide, bool screenMeasured) {
  if (longSide)
    return {{*longSide, *longSide},
            "at most " + std::to_string(*longSide) + " pixels on the long side"};
  const platform::TPhotoSize screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (screenMeasured && screen.width > 0 && screen.height > 0)
    return {screen, "fitted to the primary screen's " + SizeText(screen) + " pixels"};
  return {{kFallbackLongSide, kFallbackLongSide},
          "at most " + std::to_string(kFallbackLongSide) +
              " pixels on the long side, as no screen could be measured"};
}

std::string PictureFolder() {
  return platform::Utf8Of(CatalogueFiles().front().parent_path());
}

std::string ImportSummary(const Report& report, const std::vector<std::string>& folders,
                          const Bound& bound) {
  if (report.stopped)
    return "Stopped before anything was written. The pictures in " + PictureFolder() +
           " are unchanged.";
  if (report.photosUsed == 0)
    return NoPhotoSummary(report, folders);
  if (report.written == 0)
    return NotWrittenSummary(report);
  std::string from = Plural(report.photosUsed, "photo");
  if (report.photosFound > report.photosUsed)
    from = std::to_string(report.photosUsed) + " of " + Plural(report.photosFound, "photo");
  return "Wrote " + Plural(report.written, "picture") + " to " + PictureFolder() + " from " + from +
         ", " + bound.description + ".";
}

std::string RestoreSummary(const Report& report) {
  if (report.written == 0)
    return NotWrittenSummary(report);
  return "Restored " + Plural(report.written, "bundled picture") + " in " + PictureFolder() + ".";
}

bool Succeeded(const Report& report) {
  return report.written > 0 && report.failed.empty();
}

} // namespace pictures
