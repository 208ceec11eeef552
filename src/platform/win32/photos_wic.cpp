// The user's photos read through the desktop's imaging component, which reads every format the
// desktop does, those of the image extensions the user installed included.
#include "platform/photos.h"

#include <algorithm>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>

#include "platform/ascii.h"
#include "platform/win32/handles_win32.h"
#include "platform/win32/utf16_win32.h"

// After windows.h, which handles_win32.h brings.
#include <propidl.h>
#include <wincodec.h>

namespace fs = std::filesystem;
using platform::win32::ComApartment;
using platform::win32::ComPtr;

namespace platform {
namespace {

// A larger photo would ask more memory of an import than it should have: three bytes a pixel,
// twice while it is turned upright.
constexpr std::uint64_t kLargestPicture = 120'000'000; // pixels
// A JPEG file's orientation is looked for in its bytes in memory; no photo's file is larger.
constexpr LONGLONG kLargestJpegFile = LONGLONG(256) << 20; // bytes
// The component's pixels are copied out in strips of about this size.
constexpr std::size_t kStripBytes = std::size_t(1) << 20;

// What the imaging component reads on every desktop that has it, for a desktop whose component
// cannot list its decoders.
constexpr const char* kBuiltInSuffixes[] = {".bmp", ".dib",  ".gif", ".jpg", ".jpeg",
                                            ".jpe", ".jfif", ".png", ".tif", ".tiff",
                                            ".ico", ".wdp",  ".jxr"};

// The formats an extension from the desktop's store teaches the imaging component.
struct FormatExtension {
  const char* suffix;
  const char* extension;
};
constexpr FormatExtension kFormatExtensions[] = {{".heic", "HEIF image extension"},
                                                 {".heif", "HEIF image extension"},
                                                 {".avif", "AV1 video extension"},
                                                 {".webp", "WebP image extension"}};

constexpr char kNotReadable[] = "not a picture this installation reads";
constexpr char kDamaged[] = "the picture data is damaged or cut short";

// A value the metadata hands out, cleared when it goes.
class PropVariant {
public:
  PropVariant() { PropVariantInit(&value_); }
  ~PropVariant() { PropVariantClear(&value_); }
  PropVariant(const PropVariant&) = delete;
  PropVariant& operator=(const PropVariant&) = delete;
  PROPVARIANT* Put() { return &value_; }
  const PROPVARIANT& Get() const { return value_; }

private:
  PROPVARIANT value_;
};

// The reason an import gives for a photo it cannot read, or the photo's pixels.
struct Outcome {
  TPixels pixels;
  std::string error;
};

Outcome Failure(std::string error) {
  return {TPixels(), std::move(error)};
}

std::string TooLarge(UINT width, UINT height) {
  return "the picture is too large to read (" + std::to_string(width) + " x " +
         std::to_string(height) + ")";
}

// Empty where the thread cannot make component calls or the desktop has no imaging component.
ComPtr<IWICImagingFactory> NewFactory(const ComApartment& apartment) {
  ComPtr<IWICImagingFactory> factory;
  if (apartment.Ready())
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                     IID_PPV_ARGS(factory.Put()));
  return factory;
}

// A decoder's suffixes come as ".jpg,.jpeg"; some desktops put semicolons between them.
void AddSuffixes(const std::wstring& list, std::set<std::string>& suffixes) {
  const std::string all = AsciiLowered(win32::Utf8FromWide(list.c_str()));
  std::size_t start = 0;
  while (start < all.size()) {
    const std::size_t end = std::min(all.find_first_of(",;", start), all.size());
    std::string suffix = all.substr(start, end - start);
    std::erase(suffix, ' ');
    if (suffix.size() > 1 && suffix.front() == '.')
      suffixes.insert(std::move(suffix));
    start = end + 1;
  }
}

// Hands each of the desktop's decoders to visit until it returns true.
template <class Visit> void ForEachDecoder(IWICImagingFactory& factory, Visit visit) {
  ComPtr<IEnumUnknown> decoders;
  if (FAILED(factory.CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault,
                                               decoders.Put())))
    return;
  for (;;) {
    ComPtr<IUnknown> decoder;
    ULONG got = 0;
    if (decoders->Next(1, decoder.Put(), &got) != S_OK || got != 1)
      return;
    const ComPtr<IWICBitmapDecoderInfo> info = decoder.As<IWICBitmapDecoderInfo>();
    if (info && visit(*info.Get()))
      return;
  }
}

