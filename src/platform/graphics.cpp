#include "platform/graphics.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/system.h"

EFOpenError::EFOpenError(const std::string& fileName)
    : std::runtime_error("Cannot open file " + fileName) {}

EInvalidGraphic EInvalidGraphic::UnknownExtension(const std::string& extension) {
  return EInvalidGraphic("Unknown picture file extension (." + extension + ")");
}

// ---- TBitmap

TBitmap::TBitmap(QImage image) : image_(std::move(image)) {}

void TBitmap::LoadFromBytes(std::vector<std::uint8_t> bytes) {
  if (bytes.empty()) {
    image_ = QImage();
    return;
  }
  QImage read;
  if (!read.loadFromData(bytes.data(), qsizetype(bytes.size()), "BMP"))
    throw EInvalidGraphic("Bitmap image is not valid");
  if (read.format() != QImage::Format_Indexed8)
    read = read.convertToFormat(QImage::Format_BGR888);
  image_ = std::move(read);
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  return std::make_unique<TBitmap>(image_);
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
  return bitmap_ ? bitmap_->width() : data_->Width();
}

int TJPEGImage::Height() const {
  return bitmap_ ? bitmap_->height() : data_->Height();
}

bool TJPEGImage::Empty() const {
  return data_->Bytes().empty() && (!bitmap_ || bitmap_->isNull());
}

void TJPEGImage::LoadFromBytes(std::vector<std::uint8_t> bytes) {
  auto data = std::make_shared<const TJPEGData>(std::move(bytes));
  data_ = std::move(data);
  bitmap_.reset();
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
  auto copy = std::make_unique<TJPEGImage>();
  copy->data_ = data_;
  copy->bitmap_ = bitmap_;
  return copy;
}

const QImage* TJPEGImage::Bitmap() {
  if (!bitmap_) {
    // The bitmap belongs to the picture from here on, whether or not the decode succeeds, so a
    // failed picture is never decoded again.
    bitmap_.emplace();
    jpeg::DecodeSettings settings;
    settings.lowColour = ScreenBitsPerPixel() <= 8;
    jpeg::Decode(data_->Bytes(), settings, *bitmap_, OnProgress);
  }
  return bitmap_->isNull() ? nullptr : &*bitmap_;
}

// ---- Files

namespace {

// Larger files are no pictures of ours; refusing them early keeps a huge or sparse file from
// stalling the display.
constexpr off_t kLargestPictureFile = off_t(256) << 20;

class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }

private:
  int fd_;
};

// Reads until the end of the file; false on a read error.
bool ReadAll(int fd, std::vector<std::uint8_t>& bytes, std::size_t expected) {
  bytes.resize(expected);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (count < 0 && errno == EINTR)
      continue;
    if (count < 0)
      return false;
    if (count == 0)
      break;
    done += std::size_t(count);
  }
  bytes.resize(done);
  return true;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return text;
}

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
  const std::string key = Lower(extension);
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

std::vector<std::uint8_t> ReadPictureFile(const std::string& fileName) {
  const std::string host = platform::HostPath(fileName).string();
  // Non-blocking, so that a FIFO or a device never stalls the open; only plain files go on.
  FileDescriptor file(::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat status {};
  if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size > kLargestPictureFile)
    throw EFOpenError(fileName);
  // No sharing: a file that another holds locked is not read.
  if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0)
    throw EFOpenError(fileName);
  std::vector<std::uint8_t> bytes;
  if (!ReadAll(file.Get(), bytes, std::size_t(status.st_size)))
    throw EFOpenError(fileName);
  return bytes;
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
    graphic_->OnProgress = [this](ProgressStage stage, const QRect& rect) {
      if (OnProgress)
        OnProgress(stage, rect);
    };
  Changed();
}

void TPicture::Changed() {
  if (OnChange)
    OnChange();
}
