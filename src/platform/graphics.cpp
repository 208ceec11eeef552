#include "platform/graphics.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/ascii.h"
#include "platform/system.h"

EFOpenError::EFOpenError(const std::string& fileName)
    : std::runtime_error("Cannot open file " + fileName) {}

EInvalidGraphic EInvalidGraphic::UnknownExtension(const std::string& extension) {
  return EInvalidGraphic("Unknown picture file extension (." + extension + ")");
}

// ---- TBitmap

namespace {

// Bitmaps larger than this are refused, as JPEG files are.
constexpr std::uint64_t kMostBitmapPixels = std::uint64_t(1) << 27;

[[noreturn]] void NotABitmap() {
  throw EInvalidGraphic("Bitmap image is not valid");
}

// Little-endian fields of the file, any read past its end refused.
class BmpReader {
public:
  explicit BmpReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint32_t U32(std::size_t at) const {
    Need(at, 4);
    return std::uint32_t(bytes_[at]) | std::uint32_t(bytes_[at + 1]) << 8 |
           std::uint32_t(bytes_[at + 2]) << 16 | std::uint32_t(bytes_[at + 3]) << 24;
  }
  std::int32_t I32(std::size_t at) const { return std::int32_t(U32(at)); }
  unsigned U16(std::size_t at) const {
    Need(at, 2);
    return unsigned(bytes_[at]) | unsigned(bytes_[at + 1]) << 8;
  }
  std::uint8_t U8(std::size_t at) const {
    Need(at, 1);
    return bytes_[at];
  }
  void Need(std::size_t at, std::size_t count) const {
    if (at > bytes_.size() || count > bytes_.size() - at)
      NotABitmap();
  }
  const std::uint8_t* At(std::size_t at) const { return bytes_.data() + at; }

private:
  const std::vector<std::uint8_t>& bytes_;
};

enum : std::uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3 };

struct BmpHeader {
  int width = 0;
  int height = 0;
  bool topDown = false;
  unsigned bits = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t masks[3] = {0, 0, 0}; // red, green, blue
  std::size_t pixelsAt = 0;
  std::size_t paletteAt = 0;
  std::size_t paletteEntry = 4;
  std::size_t paletteCount = 0;
};

BmpHeader ReadBmpHeader(const BmpReader& in) {
  if (in.U8(0) != 'B' || in.U8(1) != 'M')
    NotABitmap();
  BmpHeader h;
  h.pixelsAt = in.U32(10);
  const std::uint32_t infoSize = in.U32(14);
  std::uint32_t colours = 0;
  if (infoSize == 12) {
    h.width = int(in.U16(18));
    h.height = int(in.U16(20));
    h.bits = in.U16(24);
    h.paletteEntry = 3;
  } else if (infoSize >= 40) {
    h.width = in.I32(18);
    const std::int32_t height = in.I32(22);
    h.topDown = height < 0;
    h.height = height == INT32_MIN ? 0 : std::abs(height);
    h.bits = in.U16(28);
    h.compression = in.U32(30);
    colours = in.U32(46);
    if (h.compression == kBiBitfields) {
      // Right after the 40 bytes of the first version, inside the later ones; the palette of the
      // first version follows them.
      for (int i = 0; i < 3; ++i)
        h.masks[i] = in.U32(54 + 4 * std::size_t(i));
      if (infoSize == 40)
        h.paletteAt = 66;
    }
  } else {
    NotABitmap();
  }
  if (h.paletteAt == 0)
    h.paletteAt = 14 + infoSize;
  if (h.width <= 0 || h.height <= 0 ||
      std::uint64_t(h.width) * std::uint64_t(h.height) > kMostBitmapPixels)
    NotABitmap();
  const bool paletted = h.bits == 1 || h.bits == 4 || h.bits == 8;
  if (!paletted && h.bits != 16 && h.bits != 24 && h.bits != 32)
    NotABitmap();
  const bool compressionFits = h.compression == kBiRgb ||
                               (h.compression == kBiRle8 && h.bits == 8 && !h.topDown) ||
                               (h.compression == kBiRle4 && h.bits == 4 && !h.topDown) ||
                               (h.compression == kBiBitfields && (h.bits == 16 || h.bits == 32));
  if (!compressionFits)
    NotABitmap();
  if (paletted)
    h.paletteCount = colours == 0 || colours > (1u << h.bits) ? (1u << h.bits) : colours;
  if (!paletted && h.compression == kBiRgb && h.bits != 24) {
    // The fixed layouts: 5 bits a colour in 16, 8 in 32.
    const bool sixteen = h.bits == 16;
    h.masks[0] = sixteen ? 0x7C00 : 0xFF0000;
    h.masks[1] = sixteen ? 0x03E0 : 0x00FF00;
    h.masks[2] = sixteen ? 0x001F : 0x0000FF;
  }
  return h;
}

