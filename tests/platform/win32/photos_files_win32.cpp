// The desktop's services behind the photo import: its imaging component reading photos, files
// replaced in one step, the folder picker and the progress bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/jpeg.h"
#include "platform/photos.h"
#include "platform/testing.h"
#include "platform/win32/handles_win32.h"
#include "platform/win32/peer.h"
#include "platform/win32/utf16_win32.h"
#include "support/control_form.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using platform::win32::Utf8FromWide;

namespace {

void Write(const fs::path& file, const Bytes& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Put(Bytes& bytes, std::uint32_t value, int size, bool bigEndian) {
  for (int i = 0; i < size; ++i)
    bytes.push_back(std::uint8_t(value >> (8 * (bigEndian ? size - 1 - i : i))));
}

// A PNG file of 8-bit RGBA pixels, its image data stored without compression.
Bytes PngOf(int width, int height, const std::function<std::uint32_t(int x, int y)>& rgba) {
  Bytes rows;
  for (int y = 0; y < height; ++y) {
    rows.push_back(0); // no filter
    for (int x = 0; x < width; ++x)
      Put(rows, rgba(x, y), 4, true);
  }
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : rows) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  Bytes zlib{0x78, 0x01, 0x01};
  Put(zlib, std::uint32_t(rows.size()) | std::uint32_t(~rows.size()) << 16, 4, false);
  zlib.insert(zlib.end(), rows.begin(), rows.end());
  Put(zlib, (b << 16) | a, 4, true);
  Bytes header;
  Put(header, std::uint32_t(width), 4, true);
  Put(header, std::uint32_t(height), 4, true);
  header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA
  Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const auto& [type, data] : {std::pair{"IHDR", header}, {"IDAT", zlib}, {"IEND", Bytes{}}}) {
    Put(png, std::uint32_t(data.size()), 4, true);
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = start; i < png.size(); ++i) {
      crc ^= png[i];
      for (int bit = 0; bit < 8; ++bit)
        crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    Put(png, ~crc, 4, true);
  }
  return png;
}

// Orientation 6: stored a quarter turn anticlockwise, so the stored left edge is the top.
constexpr std::uint8_t kTurned = 6;
constexpr int kStoredWidth = 64, kStoredHeight = 32;

// Its orientation in the EXIF block of its APP1 segment.
Bytes TurnedJpeg() {
  TPixels halves(kStoredWidth, kStoredHeight, TPixelFormat::pf24bit);
  for (int y = 0; y < kStoredHeight; ++y)
    for (int x = 0; x < kStoredWidth; ++x)
      halves.SetPixel(x, y, x < kStoredWidth / 2 ? RGB(220, 0, 0) : RGB(0, 0, 220));
  Bytes jpeg = jpeg::Encode(halves, {95, false});
  const Bytes exif{0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M',     0, 42, 0, 0, 0, 8,
                   0,    1,    1, 18, 0,   3,   0,   0,   0, 1, 0,   kTurned, 0, 0,  0, 0, 0, 0};
  jpeg.insert(jpeg.begin() + 2, exif.begin(), exif.end());
  return jpeg;
}

// Grey, its orientation in its own directory.
Bytes TurnedTiff() {
  const std::uint16_t entries[][2] = {{256, kStoredWidth},
                                      {257, kStoredHeight},
                                      {258, 8},
                                      {259, 1},
                                      {262, 1},
                                      {273, 8 + 2 + 9 * 12 + 4},
                                      {274, kTurned},
                                      {277, 1},
                                      {279, kStoredWidth * kStoredHeight}};
  Bytes tiff{'I', 'I', 42, 0, 8, 0, 0, 0, std::uint8_t(std::size(entries)), 0};
  for (const auto& [tag, value] : entries) {
    Put(tiff, tag, 2, false);
    Put(tiff, 3, 2, false); // one SHORT
    Put(tiff, 1, 4, false);
    Put(tiff, value, 4, false);
  }
  Put(tiff, 0, 4, false);
  for (int y = 0; y < kStoredHeight; ++y)
    for (int x = 0; x < kStoredWidth; ++x)
      tiff.push_back(x < kStoredWidth / 2 ? 220 : 30);
  return tiff;
}