std::set<std::string> DecoderSuffixes(IWICImagingFactory& factory) {
  std::set<std::string> suffixes;
  ForEachDecoder(factory, [&](IWICBitmapDecoderInfo& info) {
    UINT length = 0;
    if (FAILED(info.GetFileExtensions(0, nullptr, &length)) || length == 0)
      return false;
    std::wstring list(length, L'\0');
    if (SUCCEEDED(info.GetFileExtensions(length, list.data(), &length)))
      AddSuffixes(list, suffixes);
    return false;
  });
  return suffixes;
}

// Whether a decoder takes the file's first bytes for its format's. A file that no decoder opens
// although one knows its start is a damaged photo of a format the desktop reads: some decoders
// refuse a cut-off file outright.
bool SomeDecoderKnows(IWICImagingFactory& factory, const fs::path& file) {
  ComPtr<IWICStream> stream;
  if (FAILED(factory.CreateStream(stream.Put())) ||
      FAILED(stream->InitializeFromFilename(file.c_str(), GENERIC_READ)))
    return false;
  bool known = false;
  ForEachDecoder(factory, [&](IWICBitmapDecoderInfo& info) {
    BOOL matches = FALSE;
    known = SUCCEEDED(info.MatchesPattern(stream.Get(), &matches)) && matches;
    return known;
  });
  return known;
}

// No decoder took the file.
bool Unrecognised(HRESULT result) {
  return result == WINCODEC_ERR_COMPONENTNOTFOUND || result == WINCODEC_ERR_UNKNOWNIMAGEFORMAT;
}

std::string OpenFault(HRESULT result) {
  if (Unrecognised(result))
    return kNotReadable;
  if (result == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) ||
      result == HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION))
    return "the file is locked by another program";
  if (result == E_OUTOFMEMORY)
    return "the picture is too large to read";
  if (HRESULT_FACILITY(result) == FACILITY_WIN32)
    return "the file cannot be opened: " + win32::SystemMessage(DWORD(result));
  return kDamaged;
}

// The EXIF orientation in the frame's metadata; 0 when the component finds none.
int StoredOrientation(IWICBitmapFrameDecode& frame) {
  ComPtr<IWICMetadataQueryReader> metadata;
  if (FAILED(frame.GetMetadataQueryReader(metadata.Put())) || !metadata)
    return 0;
  // A JPEG file's APP1 block; a TIFF file's first directory.
  for (const wchar_t* query : {L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}"}) {
    PropVariant value;
    if (FAILED(metadata->GetMetadataByName(query, value.Put())) || value.Get().vt != VT_UI2)
      continue;
    if (const int orientation = value.Get().uiVal; orientation >= 1 && orientation <= 8)
      return orientation;
  }
  return 0;
}

// The orientation in a JPEG file's own bytes, for a desktop whose reader finds none in them.
int JpegFileOrientation(const fs::path& file) {
  const HANDLE opened = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (opened == INVALID_HANDLE_VALUE)
    return 1;
  const win32::UniqueHandle handle(opened);
  const std::optional<std::vector<std::uint8_t>> bytes =
      win32::ReadDiskFile(handle.get(), kLargestJpegFile);
  return bytes ? JpegExifOrientation(*bytes) : 1;
}

