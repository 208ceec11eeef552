#include "platform/jpeg.h"

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>
// after jpeglib.h, which it needs
#include <jerror.h>

EJPEG::EJPEG(int code) : std::runtime_error("JPEG error #" + std::to_string(code)), code_(code) {}

namespace jpeg {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
// RunGuarded. Warnings (a truncated file among them) are ignored.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void ErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

extern "C" void EmitMessage(j_common_ptr, int) {}

extern "C" void OutputMessage(j_common_ptr) {}

void InitErrorManager(ErrorManager& errors) {
  jpeg_std_error(&errors.pub);
  errors.pub.error_exit = ErrorExit;
  errors.pub.emit_message = EmitMessage;
  errors.pub.output_message = OutputMessage;
}

// The only frame libjpeg jumps into. Nothing with a destructor lives here or in body while a
// libjpeg call runs, so the jump skips no cleanup.
bool RunGuarded(ErrorManager& errors, void (*body)(void*), void* context) {
  if (setjmp(errors.jump) != 0)
    return false;
  body(context);
  return true;
}

template <class Body> bool Guarded(ErrorManager& errors, Body& body) {
  return RunGuarded(
      errors, [](void* context) { (*static_cast<Body*>(context))(); }, &body);
}

// The source hands the buffer to libjpeg in blocks of 4,096 bytes; past the end it supplies an
// end-of-image marker, as libjpeg's own sources do for a truncated file.
constexpr std::size_t kSourceBlock = 4096;

struct MemorySource {
  jpeg_source_mgr pub;
  const std::uint8_t* data;
  std::size_t size;
  std::size_t offset;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

extern "C" void InitSource(j_decompress_ptr) {}

extern "C" boolean FillInputBuffer(j_decompress_ptr info) {
  auto* source = reinterpret_cast<MemorySource*>(info->src);
  if (source->offset < source->size) {
    const std::size_t count = std::min(kSourceBlock, source->size - source->offset);
    source->pub.next_input_byte = source->data + source->offset;
    source->pub.bytes_in_buffer = count;
    source->offset += count;
  } else if (source->size == 0) {
    // Nothing at the very start is no picture at all, unlike a file that ends early.
    ERREXIT(info, JERR_INPUT_EMPTY);
  } else {
    WARNMS(info, JWRN_JPEG_EOF);
    source->pub.next_input_byte = kEndOfImage;
    source->pub.bytes_in_buffer = sizeof kEndOfImage;
  }
  return TRUE;
}

extern "C" void SkipInputData(j_decompress_ptr info, long count) {
  auto* source = reinterpret_cast<MemorySource*>(info->src);
  if (count <= 0)
    return;
  while (std::size_t(count) > source->pub.bytes_in_buffer) {
    count -= long(source->pub.bytes_in_buffer);
    FillInputBuffer(info);
  }
  source->pub.next_input_byte += count;
  source->pub.bytes_in_buffer -= std::size_t(count);
}

extern "C" void TermSource(j_decompress_ptr) {}

constexpr std::uint64_t kMostPixels = std::uint64_t(1) << 27;

// A decompressor over a memory buffer. Only the destructor destroys it, also after a libjpeg
// failure: libjpeg leaves the object fit for destruction when error_exit jumps. Call runs one step
// of libjpeg work and raises EJPEG when libjpeg fails.
class Decompressor {
public:
  explicit Decompressor(std::span<const std::uint8_t> bytes) {
    InitErrorManager(errors_);
    info_.err = &errors_.pub;
    source_.pub.init_source = InitSource;
    source_.pub.fill_input_buffer = FillInputBuffer;
    source_.pub.skip_input_data = SkipInputData;
    source_.pub.resync_to_restart = jpeg_resync_to_restart;
    source_.pub.term_source = TermSource;
    source_.data = bytes.data();
    source_.size = bytes.size();
    auto create = [this] { jpeg_create_decompress(&info_); };
    if (!Guarded(errors_, create)) {
      // No destructor runs for a constructor that throws.
      jpeg_destroy_decompress(&info_);
      throw EJPEG(errors_.pub.msg_code);
    }
    info_.src = &source_.pub;
  }
  ~Decompressor() { jpeg_destroy_decompress(&info_); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  jpeg_decompress_struct& Info() { return info_; }

  template <class Body> void Call(Body body) {
    if (!Guarded(errors_, body))
      throw EJPEG(errors_.pub.msg_code);
  }

  // Reads the header and refuses colour spaces that cannot come out as RGB or grey, and sizes
  // whose bitmap would not fit in memory (a few bytes can claim 65,500 × 65,500 pixels).
  void ReadHeader() {
    Call([this] {
      jpeg_read_header(&info_, TRUE);
      if (info_.out_color_space != JCS_RGB && info_.out_color_space != JCS_GRAYSCALE)
        ERREXIT(&info_, JERR_CONVERSION_NOTIMPL);
      if (std::uint64_t(info_.image_width) * info_.image_height > kMostPixels)
        ERREXIT1(&info_, JERR_IMAGE_TOO_BIG, kMostPixels);
    });
  }

private:
  jpeg_decompress_struct info_{};
  ErrorManager errors_{};
  MemorySource source_{};
};

void ApplyDecodeSettings(jpeg_decompress_struct& info, const DecodeSettings& settings) {
  info.scale_num = 1;
  info.scale_denom = 1;
  info.dct_method = JDCT_ISLOW;
  info.do_block_smoothing = TRUE;
  info.buffered_image = FALSE;
  info.dither_mode = JDITHER_FS;
  info.two_pass_quantize = TRUE;
  if (settings.lowColour || info.out_color_space == JCS_GRAYSCALE) {
    info.quantize_colors = TRUE;
    info.desired_number_of_colors = 236;
  } else {
#ifdef JCS_EXTENSIONS
    info.out_color_space = JCS_EXT_BGR;
#endif
  }
}

void SetPalette(const jpeg_decompress_struct& info, TPixels& bitmap) {
  bitmap.Palette.resize(std::size_t(info.actual_number_of_colors));
  for (int i = 0; i < info.actual_number_of_colors; ++i) {
    if (info.out_color_components == 1) {
      const int grey = info.colormap[0][i];
      bitmap.Palette[std::size_t(i)] = RGB(grey, grey, grey);
    } else {
      bitmap.Palette[std::size_t(i)] =
          RGB(info.colormap[0][i], info.colormap[1][i], info.colormap[2][i]);
    }
  }
}

#ifndef JCS_EXTENSIONS
void SwapRedBlue(TPixels& bitmap, int firstRow, int endRow) {
  for (int y = firstRow; y < endRow; ++y) {
    std::uint8_t* pixel = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x, pixel += 3)
      std::swap(pixel[0], pixel[2]);
  }
}
#endif

// As many rows per call as libjpeg makes at once, up to the row array's length.
constexpr int kMaxRowsPerCall = 16;
int RowsPerCall(const jpeg_decompress_struct& info) {
  return std::clamp(info.rec_outbuf_height, 1, kMaxRowsPerCall);
}

class ProgressClock {
public:
  explicit ProgressClock(const ProgressHandler& handler) : handler_(handler) {}
  void Notify(ProgressStage stage, const TRect& rect) {
    if (!handler_)
      return;
    last_ = std::chrono::steady_clock::now();
    handler_(stage, rect);
  }
  void Tick(const TRect& rect) {
    if (handler_ && std::chrono::steady_clock::now() - last_ >= kInterval)
      Notify(ProgressStage::psRunning, rect);
  }

private:
  static constexpr std::chrono::milliseconds kInterval{500};
  const ProgressHandler& handler_;
  std::chrono::steady_clock::time_point last_;
};

void BlackenRows(TPixels& bitmap, int firstRow) {
  for (int y = std::max(firstRow, 0); y < bitmap.Height(); ++y)
    std::memset(bitmap.Row(y), 0, bitmap.Stride());
}

void ReadRows(Decompressor& decompressor, TPixels& bitmap, ProgressClock& progress) {
  jpeg_decompress_struct& info = decompressor.Info();
  const int perCall = RowsPerCall(info);
  JSAMPROW rows[kMaxRowsPerCall];
  while (info.output_scanline < info.output_height) {
    const int done = int(info.output_scanline);
    const int count = std::min<int>(perCall, int(info.output_height) - done);
    for (int i = 0; i < count; ++i)
      rows[i] = bitmap.Row(done + i);
    try {
      decompressor.Call([&] { jpeg_read_scanlines(&info, rows, JDIMENSION(count)); });
    } catch (const EJPEG&) {
      BlackenRows(bitmap, done);
      throw;
    }
#ifndef JCS_EXTENSIONS
    if (bitmap.Format() == TPixelFormat::pf24bit)
      SwapRedBlue(bitmap, done, int(info.output_scanline));
#endif
    progress.Tick(TRect{0, 0, bitmap.Width(), int(info.output_scanline)});
  }
}

} // namespace

Header ReadHeader(std::span<const std::uint8_t> bytes) {
  Decompressor decompressor(bytes);
  decompressor.ReadHeader();
  const auto& info = decompressor.Info();
  return Header{int(info.image_width), int(info.image_height)};
}

void Decode(std::span<const std::uint8_t> bytes, const DecodeSettings& settings, TPixels& bitmap,
            const ProgressHandler& onProgress) {
  Decompressor decompressor(bytes);
  decompressor.ReadHeader();
  jpeg_decompress_struct& info = decompressor.Info();
  ApplyDecodeSettings(info, settings);
  decompressor.Call([&] { jpeg_start_decompress(&info); });

  const bool quantised = info.quantize_colors;
  bitmap = TPixels(int(info.output_width), int(info.output_height),
                   quantised ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
  // The colour map is complete once decompression has started, so partly decoded rows can
  // already be shown in their colours.
  if (quantised)
    SetPalette(info, bitmap);
  ProgressClock progress(onProgress);
  progress.Notify(ProgressStage::psStarting, TRect{});
  ReadRows(decompressor, bitmap, progress);
  decompressor.Call([&] { jpeg_finish_decompress(&info); });
  progress.Notify(ProgressStage::psEnding, TRect{0, 0, bitmap.Width(), bitmap.Height()});
}

namespace {

// Warnings that mean pixels are missing or wrong.
bool IsDataLoss(int code) {
  switch (code) {
  case JWRN_HIT_MARKER:
  case JWRN_HUFF_BAD_CODE:
  case JWRN_ARITH_BAD_CODE:
  case JWRN_MUST_RESYNC:
  case JWRN_BOGUS_PROGRESSION:
  case JWRN_NOT_SEQUENTIAL:
    return true;
  default:
    return false;
  }
}

// The source running dry is only counted (in num_warnings): the decoder reads ahead, so a file
// that lacks nothing but its end marker runs dry too. Data it then needs and lacks is a loss.
extern "C" void StopOnDataLoss(j_common_ptr info, int level) {
  if (level >= 0)
    return;
  if (info->err->msg_code == JWRN_JPEG_EOF)
    ++info->err->num_warnings;
  else if (IsDataLoss(info->err->msg_code))
    info->err->error_exit(info);
}

} // namespace

DataState CheckData(std::span<const std::uint8_t> bytes) {
  Decompressor decompressor(bytes);
  jpeg_decompress_struct& info = decompressor.Info();
  jpeg_error_mgr& errors = *info.err;
  errors.emit_message = StopOnDataLoss;
  bool scansMissing = false;
  try {
    decompressor.Call([&] {
      jpeg_read_header(&info, TRUE);
      if (std::uint64_t(info.image_width) * info.image_height > kMostPixels)
        ERREXIT1(&info, JERR_IMAGE_TOO_BIG, kMostPixels);
      info.scale_num = 1;
      info.scale_denom = 8;
      info.dct_method = JDCT_IFAST;
      info.do_fancy_upsampling = FALSE;
      jpeg_start_decompress(&info);
      JSAMPARRAY row =
          (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                    info.output_width * JDIMENSION(info.output_components), 1);
      while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, row, 1);
      // A file of several scans that ran dry lacks whole scans: no rows are missing, but the
      // picture is coarser or greyer than it should be.
      scansMissing = errors.num_warnings > 0 && jpeg_has_multiple_scans(&info);
    });
  } catch (const EJPEG& error) {
    if (errors.num_warnings > 0)
      return DataState::endsEarly;
    if (IsDataLoss(error.Code()))
      return DataState::damaged;
    throw;
  }
  return scansMissing ? DataState::endsEarly : DataState::intact;
}

namespace {

struct MemoryDestination {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  ~MemoryDestination() { std::free(buffer); }
};

// Like Decompressor: destroyed by its destructor only.
class Compressor {
public:
  Compressor() {
    InitErrorManager(errors_);
    info_.err = &errors_.pub;
    auto create = [this] { jpeg_create_compress(&info_); };
    if (!Guarded(errors_, create)) {
      jpeg_destroy_compress(&info_);
      throw EJPEG(errors_.pub.msg_code);
    }
  }
  ~Compressor() { jpeg_destroy_compress(&info_); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  jpeg_compress_struct& Info() { return info_; }

  template <class Body> void Call(Body body) {
    if (!Guarded(errors_, body))
      throw EJPEG(errors_.pub.msg_code);
  }

private:
  jpeg_compress_struct info_{};
  ErrorManager errors_{};
};

void DescribeInput(jpeg_compress_struct& info, int width, int height, SampleLayout layout) {
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  switch (layout) {
  case SampleLayout::rgb:
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    break;
  case SampleLayout::grey:
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    break;
  case SampleLayout::cmyk:
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    break;
  }
}

} // namespace

std::vector<std::uint8_t> Encode(const std::uint8_t* samples, int width, int height,
                                 std::ptrdiff_t rowStride, SampleLayout layout,
                                 const EncodeSettings& settings) {
  Compressor compressor;
  MemoryDestination destination;
  jpeg_compress_struct& info = compressor.Info();
  DescribeInput(info, width, height, layout);
  compressor.Call([&] {
    jpeg_mem_dest(&info, &destination.buffer, &destination.size);
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, settings.quality, TRUE);
    if (settings.progressive)
      jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
  });
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples + std::ptrdiff_t(info.next_scanline) * rowStride);
    compressor.Call([&] { jpeg_write_scanlines(&info, &row, 1); });
  }
  compressor.Call([&] { jpeg_finish_compress(&info); });
  return std::vector<std::uint8_t>(destination.buffer, destination.buffer + destination.size);
}