bool Near(TColor a, TColor b, int tolerance) {
  const auto close = [&](int x, int y) { return std::abs(x - y) <= tolerance; };
  return close(RedOf(a), RedOf(b)) && close(GreenOf(a), GreenOf(b)) && close(BlueOf(a), BlueOf(b));
}

// Holds a file open without sharing, as another program may.
platform::win32::UniqueHandle Locked(const fs::path& file) {
  return platform::win32::UniqueHandle(CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                   nullptr, OPEN_EXISTING, 0, nullptr));
}

class Win32Photos : public ::testing::Test {
protected:
  TPixels ReadPhoto(const std::string& name, std::string& error) {
    return platform::ReadPhotoUpright(folder.Path() / name, {4000, 4000}, error);
  }
  TempFolder folder;
};

TEST_F(Win32Photos, ThePhotoIsTurnedUprightAndItsTransparencyLaidOverBlack) {
  Write(folder.Path() / "alpha.png", PngOf(3, 2, [](int x, int y) -> std::uint32_t {
          return y == 1 ? 0xFFFFFF00 : x == 0 ? 0x0A141EFF : 0xC8643280;
        }));
  std::string error;
  const TPixels png = ReadPhoto("alpha.png", error);
  ASSERT_EQ(png.Width(), 3) << error;
  ASSERT_EQ(png.Height(), 2);
  EXPECT_EQ(png.Pixel(0, 0), RGB(10, 20, 30));
  EXPECT_TRUE(Near(png.Pixel(1, 0), RGB(100, 50, 25), 1));
  EXPECT_EQ(png.Pixel(2, 1), RGB(0, 0, 0));

  const struct {
    const char* name;
    Bytes bytes;
    TColor top, bottom;
  } turned[] = {{"turned.jpg", TurnedJpeg(), RGB(220, 0, 0), RGB(0, 0, 220)},
                {"turned.tif", TurnedTiff(), RGB(220, 220, 220), RGB(30, 30, 30)}};
  for (const auto& photo : turned) {
    Write(folder.Path() / photo.name, photo.bytes);
    const TPixels upright = ReadPhoto(photo.name, error);
    ASSERT_EQ(upright.Width(), kStoredHeight) << photo.name << ": " << error;
    ASSERT_EQ(upright.Height(), kStoredWidth) << photo.name;
    EXPECT_TRUE(Near(upright.Pixel(16, 8), photo.top, 8)) << photo.name;
    EXPECT_TRUE(Near(upright.Pixel(16, 56), photo.bottom, 8)) << photo.name;
  }
}

