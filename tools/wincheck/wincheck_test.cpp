#include "wincheck.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <jpeglib.h>

namespace {

// A known picture, made here so that the decoder's result can be compared with it. Smooth, so
// that chroma subsampling alone moves no value far.
std::vector<unsigned char> gradient(int width, int height, int components) {
  std::vector<unsigned char> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c)
        pixels.push_back(
            static_cast<unsigned char>(20 + x * 150 / width + y * 60 / height + c * 10));
  return pixels;
}

std::vector<unsigned char> encode(const std::vector<unsigned char>& pixels, int width, int height,
                                  int components) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 98, TRUE);
  jpeg_start_compress(&info, TRUE);
  const std::size_t stride = static_cast<std::size_t>(width) * components;
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(pixels.data() + stride * info.next_scanline);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<unsigned char> bytes(out, out + size);
  std::free(out);
  return bytes;
}

int largestDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  int largest = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    largest = std::max(largest, std::abs(a[i] - b[i]));
  return largest;
}

// Odd sizes leave partial 8x8 blocks and partial SIMD vectors at the right and bottom edges,
// where a miscompiled or misassembled SIMD path shows first.
TEST(Decode, ColourAndGreyPicturesComeBackCloseToWhatWasEncoded) {
  for (const int components : {3, 1}) {
    SCOPED_TRACE(components);
    const auto pixels = gradient(37, 23, components);
    const auto image = wincheck::decodeJpeg(encode(pixels, 37, 23, components));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 37);
    EXPECT_EQ(image->height, 23);
    EXPECT_EQ(image->components, components);
    ASSERT_EQ(image->pixels.size(), pixels.size());
    EXPECT_LE(largestDifference(image->pixels, pixels), 8);
  }
}

// libjpeg reports these through error_exit, a longjmp across its frames: it must come back as a
// failure, not end or crash the program (x86-64 Windows unwinds longjmp through SEH).
TEST(Decode, BrokenDataIsRefused) {
  const auto good = encode(gradient(16, 16, 3), 16, 16, 3);
  EXPECT_FALSE(wincheck::decodeJpeg({}));
  EXPECT_FALSE(wincheck::decodeJpeg(std::vector<unsigned char>(good.begin(), good.begin() + 2)));
  std::vector<unsigned char> notJpeg(good.size(), 0x55);
  EXPECT_FALSE(wincheck::decodeJpeg(notJpeg));
  EXPECT_FALSE(wincheck::decodeJpegFile("no such file.jpg"));
}

TEST(Resources, WindresStringTableAndVersionAreLinkedIn) {
  EXPECT_EQ(wincheck::resourceString(1), "Quillmor Screensaver");
  EXPECT_EQ(wincheck::resourceString(4711), "");
  EXPECT_EQ(wincheck::versionString("FileDescription"), "Quillmor Screensaver");
  EXPECT_EQ(wincheck::versionString("NoSuchField"), "");
}

// The posix-thread flavour of MinGW-w64's GCC is what gives std::thread and std::mutex; this
// fails to build with the win32 flavour and fails to start if winpthreads is not linked in.
TEST(Runtime, StandardThreadsRunAndJoin) {
  std::mutex lock;
  std::vector<int> seen;
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      const std::scoped_lock guard(lock);
      seen.push_back(i);
    });
  for (auto& thread : threads)
    thread.join();
  EXPECT_THAT(seen, testing::UnorderedElementsAre(0, 1, 2, 3));
}

} // namespace
