// Picture loading and painting against their plain counterparts: our load and decode against a
// bare libjpeg decode with the same settings, the header read, and the image control's stretch
// and repaint against copying the same amount of screen memory.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include "bench_pictures.h"
#include "platform/application.h"
#include "platform/forms.h"
#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/jpeg.h"

namespace {

constexpr int kScreenWidth = 3840;
constexpr int kScreenHeight = 2160;

const std::vector<std::uint8_t>& Jpeg(int width, int height) {
  static std::map<std::pair<int, int>, std::vector<std::uint8_t>> files;
  auto& file = files[{width, height}];
  if (file.empty()) {
    jpeg::EncodeSettings settings;
    settings.quality = 90;
    file = jpeg::Encode(Scene(width, height), settings);
  }
  return file;
}

void BM_LoadAndDecode(benchmark::State& state) {
  const auto& bytes = Jpeg(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    TJPEGImage picture;
    picture.LoadFromBytes(bytes);
    benchmark::DoNotOptimize(picture.Bitmap());
  }
}

// The same decode straight through libjpeg into one reused buffer.
void BM_PlainLibjpegDecode(benchmark::State& state) {
  const auto& bytes = Jpeg(int(state.range(0)), int(state.range(1)));
  std::vector<std::uint8_t> pixels;
  for (auto _ : state) {
    PlainLibjpegDecode(bytes, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_HeaderOnly(benchmark::State& state) {
  const auto& bytes = Jpeg(1920, 1080);
  for (auto _ : state)
    benchmark::DoNotOptimize(jpeg::ReadHeader(bytes));
}

// A screen-sized image control on a window of its own.
TImage& ScreenImage(TForm& form) {
  TImage& image = *form.Add<TImage>("Image1");
  image.SetStretch(true);
  image.SetBounds(0, 0, kScreenWidth, kScreenHeight);
  return image;
}

// A new picture in a screen-sized control: the whole stretch into the control's rendering. The
// picture is a bitmap, so that only the stretch is measured.
void BM_StretchToScreen(benchmark::State& state) {
  TJPEGImage jpeg;
  jpeg.LoadFromBytes(Jpeg(int(state.range(0)), int(state.range(1))));
  const TBitmap decoded(jpeg.Bitmap()->Copy());
  TForm form;
  TImage& image = ScreenImage(form);
  BenchScreen corner(1, 1);
  const TImage::DrawPiece draw = [&](const TRect& target, const TPixels& rendering, TPoint from) {
    corner.Draw(target, rendering, from);
  };
  for (auto _ : state) {
    image.Picture().AssignGraphic(&decoded);
    image.Paint(TRect{0, 0, 1, 1}, draw);
  }
}

// A repaint of a picture already shown, while the control keeps its rendering: one copy from the
// rendering to the screen.
void BM_RepaintUnchanged(benchmark::State& state) {
  TJPEGImage decoded;
  decoded.LoadFromBytes(Jpeg(1920, 1080));
  TForm form;
  TImage& image = ScreenImage(form);
  image.Picture().AssignGraphic(&decoded);
  BenchScreen screen(kScreenWidth, kScreenHeight);
  const TImage::DrawPiece draw = [&](const TRect& target, const TPixels& rendering, TPoint from) {
    screen.Draw(target, rendering, from);
  };
  const TRect whole{0, 0, kScreenWidth, kScreenHeight};
  image.Paint(whole, draw);
  for (auto _ : state)
    image.Paint(whole, draw);
}

// A repaint after the control let its rendering and the decoded picture go (the screen was still
// for a while): decode and stretch again.
void BM_RepaintAfterRelease(benchmark::State& state) {
  TJPEGImage decoded;
  decoded.LoadFromBytes(Jpeg(1920, 1080));
  TForm form;
  TImage& image = ScreenImage(form);
  image.Picture().AssignGraphic(&decoded);
  BenchScreen screen(kScreenWidth, kScreenHeight);
  const TImage::DrawPiece draw = [&](const TRect& target, const TPixels& rendering, TPoint from) {
    screen.Draw(target, rendering, from);
  };
  const TRect whole{0, 0, kScreenWidth, kScreenHeight};
  for (auto _ : state) {
    image.ReleaseRendering();
    image.Paint(whole, draw);
  }
}

void BM_MemcpyScreen(benchmark::State& state) {
  const std::size_t size = std::size_t(kScreenWidth) * kScreenHeight * 4;
  std::vector<std::uint8_t> from(size, 1), to(size, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size);
    benchmark::DoNotOptimize(to.data());
  }
}

} // namespace

BENCHMARK(BM_LoadAndDecode)->Args({1920, 1080})->Args({4000, 3000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLibjpegDecode)
    ->Args({1920, 1080})
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchToScreen)
    ->Args({1920, 1080})
    ->Args({4000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintUnchanged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintAfterRelease)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyScreen)->Unit(benchmark::kMillisecond);
