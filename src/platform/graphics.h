// Pictures: the graphic classes (bitmap and JPEG), the picture that an image control owns, and
// loading a picture file by its extension.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>

#include "platform/jpeg.h"

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
  virtual const QImage* Bitmap() = 0;

  // Decode progress, set by the owner.
  ProgressHandler OnProgress;

protected:
  TGraphic() = default;
};

// An uncompressed bitmap: Format_BGR888, or Format_Indexed8 with its palette.
class TBitmap : public TGraphic {
public:
  TBitmap() = default;
  explicit TBitmap(QImage image);

  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  bool Empty() const override { return image_.isNull(); }
  // Reads a BMP file; no bytes at all give an empty bitmap.
  void LoadFromBytes(std::vector<std::uint8_t> bytes) override;
  std::unique_ptr<TGraphic> Clone() const override;
  const QImage* Bitmap() override { return image_.isNull() ? nullptr : &image_; }

  const QImage& Image() const { return image_; }

private:
  QImage image_;
};

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
  const QImage* Bitmap() override;

  const std::shared_ptr<const TJPEGData>& Data() const { return data_; }
  bool Decoded() const { return bitmap_.has_value(); }

private:
  std::shared_ptr<const TJPEGData> data_;
  std::optional<QImage> bitmap_;
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
  std::function<void(ProgressStage stage, const QRect& decodedSoFar)> OnProgress;

private:
  void Changed();

  std::unique_ptr<TGraphic> graphic_;
};

// The extension of a file name as the loader sees it: the text after the last ".", unless a "\"
// or ":" follows that dot.
std::string PictureFileExtension(const std::string& fileName);

// The whole content of a plain file, opened read-only and locked against other users while read.
std::vector<std::uint8_t> ReadPictureFile(const std::string& fileName);
