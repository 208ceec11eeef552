// The quillmor-pictures command: a progress bar on the terminal, then a summary.
#include <cstdio>
#include <unistd.h>

#include <QCoreApplication>

#include "pictures/picture_import.h"

namespace fs = std::filesystem;

namespace pictures {
namespace {

constexpr char kUsage[] =
    "Usage: quillmor-pictures import DIR...\n"
    "       quillmor-pictures restore\n"
    "import  fills the 38 pictures of the Quillmor slideshow from the photos in the folders\n"
    "        (JPEG, PNG and the other formats Qt reads), upright, at most 2560 pixels wide\n"
    "        or high; photos are reused in turn when there are fewer than 38.\n"
    "restore puts the bundled pictures back.\n";

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

int RunImport(const std::vector<std::string>& folders) {
  std::vector<fs::path> places;
  for (const std::string& folder : folders) {
    std::error_code ec;
    if (!fs::exists(folder, ec)) {
      std::fprintf(stderr, "quillmor-pictures: no such file or folder: %s\n", folder.c_str());
      return 2;
    }
    places.emplace_back(folder);
  }
  const Report report = Import(places, TerminalBar());
  if (report.photosUsed == 0)
    return Finish(report,
                  "No photo could be read; the pictures in " + Folder() + " are unchanged.");
  return Finish(report, "Wrote " + std::to_string(report.written) + " pictures to " + Folder() +
                            " from " + std::to_string(report.photosUsed) + " photos.");
}

int RunRestore() {
  const Report report = Restore(TerminalBar());
  return Finish(report, "Restored " + std::to_string(report.written) + " bundled pictures in " +
                            Folder() + ".");
}

} // namespace

int RunPictures(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (arguments.size() >= 2 && (arguments[0] == "import" || arguments[0] == "--import"))
    return RunImport({arguments.begin() + 1, arguments.end()});
  if (arguments.size() == 1 && (arguments[0] == "restore" || arguments[0] == "--restore"))
    return RunRestore();
  std::fputs(kUsage, stderr);
  return 2;
}

} // namespace pictures
