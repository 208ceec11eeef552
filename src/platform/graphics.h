// Pictures: the graphic classes (bitmap and JPEG), the picture that an image control owns, and
// loading a picture file by its extension.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/jpeg.h"
#include "platform/pixels.h"
#include "platform/types.h"

// "Cannot open file %s": the file is missing, not a plain file, too large, or held by another.
class EFOpenError : public std::runtime_error {
public:
  explicit EFOpenError(const std::string& fileName);
};

// A picture file of an unknown kind, or one whose content its class cannot read.
class EInvalidGraphic : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
  static EInvalidGraphic UnknownExtension(const std::string& extension);
};

using jpeg::ProgressHandler;
using jpeg::ProgressStage;

class TGraphic {
public:
  virtual ~TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  // Replaces the content with a file's bytes; on an error the content is unspecified but valid.
  virtual void LoadFromBytes(std::vector<std::uint8_t> bytes) = 0;
  // A new graphic of the same class assigned from this one.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  // The pixels to paint, decoded on first need (once per graphic object); null when there are
  // none. A failed decode raises its error once and leaves what it decoded for later calls.
  virtual const TPixels* Bitmap() = 0;
  // Lets go of decoded pixels that Bitmap can make again exactly as they were; the display drops
  // them once it has its own rendering. False when there is nothing such to let go.
  virtual bool ReleaseBitmap() { return false; }

  // Decode progress, set by the owner.
  ProgressHandler OnProgress;

protected:
  TGraphic() = default;
};

// An uncompressed bitmap: pf24bit, or pf8bit with its palette. Copies share the pixels.
class TBitmap : public TGraphic {
public:
  TBitmap();
  explicit TBitmap(TPixels pixels);

  int Width() const override { return pixels_->Width(); }
  int Height() const override { return pixels_->Height(); }
  bool Empty() const override { return pixels_->Empty(); }
  // Reads a BMP file; no bytes at all give an empty bitmap.
  void LoadFromBytes(std::vector<std::uint8_t> bytes) override;
  std::unique_ptr<TGraphic> Clone() const override;
  const TPixels* Bitmap() override { return pixels_->Empty() ? nullptr : pixels_.get(); }

  const TPixels& Pixels() const { return *pixels_; }

private:
  std::shared_ptr<const TPixels> pixels_;
};

// The pixels of a BMP file (uncompressed or run-length encoded, 1 to 32 bits a pixel): pf8bit with
// the file's palette for 8 bits or fewer, pf24bit otherwise. EInvalidGraphic when it is none.
TPixels ReadBmp(const std::vector<std::uint8_t>& bytes);

// The content of a JPEG file and the size its header gives, shared by every copy of one load.
class TJPEGData {
public:
  TJPEGData() = default;
  explicit TJPEGData(std::vector<std::uint8_t> bytes);

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

private:
  std::vector<std::uint8_t> bytes_;
  int width_ = 0;
  int height_ = 0;
};

class TJPEGImage : public TGraphic {
public:
  TJPEGImage();

  // The bitmap's size once decoded, the header's before.
  int Width() const override;
  int Height() const override;
  bool Empty() const override;
  // Reads the header only; no bytes give an empty 0 × 0 picture whose decode fails later.
  void LoadFromBytes(std::vector<std::uint8_t> bytes) override;
  // Shares the file data; carries the decoded bitmap over only when there is one.
  std::unique_ptr<TGraphic> Clone() const override;
  // Decodes with the screen's depth at program start in mind (8 bits or fewer: a palette).
  const TPixels* Bitmap() override;
  // Only the pixels of a whole, faultless decode, which a new decode gives again.
  bool ReleaseBitmap() override;

  const std::shared_ptr<const TJPEGData>& Data() const { return data_; }
  bool Decoded() const { return bitmap_ != nullptr; }

private:
  std::shared_ptr<const TJPEGData> data_;
  // Shared by the copies made after the decode.
  std::shared_ptr<TPixels> bitmap_;
  bool decodedWhole_ = false;
};

// The picture of an image control: one graphic or none.
class TPicture {
public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  TGraphic* Graphic() const { return graphic_.get(); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Loads a file by its extension. On an error the previous graphic stays and the error passes.
  void LoadFromFile(const std::string& fileName);
  // A copy of the other picture's graphic, or none.
  void Assign(const TPicture& other);
  void AssignGraphic(const TGraphic* graphic);
  void SetGraphic(std::unique_ptr<TGraphic> graphic);

  std::function<void()> OnChange;
  std::function<void(ProgressStage stage, const TRect& decodedSoFar)> OnProgress;

private:
  void Changed();

  std::unique_ptr<TGraphic> graphic_;
};

// The extension of a file name as the loader sees it: the text after the last ".", unless a "\"
// or ":" follows that dot.
std::string PictureFileExtension(const std::string& fileName);

// The whole content of a plain file, opened read-only and locked against other users while read.
std::vector<std::uint8_t> ReadPictureFile(const std::string& fileName);