namespace {

bool GreyPalette(const std::vector<TColor>& palette) {
  return std::all_of(palette.begin(), palette.end(),
                     [](TColor c) { return RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c); });
}

// The block's rows as libjpeg takes them: grey bytes, or red, green, blue.
std::vector<std::uint8_t> Samples(const TPixels& pixels, bool grey) {
  const int w = pixels.Width(), h = pixels.Height();
  std::vector<std::uint8_t> samples(std::size_t(w) * std::size_t(h) * (grey ? 1 : 3));
  std::uint8_t* out = samples.data();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const TColor c = pixels.Pixel(x, y);
      if (grey) {
        *out++ = std::uint8_t(RedOf(c));
      } else {
        *out++ = std::uint8_t(RedOf(c));
        *out++ = std::uint8_t(GreenOf(c));
        *out++ = std::uint8_t(BlueOf(c));
      }
    }
  return samples;
}

} // namespace

std::vector<std::uint8_t> Encode(const TPixels& pixels, const EncodeSettings& settings) {
  const bool grey = pixels.Format() == TPixelFormat::pf8bit && GreyPalette(pixels.Palette);
  const std::vector<std::uint8_t> samples = Samples(pixels, grey);
  return Encode(samples.data(), pixels.Width(), pixels.Height(),
                std::ptrdiff_t(pixels.Width()) * (grey ? 1 : 3),
                grey ? SampleLayout::grey : SampleLayout::rgb, settings);
}

} // namespace jpeg