TEST_F(Win32Photos, APhotoThatCannotBeReadGivesTheReasonInPlainWords) {
  const Bytes png =
      PngOf(40, 30, [](int x, int y) { return std::uint32_t(x << 24 | y << 8 | 255); });
  Write(folder.Path() / "notes.jpg", Bytes{'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't'});
  Write(folder.Path() / "cut.png",
        Bytes(png.begin(), png.begin() + std::ptrdiff_t(png.size() / 2)));
  Write(folder.Path() / "locked.png", png);
  const platform::win32::UniqueHandle lock = Locked(folder.Path() / "locked.png");
  ASSERT_NE(lock.get(), INVALID_HANDLE_VALUE);
  const struct {
    const char* name;
    const char* reason;
  } cases[] = {
      {"notes.jpg", "not a picture this installation reads"},
      {"cut.png", "the picture data is damaged or cut short"},
      {"locked.png", "the file is locked by another program"},
      {"missing.png", "the file cannot be opened: "},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_TRUE(ReadPhoto(c.name, error).Empty()) << c.name;
    EXPECT_EQ(error.rfind(c.reason, 0), 0u) << c.name << ": " << error;
  }
}

TEST_F(Win32Photos, TheSuffixesAreTheDecodersOwnAndTheStoreFormatsHaveANote) {
  const std::vector<std::string> suffixes = platform::PhotoSuffixes();
  for (const char* suffix : {".bmp", ".gif", ".jpeg", ".jpg", ".png", ".tif", ".tiff"})
    EXPECT_TRUE(std::binary_search(suffixes.begin(), suffixes.end(), suffix)) << suffix;
  EXPECT_EQ(std::adjacent_find(suffixes.begin(), suffixes.end()), suffixes.end());
  EXPECT_NE(platform::PhotoFormatNote(".heic").find("HEIF"), std::string::npos);
  EXPECT_NE(platform::PhotoFormatNote(".WEBP").find("WebP"), std::string::npos);
  EXPECT_EQ(platform::PhotoFormatNote(".jpg"), "");
}

TEST(Win32Files, AFileIsReplacedWholeOrStaysAsItWasAndNoTemporaryIsLeft) {
  TempFolder folder;
  const fs::path target = folder.Path() / "picture.jpg";
  const Bytes old(100, 0x22);
  // Each returns what lets the file go again.
  const struct {
    const char* what;
    std::function<std::function<void()>()> hold;
  } refusals[] = {
      {"read-only",
       [&]() -> std::function<void()> {
         SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
         return [&] { SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL); };
       }},
      {"open in another program",
       [&]() -> std::function<void()> {
         auto lock = std::make_shared<platform::win32::UniqueHandle>(Locked(target));
         return [lock] { lock->reset(); };
       }},
  };
  for (const auto& refusal : refusals) {
    Write(target, old);
    const std::function<void()> release = refusal.hold();
    std::string error;
    EXPECT_FALSE(platform::ReplaceFileWith(target, Bytes(10, 0x33), error)) << refusal.what;
    EXPECT_FALSE(error.empty()) << refusal.what;
    release();
    EXPECT_EQ(Read(target), old) << refusal.what;
    EXPECT_FALSE(fs::exists(platform::ReplacementOf(target))) << refusal.what;
  }
  const Bytes bytes(70000, 0x5A);
  std::string error;
  EXPECT_TRUE(platform::ReplaceFileWith(target, bytes, error)) << error;
  EXPECT_EQ(Read(target), bytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

// ---- The folder picker and the progress bar ----

BOOL CALLBACK TypeIntoEdit(HWND hwnd, LPARAM text) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (std::wstring_view(name) != L"Edit")
    return TRUE;
  SetWindowTextW(hwnd, reinterpret_cast<const wchar_t*>(text));
  return FALSE;
}

// The picker opens in the folder asked for: a name typed there is found in it.
TEST(Win32Picker, TheFolderPickerOpensWhereAskedAndGivesTheChosenFolder) {
  Application().Initialize("win32_backend_test");
  TempFolder folder;
  const std::wstring name = L"Fotos \u00dcberlingen";
  fs::create_directory(folder.Path() / name);
  for (const int button : {IDOK, IDCANCEL}) {
    HWND picker = nullptr;
    platform_test::Later([&] {
      platform_test::WaitUntil(
          [&] { return (picker = FindWindowW(L"#32770", L"Photos")) != nullptr; });
      EnumChildWindows(picker, &TypeIntoEdit, reinterpret_cast<LPARAM>(name.c_str()));
      PostMessageW(picker, WM_COMMAND, WPARAM(button), 0);
    });
    const std::optional<std::string> chosen =
        SelectFolder({"Photos", Utf8FromWide(folder.Path().wstring())});
    EXPECT_NE(picker, nullptr);
    if (button == IDOK)
      EXPECT_EQ(chosen, Utf8FromWide((folder.Path() / name).wstring()));
    else
      EXPECT_EQ(chosen, std::nullopt);
  }
}

TEST(Win32Picker, TheProgressBarIsTheDesktopsOwnAndShowsItsPositionOfItsMax) {
  Application().Initialize("win32_backend_test");
  TestForm form;
  auto* bar = form.Add<TProgressBar>("Bar");
  bar->SetBounds(8, 200, 200, 16);
  HWND hwnd = platform::win32::HwndOf(*bar);
  wchar_t windowClass[32] = {};
  GetClassNameW(hwnd, windowClass, 32);
  EXPECT_STREQ(windowClass, PROGRESS_CLASSW);
  bar->SetMax(38);
  bar->SetPosition(12);
  EXPECT_EQ(SendMessageW(hwnd, PBM_GETRANGE, FALSE, 0), 38);
  EXPECT_EQ(SendMessageW(hwnd, PBM_GETPOS, 0, 0), 12);
}

} // namespace
