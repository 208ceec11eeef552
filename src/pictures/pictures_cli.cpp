// The quillmor-pictures command: a progress bar on the terminal, then a summary. Without
// arguments, on a desktop, its window.
#include <charconv>
#include <cstdio>
#include <optional>
#include <unistd.h>
#include <utility>

#include "pictures/picture_import.h"
#include "pictures/pictures_window.h"
#include "pictures/summary.h"
#include "platform/application.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace pictures {
namespace {

constexpr char kUsage[] =
    "Usage: quillmor-pictures import [--long-side N] DIR...\n"
    "       quillmor-pictures restore\n"
    "import  fills the 38 pictures of the Quillmor slideshow from the photos in the folders,\n"
    "        turned upright and scaled down to fit the primary screen, or with --long-side N\n"
    "        to at most N pixels wide and high; photos are reused in turn when there are\n"
    "        fewer than 38. Files that are not imported are listed with the reason.\n"
    "restore puts the bundled pictures back.\n"
    "Without arguments it opens its window.\n";

constexpr int kSmallestLongSide = 16;
constexpr int kLargestLongSide = 16384;

constexpr int kBarWidth = 30;

// Set while the bar stands on its line unfinished.
bool barOpen = false;

// A bar redrawn in place, on a terminal only: redirected output gets the summary alone.
ProgressFn TerminalBar() {
  if (!::isatty(STDERR_FILENO))
    return {};
  return [](int done, int total, const std::string& name) {
    const int filled = total > 0 ? done * kBarWidth / total : kBarWidth;
    std::fprintf(stderr, "\r[%s%s] %2d/%d %-14s", std::string(std::size_t(filled), '#').c_str(),
                 std::string(std::size_t(kBarWidth - filled), '.').c_str(), done, total,
                 name.c_str());
    barOpen = done < total;
    if (!barOpen)
      std::fputc('\n', stderr);
    std::fflush(stderr);
    return true;
  };
}

void PrintProblems(const char* heading, const std::vector<std::string>& problems) {
  if (problems.empty())
    return;

  std::fprintf(stderr, "%s (%zu):\n", heading, problems.size());
  for (const std::string& problem : problems)
    std::fprintf(stderr, "  %s\n", problem.c_str());
}

int Finish(const Report& report, const std::string& summary) {
  if (std::exchange(barOpen, false))
    std::fputc('\n', stderr);
  PrintProblems("Skipped", report.skipped);
  PrintProblems("Not written", report.failed);
  std::printf("%s\n", summary.c_str());
  return Succeeded(report) ? 0 : 1;
}

int RunImport(const std::vector<std::string>& folders, std::optional<int> longSide,
              bool screenMeasured) {
  std::vector<fs::path> places;
  for (const std::string& folder : folders) {
    std::error_code ec;
    const fs::path place = platform::PathOfUtf8(folder);
    if (!fs::exists(place, ec)) {
      std::fprintf(stderr, "quillmor-pictures: no such file or folder: %s\n", folder.c_str());
      return 2;
    }
    places.push_back(place);
  }
  const Bound bound = ChooseBound(longSide, screenMeasured);
  const Report report = Import(places, bound.size, TerminalBar());
  return Finish(report, ImportSummary(report, folders, bound));
}

int RunRestore() {
  const Report report = Restore(TerminalBar());
  return Finish(report, RestoreSummary(report));
}

std::optional<int> ParseLongSide(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < kSmallestLongSide ||
      value > kLargestLongSide)
    return std::nullopt;
  return value;
}

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int RunImportArguments(const std::vector<std::string>& arguments, bool screenMeasured) {
  std::optional<int> longSide;
  std::vector<std::string> folders;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string value;
    if (arguments[i] == "--long-side" && i + 1 < arguments.size())
      value = arguments[++i];
    else if (arguments[i].starts_with("--long-side="))
      value = arguments[i].substr(std::string("--long-side=").size());
    else if (arguments[i].starts_with("--long-side"))
      return Usage();
    else {
      folders.push_back(arguments[i]);
      continue;
    }
    longSide = ParseLongSide(value);
    if (!longSide) {
      std::fprintf(stderr,
                   "quillmor-pictures: --long-side takes a number of pixels from %d to %d\n",
                   kSmallestLongSide, kLargestLongSide);
      return 2;
    }
  }
  if (folders.empty())
    return Usage();
  return RunImport(folders, longSide, screenMeasured);
}

int RunWindow() {
  Application().CreateForm<TPicturesForm>();
  Application().Run();
  return 0;
}

int RunArguments(const std::vector<std::string>& arguments, bool screenMeasured) {
  if (arguments.empty())
    return screenMeasured ? RunWindow() : Usage();
  if (arguments[0] == "--help" || arguments[0] == "-h") {
    std::fputs(kUsage, stdout);
    std::printf("This installation reads %s files.\n", ReadableFormats().c_str());
    return 0;
  }
  if (arguments.size() >= 2 && (arguments[0] == "import" || arguments[0] == "--import"))
    return RunImportArguments({arguments.begin() + 1, arguments.end()}, screenMeasured);
  if (arguments.size() == 1 && (arguments[0] == "restore" || arguments[0] == "--restore"))
    return RunRestore();
  return Usage();
}

} // namespace

int RunPictures(int argc, char** argv) {
  Application().Title = "Quillmor Pictures";
  // The screen is measured when there is one: the command line works without a display too.
  const bool screenMeasured = Application().InitializeForCommandLine(argv[0]);
  const int code = RunArguments(ProgramArguments(argc, argv), screenMeasured);
  std::fflush(stdout);
  Application().Finalize();
  return code;
}

} // namespace pictures
