// What a run of the picture import says when it is done, on the command line and in its window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pictures/picture_import.h"

namespace pictures {

// The bound photos are fitted within, and how the summary names it.
struct Bound {
  platform::TPhotoSize size;
  std::string description;
};

// At most longSide pixels each way when given; else the primary screen when one could be
// measured; else kFallbackLongSide.
Bound ChooseBound(std::optional<int> longSide, bool screenMeasured);

// The folder the catalogue pictures are in.
std::string PictureFolder();

// One sentence or two: what was written from what, or why nothing was.
std::string ImportSummary(const Report& report, const std::vector<std::string>& folders,
                          const Bound& bound);
std::string RestoreSummary(const Report& report);

// Done when something was written and nothing failed.
bool Succeeded(const Report& report);

} // namespace pictures
