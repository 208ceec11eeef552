// The quillmor-pictures command: a progress bar on the terminal, then a summary.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <unistd.h>

#include <QGuiApplication>

#include "pictures/picture_import.h"
#include "platform/application.h"
#include "platform/system.h"

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
    "restore puts the bundled pictures back.\n";

constexpr int kSmallestLongSide = 16;
constexpr int kLargestLongSide = 16384;

constexpr int kBarWidth = 30;

// A bar redrawn in place, on a terminal only: redirected output gets the summary alone.
ProgressFn TerminalBar() {
  if (!::isatty(STDERR_FILENO))
    return {};
  return [](int done, int total, const std::string& name) {
    const int filled = total > 0 ? done * kBarWidth / total : kBarWidth;
    std::fprintf(stderr, "\r[%s%s] %2d/%d %-14s", std::string(std::size_t(filled), '#').c_str(),
                 std::string(std::size_t(kBarWidth - filled), '.').c_str(), done, total,
                 name.c_str());
    if (done == total)
      std::fputc('\n', stderr);
    std::fflush(stderr);
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
  PrintProblems("Skipped", report.skipped);
  PrintProblems("Not written", report.failed);
  std::printf("%s\n", summary.c_str());
  return report.written > 0 && report.failed.empty() ? 0 : 1;
}

std::string Folder() {
  return CatalogueFiles().front().parent_path().string();
}

std::string Plural(int count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string SizeText(QSize size) {
  return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

// The bound photos are fitted within, and how the summary names it.
struct Bound {
  QSize size;
  std::string description;
};

Bound ChooseBound(std::optional<int> longSide) {
  if (longSide)
    return {QSize(*longSide, *longSide),
            "at most " + std::to_string(*longSide) + " pixels on the long side"};
  const QSize screen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  if (QGuiApplication::platformName() != "offscreen" && !screen.isEmpty())
    return {screen, "fitted to the primary screen's " + SizeText(screen) + " pixels"};
  return {QSize(kFallbackLongSide, kFallbackLongSide),
          "at most " + std::to_string(kFallbackLongSide) +
              " pixels on the long side, as no screen could be measured"};
}

std::string NoPhotoSummary(const Report& report, const std::vector<std::string>& folders) {
  std::string where;
  for (const std::string& folder : folders)
    where += (where.empty() ? "" : ", ") + folder;
  const std::string unchanged = " The pictures in " + Folder() + " are unchanged.";
  if (report.skipped.empty() && report.photosFound == 0)
    return "No files found in " + where + "." + unchanged;
  return "No photo could be read. This installation reads " + ReadableFormats() + " files." +
         unchanged;
}

int RunImport(const std::vector<std::string>& folders, std::optional<int> longSide) {
  std::vector<fs::path> places;
  for (const std::string& folder : folders) {
    std::error_code ec;
    if (!fs::exists(folder, ec)) {
      std::fprintf(stderr, "quillmor-pictures: no such file or folder: %s\n", folder.c_str());
      return 2;
    }
    places.emplace_back(folder);
  }
  const Bound bound = ChooseBound(longSide);
  const Report report = Import(places, bound.size, TerminalBar());
  if (report.photosUsed == 0)
    return Finish(report, NoPhotoSummary(report, folders));
  std::string from = Plural(report.photosUsed, "photo");
  if (report.photosFound > report.photosUsed)
    from = std::to_string(report.photosUsed) + " of " + Plural(report.photosFound, "photo");
  return Finish(report, "Wrote " + Plural(report.written, "picture") + " to " + Folder() +
                            " from " + from + ", " + bound.description + ".");
}

int RunRestore() {
  const Report report = Restore(TerminalBar());
  return Finish(report,
                "Restored " + Plural(report.written, "bundled picture") + " in " + Folder() + ".");
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

int RunImportArguments(const std::vector<std::string>& arguments) {
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
  return RunImport(folders, longSide);
}

// The primary screen is asked for its size; without a display the offscreen platform stands in,
// so the command still works over a plain terminal.
void ChoosePlatform() {
  // Sizes are in device pixels, as the display's are.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
  qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  const bool display = (std::getenv("DISPLAY") && *std::getenv("DISPLAY")) ||
                       (std::getenv("WAYLAND_DISPLAY") && *std::getenv("WAYLAND_DISPLAY"));
  if (!display)
    qputenv("QT_QPA_PLATFORM", "offscreen");
  else
    qputenv("QT_QPA_PLATFORM", QByteArray(chosen && *chosen ? chosen : "xcb") + ";offscreen");
}

} // namespace

int RunPictures(int argc, char** argv) {
  ChoosePlatform();
  // Qt sees the program name alone: a folder named like one of its options is a folder.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QGuiApplication application(qtArgc, qtArgv);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::fputs(kUsage, stdout);
    std::printf("This installation reads %s files.\n", ReadableFormats().c_str());
    return 0;
  }
  if (arguments.size() >= 2 && (arguments[0] == "import" || arguments[0] == "--import"))
    return RunImportArguments({arguments.begin() + 1, arguments.end()});
  if (arguments.size() == 1 && (arguments[0] == "restore" || arguments[0] == "--restore"))
    return RunRestore();
  return Usage();
}

} // namespace pictures
