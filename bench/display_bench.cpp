// The display's tick against picture size in each layout, a full-screen tick at 1920 x 1080
// against a plain libjpeg decode of the same file, and the peak resident memory of a run.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <sys/resource.h>

#include "bench_pictures.h"
#include "platform/application.h"
#include "platform/image.h"
#include "platform/jpeg.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "program.h"
#include "settings/settings.h"
#include "usave1.h"

namespace fs = std::filesystem;

namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

// A drive C: of its own for the whole run, with the settings file and the picture folder.
class Drive {
public:
  Drive() {
    std::string pattern = (fs::temp_directory_path() / "quillmor-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
      std::abort();
    root_ = pattern;
    ::setenv("QUILLMOR_ROOT", root_.c_str(), 1);
    ::setenv("QUILLMOR_SKELETON", "", 1);
    ::unsetenv("QUILLMOR_WINDOWS_DIR");
    SettingsPath = "C:\\WINDOWS\\quilmr20.ini";
    fs::create_directories(platform::HostPath("C:\\WINDOWS"));
    WriteDisplayDefaults(SettingsPath);
    BuildPictureCatalogue("C:\\WINDOWS");
  }
  ~Drive() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Every catalogue entry becomes one baseline JPEG of this size; its bytes are returned.
  const std::vector<std::uint8_t>& UsePictures(int width, int height) {
    auto& bytes = files_[{width, height}];
    if (bytes.empty()) {
      jpeg::EncodeSettings settings;
      settings.quality = 90;
      bytes = jpeg::Encode(Scene(width, height), settings);
    }
    if (current_ != std::pair{width, height}) {
      const fs::path file = root_ / ("picture" + std::to_string(width) + ".jpg");
      std::ofstream(file, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
      for (int k = 1; k <= kCatalogueSize; ++k) {
        const fs::path entry = platform::HostPath(PictureCatalogue[k]);
        fs::create_directories(entry.parent_path());
        fs::remove(entry);
        fs::create_symlink(file, entry);
      }
      current_ = {width, height};
    }
    return bytes;
  }

private:
  fs::path root_;
  std::map<std::pair<int, int>, std::vector<std::uint8_t>> files_;
  std::pair<int, int> current_{0, 0};
};

Drive& TheDrive() {
  static Drive drive;
  return drive;
}

// A display window on a 1920 x 1080 screen in the given layout, its timer driven by hand.
std::unique_ptr<TForm1> NewDisplay(int layout) {
  platform_test::SetScreenSize(std::pair{kScreenWidth, kScreenHeight});
  SettingsOptions options;
  options.Sound = false;
  options.Picdis = layout;
  options.Time = 1;
  WriteOptions(SettingsPath, options);
  auto form = std::make_unique<TForm1>();
  form->FormCreate();
  return form;
}

// One tick and the first paint of the image it changed: load, decode, stretch and copy.
void TickAndPaint(TForm1& form, BenchScreen& screen) {
  TImage* const tiles[] = {form.Image1, form.image2, form.Image3, form.Image4};
  TImage* changed = DisplayMode == dmTiled ? tiles[QuadrantState - 1] : form.Image1;
  form.Timer1->Tick();
  const TRect bounds = changed->BoundsRect();
  changed->Paint(TRect{0, 0, bounds.Width, bounds.Height},
                 [&](const TRect& target, const TPixels& rendering, TPoint from) {
                   TRect onScreen = target;
                   onScreen.Left += bounds.Left;
                   onScreen.Top += bounds.Top;
                   screen.Draw(onScreen, rendering, from);
                 });
}

// Arguments: layout, picture width; the height is three quarters of it.
void BM_TickByPictureSize(benchmark::State& state) {
  const int layout = int(state.range(0));
  const int width = int(state.range(1));
  TheDrive().UsePictures(width, width * 3 / 4);
  auto form = NewDisplay(layout);
  BenchScreen screen(kScreenWidth, kScreenHeight);
  for (auto _ : state)
    TickAndPaint(*form, screen);
  state.counters["pixels"] = double(width) * (width * 3 / 4);
}

void BM_FullScreenTick1080(benchmark::State& state) {
  TheDrive().UsePictures(1920, 1080);
  auto form = NewDisplay(dmFullScreen);
  BenchScreen screen(kScreenWidth, kScreenHeight);
  for (auto _ : state)
    TickAndPaint(*form, screen);
}

// The same file decoded straight through libjpeg.
void BM_PlainLibjpegDecode1080(benchmark::State& state) {
  const auto& bytes = TheDrive().UsePictures(1920, 1080);
  std::vector<std::uint8_t> pixels;
  for (auto _ : state) {
    PlainLibjpegDecode(bytes, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}

// Peak resident memory of the process after 100 full-screen ticks at 1920 x 1080.
void BM_PeakResident100Ticks(benchmark::State& state) {
  TheDrive().UsePictures(1920, 1080);
  auto form = NewDisplay(dmFullScreen);
  BenchScreen screen(kScreenWidth, kScreenHeight);
  for (auto _ : state)
    for (int tick = 0; tick < 100; ++tick)
      TickAndPaint(*form, screen);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_mib"] = double(usage.ru_maxrss) / 1024.0;
}

void TickSizes(benchmark::internal::Benchmark* benchmark) {
  for (const int layout : {dmTiled, dmDefaultSize, dmFullScreen})
    for (const int width : {320, 640, 1280, 1920, 2560, 3840})
      benchmark->Args({layout, width});
}

} // namespace

// First, so that the process's peak is this run's and not a larger picture's of a later one.
BENCHMARK(BM_PeakResident100Ticks)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TickByPictureSize)->Apply(TickSizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullScreenTick1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLibjpegDecode1080)->Unit(benchmark::kMillisecond);