std::vector<TColor> ReadPalette(const BmpReader& in, const BmpHeader& h) {
  std::vector<TColor> palette(std::size_t(1) << h.bits, clBlack);
  for (std::size_t i = 0; i < h.paletteCount; ++i) {
    const std::size_t at = h.paletteAt + i * h.paletteEntry;
    // A palette cut short leaves the rest black.
    if (at + 3 > h.pixelsAt)
      break;
    palette[i] = RGB(in.U8(at + 2), in.U8(at + 1), in.U8(at));
  }
  return palette;
}

// A mask's field as an 8-bit value.
int Field(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0)
    return 0;
  const int shift = std::countr_zero(mask);
  const std::uint32_t max = mask >> shift;
  return int((((value & mask) >> shift) * 255 + max / 2) / max);
}

// The target row of file row r: the file stores rows bottom up unless it says otherwise.
int TargetRow(const BmpHeader& h, int r) {
  return h.topDown ? r : h.height - 1 - r;
}

void ReadUncompressed(const BmpReader& in, const BmpHeader& h, TPixels& out) {
  const std::size_t stride = ((std::size_t(h.width) * h.bits + 31) / 32) * 4;
  in.Need(h.pixelsAt, stride * std::size_t(h.height - 1) + (std::size_t(h.width) * h.bits + 7) / 8);
  for (int r = 0; r < h.height; ++r) {
    const std::uint8_t* row = in.At(h.pixelsAt + std::size_t(r) * stride);
    std::uint8_t* target = out.Row(TargetRow(h, r));
    for (int x = 0; x < h.width; ++x) {
      switch (h.bits) {
      case 1:
        target[x] = (row[x / 8] >> (7 - x % 8)) & 1;
        break;
      case 4:
        target[x] = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
        break;
      case 8:
        target[x] = row[x];
        break;
      case 24:
        std::memcpy(target + 3 * x, row + 3 * x, 3);
        break;
      default: {
        const std::uint8_t* p = row + std::size_t(x) * (h.bits / 8);
        const std::uint32_t value = h.bits == 16
                                        ? std::uint32_t(p[0] | p[1] << 8)
                                        : std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                              std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
        target[3 * x] = std::uint8_t(Field(value, h.masks[2]));
        target[3 * x + 1] = std::uint8_t(Field(value, h.masks[1]));
        target[3 * x + 2] = std::uint8_t(Field(value, h.masks[0]));
        break;
      }
      }
    }
  }
}

// Run-length encoded indices; what the runs do not reach stays index 0.
void ReadRunLength(const BmpReader& in, const BmpHeader& h, TPixels& out) {
  for (int y = 0; y < out.Height(); ++y)
    std::memset(out.Row(y), 0, out.Stride());
  const bool four = h.bits == 4;
  std::size_t at = h.pixelsAt;
  int x = 0, r = 0;
  auto put = [&](int index) {
    if (x < h.width && r < h.height)
      out.Row(TargetRow(h, r))[x] = std::uint8_t(index);
    ++x;
  };
  while (r < h.height) {
    const int count = in.U8(at), value = in.U8(at + 1);
    at += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(four ? (i % 2 ? value & 0xF : value >> 4) : value);
    } else if (value == 0) {
      x = 0;
      ++r;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      x += in.U8(at);
      r += in.U8(at + 1);
      at += 2;
    } else {
      const std::size_t bytes = four ? (std::size_t(value) + 1) / 2 : std::size_t(value);
      in.Need(at, bytes);
      for (int i = 0; i < value; ++i)
        put(four ? (in.U8(at + std::size_t(i / 2)) >> (i % 2 ? 0 : 4)) & 0xF
                 : in.U8(at + std::size_t(i)));
      at += (bytes + 1) & ~std::size_t(1);
    }
  }
}

} // namespace

