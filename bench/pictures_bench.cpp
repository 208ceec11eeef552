// The import of the user's photos: one photo of 12 megapixels read upright and fitted to a
// 1920 x 1080 screen, through the desktop's reader and the shared fit, then encoded as a
// catalogue picture; and the shared averaging filter alone, at the same ratio.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <benchmark/benchmark.h>

#include "bench_pictures.h"
#include "pictures/picture_import.h"
#include "platform/application.h"
#include "platform/photos.h"

namespace {

constexpr platform::TPhotoSize kScreen{1920, 1080};
constexpr int kPhotoWidth = 4000, kPhotoHeight = 3000;

const std::filesystem::path& PhotoFile() {
  static const std::filesystem::path file = [] {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "quillmor-bench-12mp.jpg";
    const std::vector<std::uint8_t> bytes =
        jpeg::Encode(Scene(kPhotoWidth, kPhotoHeight), {90, false});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }();
  return file;
}

void BM_ImportOneTwelveMegapixelPhoto(benchmark::State& state) {
  const std::filesystem::path& file = PhotoFile();
  for (auto _ : state) {
    std::string error;
    const TPixels upright = pictures::LoadUpright(file, kScreen, error);
    benchmark::DoNotOptimize(jpeg::Encode(upright, {90, false}));
  }
}
BENCHMARK(BM_ImportOneTwelveMegapixelPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScaleDownTwelveMegapixelsToTheScreen(benchmark::State& state) {
  const TPixels photo = Scene(kPhotoWidth, kPhotoHeight);
  const platform::TPhotoSize fitted = platform::FittedSize({kPhotoWidth, kPhotoHeight}, kScreen);
  for (auto _ : state)
    benchmark::DoNotOptimize(platform::ScaleDownTo(photo, fitted));
}
BENCHMARK(BM_ScaleDownTwelveMegapixelsToTheScreen)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