// Premultiplied colour is the colour laid over black.
std::optional<std::string> CopyOverBlack(IWICBitmapSource& source, TPixels& pixels) {
  const UINT width = UINT(pixels.Width());
  const UINT stride = width * 4;
  const UINT rows = UINT(std::max<std::size_t>(1, kStripBytes / stride));
  std::vector<std::uint8_t> strip(std::size_t(stride) * rows);
  for (UINT top = 0; top < UINT(pixels.Height()); top += rows) {
    const UINT count = std::min(rows, UINT(pixels.Height()) - top);
    const WICRect area{0, INT(top), INT(width), INT(count)};
    if (FAILED(source.CopyPixels(&area, stride, stride * count, strip.data())))
      return kDamaged;
    for (UINT y = 0; y < count; ++y) {
      const std::uint8_t* in = strip.data() + std::size_t(y) * stride;
      std::uint8_t* out = pixels.Row(int(top + y));
      for (UINT x = 0; x < width; ++x, in += 4, out += 3)
        std::copy(in, in + 3, out);
    }
  }
  return std::nullopt;
}

// The orientation the desktop's reader finds, or our own in a JPEG file's bytes.
int OrientationOf(IWICBitmapDecoder& decoder, IWICBitmapFrameDecode& frame, const fs::path& file) {
  if (const int stored = StoredOrientation(frame); stored != 0)
    return stored;
  GUID container{};
  if (SUCCEEDED(decoder.GetContainerFormat(&container)) && container == GUID_ContainerFormatJpeg)
    return JpegFileOrientation(file);
  return 1;
}

Outcome Upright(IWICImagingFactory& factory, IWICBitmapFrameDecode& frame, UINT width, UINT height,
                int orientation) {
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory.CreateFormatConverter(converter.Put())) ||
      FAILED(converter->Initialize(&frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom)))
    return Failure(kNotReadable);
  try {
    TPixels stored(int(width), int(height), TPixelFormat::pf24bit);
    if (std::optional<std::string> fault = CopyOverBlack(*converter.Get(), stored))
      return Failure(std::move(*fault));
    if (orientation == 1)
      return {std::move(stored), std::string()};
    return {TurnUpright(stored, orientation), std::string()};
  } catch (const std::bad_alloc&) {
    return Failure(TooLarge(width, height));
  } catch (const std::length_error&) {
    return Failure(TooLarge(width, height));
  }
}

Outcome Read(const fs::path& file) {
  const ComApartment apartment;
  const ComPtr<IWICImagingFactory> factory = NewFactory(apartment);
  if (!factory)
    return Failure("the desktop's imaging component is not available");
  ComPtr<IWICBitmapDecoder> decoder;
  const HRESULT opened = factory->CreateDecoderFromFilename(
      file.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, decoder.Put());
  if (FAILED(opened))
    return Failure(Unrecognised(opened) && SomeDecoderKnows(*factory.Get(), file)
                       ? kDamaged
                       : OpenFault(opened));
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(decoder->GetFrame(0, frame.Put())) || FAILED(frame->GetSize(&width, &height)) ||
      width == 0 || height == 0)
    return Failure(kDamaged);
  if (std::uint64_t(width) * height > kLargestPicture)
    return Failure(TooLarge(width, height));
  return Upright(*factory.Get(), *frame.Get(), width, height,
                 OrientationOf(*decoder.Get(), *frame.Get(), file));
}

} // namespace

std::vector<std::string> PhotoSuffixes() {
  const ComApartment apartment;
  const ComPtr<IWICImagingFactory> factory = NewFactory(apartment);
  std::set<std::string> suffixes;
  if (factory)
    suffixes = DecoderSuffixes(*factory.Get());
  if (suffixes.empty())
    suffixes.insert(std::begin(kBuiltInSuffixes), std::end(kBuiltInSuffixes));
  return std::vector<std::string>(suffixes.begin(), suffixes.end());
}

std::string PhotoFormatNote(const std::string& suffix) {
  const std::string lower = AsciiLowered(suffix);
  for (const FormatExtension& format : kFormatExtensions) {
    if (lower == format.suffix)
      return std::string("(Windows reads it once the ") + format.extension +
             " is installed from the Microsoft Store)";
  }
  return std::string();
}

TPixels ReadPhotoUpright(const fs::path& file, TPhotoSize, std::string& error) {
  Outcome outcome = Read(file);
  error = std::move(outcome.error);
  return std::move(outcome.pixels);
}

} // namespace platform