TPixels ReadBmp(const std::vector<std::uint8_t>& bytes) {
  const BmpReader in(bytes);
  const BmpHeader h = ReadBmpHeader(in);
  const bool paletted = h.bits <= 8;
  TPixels out(h.width, h.height, paletted ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
  if (paletted)
    out.Palette = ReadPalette(in, h);
  if (h.compression == kBiRle8 || h.compression == kBiRle4)
    ReadRunLength(in, h, out);
  else
    ReadUncompressed(in, h, out);
  return out;
}

TBitmap::TBitmap() : pixels_(std::make_shared<const TPixels>()) {}

TBitmap::TBitmap(TPixels pixels) : pixels_(std::make_shared<const TPixels>(std::move(pixels))) {}

void TBitmap::LoadFromBytes(std::vector<std::uint8_t> bytes) {
  pixels_ = std::make_shared<const TPixels>(bytes.empty() ? TPixels() : ReadBmp(bytes));
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto copy = std::make_unique<TBitmap>();
  copy->pixels_ = pixels_;
  return copy;
}

// ---- TJPEGImage

TJPEGData::TJPEGData(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
  if (bytes_.empty())
    return;
  const jpeg::Header header = jpeg::ReadHeader(bytes_);
  width_ = header.width;
  height_ = header.height;
}

TJPEGImage::TJPEGImage() : data_(std::make_shared<const TJPEGData>()) {}

int TJPEGImage::Width() const {
  return bitmap_ ? bitmap_->Width() : data_->Width();
}

int TJPEGImage::Height() const {
  return bitmap_ ? bitmap_->Height() : data_->Height();
}

bool TJPEGImage::Empty() const {
  return data_->Bytes().empty() && (!bitmap_ || bitmap_->Empty());
}

void TJPEGImage::LoadFromBytes(std::vector<std::uint8_t> bytes) {
  auto data = std::make_shared<const TJPEGData>(std::move(bytes));
  data_ = std::move(data);
  bitmap_.reset();
  decodedWhole_ = false;
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
  auto copy = std::make_unique<TJPEGImage>();
  copy->data_ = data_;
  copy->bitmap_ = bitmap_;
  copy->decodedWhole_ = decodedWhole_;
  return copy;
}

const TPixels* TJPEGImage::Bitmap() {
  if (!bitmap_) {
    // The bitmap belongs to the picture from here on, whether or not the decode succeeds, so a
    // failed picture is never decoded again.
    bitmap_ = std::make_shared<TPixels>();
    jpeg::DecodeSettings settings;
    settings.lowColour = ScreenBitsPerPixel() <= 8;
    jpeg::Decode(data_->Bytes(), settings, *bitmap_, OnProgress);
    decodedWhole_ = true;
  }
  return bitmap_->Empty() ? nullptr : bitmap_.get();
}

bool TJPEGImage::ReleaseBitmap() {
  if (!bitmap_ || !decodedWhole_)
    return false;
  bitmap_.reset();
  decodedWhole_ = false;
  return true;
}

// ---- Files

namespace {

// Graphic classes for which the desktop has readers we do not carry: a file of theirs is found
// and opened like any other, then refused.
class TUnreadableGraphic : public TBitmap {
public:
  explicit TUnreadableGraphic(const char* message) : message_(message) {}
  void LoadFromBytes(std::vector<std::uint8_t>) override { throw EInvalidGraphic(message_); }

private:
  const char* message_;
};

struct GraphicFormat {
  const char* extension;
  std::function<std::unique_ptr<TGraphic>()> create;
};

// In the order of registration; the search runs from the most recent.
const std::vector<GraphicFormat>& GraphicFormats() {
  static const std::vector<GraphicFormat> formats = {
      {"wmf", [] { return std::make_unique<TUnreadableGraphic>("Metafile is not valid"); }},
      {"emf", [] { return std::make_unique<TUnreadableGraphic>("Metafile is not valid"); }},
      {"ico", [] { return std::make_unique<TUnreadableGraphic>("Icon image is not valid"); }},
      {"bmp", [] { return std::make_unique<TBitmap>(); }},
      {"jpeg", [] { return std::make_unique<TJPEGImage>(); }},
      {"jpg", [] { return std::make_unique<TJPEGImage>(); }},
  };
  return formats;
}

std::unique_ptr<TGraphic> NewGraphicFor(const std::string& extension) {
  const std::string key = AsciiLowered(extension);
  const auto& formats = GraphicFormats();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it)
    if (key == it->extension)
      return it->create();
  throw EInvalidGraphic::UnknownExtension(extension);
}

} // namespace

std::string PictureFileExtension(const std::string& fileName) {
  const std::size_t last = fileName.find_last_of(".\\:");
  if (last == std::string::npos || fileName[last] != '.')
    return std::string();
  return fileName.substr(last + 1);
}

// ---- TPicture

void TPicture::LoadFromFile(const std::string& fileName) {
  std::unique_ptr<TGraphic> graphic = NewGraphicFor(PictureFileExtension(fileName));
  graphic->LoadFromBytes(ReadPictureFile(fileName));
  SetGraphic(std::move(graphic));
}

void TPicture::Assign(const TPicture& other) {
  AssignGraphic(other.Graphic());
}

void TPicture::AssignGraphic(const TGraphic* graphic) {
  SetGraphic(graphic ? graphic->Clone() : nullptr);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_)
    graphic_->OnProgress = [this](ProgressStage stage, const TRect& rect) {
      if (OnProgress)
        OnProgress(stage, rect);
    };
  Changed();
}

void TPicture::Changed() {
  if (OnChange)
    OnChange();
}
