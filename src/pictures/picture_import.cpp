#include "pictures/picture_import.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <set>
#include <unistd.h>

#include <QCoreApplication>
#include <QImageReader>
#include <QPainter>

#include "platform/jpeg.h"
#include "platform/paths.h"
#include "psave.h"
#include "usave1.h"

namespace fs = std::filesystem;

namespace pictures {
namespace {

constexpr int kJpegQuality = 90;
// Room for a photo of some 60 megapixels while it is decoded.
constexpr int kReaderAllocationLimitMb = 1024;

struct CatalogueEntry {
  std::string name; // the catalogue's own file name, as bundled
  fs::path file;    // where it lives on this host
};

std::vector<CatalogueEntry> Catalogue() {
  BuildPictureCatalogue(LookUpWindowsDir());
  std::vector<CatalogueEntry> entries;
  for (int k = 1; k <= kCatalogueSize; ++k) {
    const std::string& entry = PictureCatalogue[k];
    entries.push_back({entry.substr(entry.rfind('\\') + 1), platform::HostPath(entry)});
  }
  return entries;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::set<std::string> ReadableSuffixes() {
  std::set<std::string> suffixes;
  for (const QByteArray& format : QImageReader::supportedImageFormats())
    suffixes.insert("." + Lower(format.toStdString()));
  return suffixes;
}

class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

private:
  int fd_;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    bytes = bytes.subspan(std::size_t(n));
  }
  return true;
}

std::string SystemError() {
  return std::strerror(errno);
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in)
    return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void Fill(const std::vector<CatalogueEntry>& catalogue, std::size_t slot,
          std::span<const std::uint8_t> bytes, Report& report, const ProgressFn& progress) {
  std::string error;
  if (ReplaceFile(catalogue[slot].file, bytes, error))
    ++report.written;
  else
    report.failed.push_back(catalogue[slot].file.string() + ": " + error);
  if (progress)
    progress(report.written + int(report.failed.size()), int(catalogue.size()),
             catalogue[slot].name);
}

void CreateFolderOf(const std::vector<CatalogueEntry>& catalogue) {
  std::error_code ec;
  fs::create_directories(catalogue.front().file.parent_path(), ec);
}

} // namespace

std::vector<fs::path> CatalogueFiles() {
  std::vector<fs::path> files;
  for (const CatalogueEntry& entry : Catalogue())
    files.push_back(entry.file);
  return files;
}

std::vector<fs::path> FindPhotos(const std::vector<fs::path>& places) {
  const std::set<std::string> suffixes = ReadableSuffixes();
  const auto readable = [&](const fs::path& file) {
    return suffixes.count(Lower(file.extension().string())) > 0;
  };
  std::vector<fs::path> photos;
  for (const fs::path& place : places) {
    std::error_code ec;
    if (fs::is_regular_file(place, ec)) {
      photos.push_back(place);
      continue;
    }
    const auto options = fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(place, options, ec), end; !ec && it != end;
         it.increment(ec)) {
      if (it->is_regular_file(ec) && readable(it->path()))
        photos.push_back(it->path());
    }
  }
  std::sort(photos.begin(), photos.end());
  photos.erase(std::unique(photos.begin(), photos.end()), photos.end());
  return photos;
}

std::vector<std::size_t> TryOrder(std::size_t photoCount, std::size_t slotCount) {
  std::vector<std::size_t> order;
  std::vector<bool> taken(photoCount, false);
  if (photoCount > slotCount) {
    for (std::size_t i = 0; i < slotCount; ++i) {
      order.push_back(i * photoCount / slotCount);
      taken[order.back()] = true;
    }
  }
  for (std::size_t i = 0; i < photoCount; ++i) {
    if (!taken[i])
      order.push_back(i);
  }
  return order;
}

QImage LoadUpright(const fs::path& photo, std::string& error) {
  QImageReader::setAllocationLimit(kReaderAllocationLimitMb);
  QImageReader reader(QString::fromStdString(photo.string()));
  reader.setAutoTransform(true);
  QImage image = reader.read();
  if (image.isNull()) {
    error = reader.errorString().toStdString();
    return QImage();
  }
  if (std::max(image.width(), image.height()) > kMaxLongSide)
    image = image.scaled(kMaxLongSide, kMaxLongSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QImage upright(image.size(), QImage::Format_RGB888);
  upright.fill(Qt::black);
  QPainter painter(&upright);
  painter.drawImage(0, 0, image);
  return upright;
}

bool ReplaceFile(const fs::path& file, std::span<const std::uint8_t> bytes, std::string& error) {
  fs::path temporary =
      file.parent_path() / ("." + file.filename().string() + ".new-" + std::to_string(::getpid()));
  FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  bool ok = fd.Get() >= 0 && WriteAll(fd.Get(), bytes) && ::fsync(fd.Get()) == 0;
  ok = fd.Close() && ok;
  if (ok && ::rename(temporary.c_str(), file.c_str()) == 0)
    return true;
  error = SystemError();
  ::unlink(temporary.c_str());
  return false;
}

Report Import(const std::vector<fs::path>& places, const ProgressFn& progress) {
  const std::vector<CatalogueEntry> catalogue = Catalogue();
  const std::vector<fs::path> photos = FindPhotos(places);
  Report report;
  std::vector<std::vector<std::uint8_t>> encoded;
  for (std::size_t index : TryOrder(photos.size(), catalogue.size())) {
    if (encoded.size() == catalogue.size())
      break;
    std::string error;
    const QImage upright = LoadUpright(photos[index], error);
    if (upright.isNull()) {
      report.skipped.push_back(photos[index].string() + ": " + error);
      continue;
    }
    try {
      encoded.push_back(jpeg::Encode(upright, {kJpegQuality, false}));
    } catch (const std::exception& e) {
      report.skipped.push_back(photos[index].string() + ": " + e.what());
      continue;
    }
    if (encoded.size() == 1)
      CreateFolderOf(catalogue);
    ++report.photosUsed;
    Fill(catalogue, encoded.size() - 1, encoded.back(), report, progress);
  }
  // Fewer photos than names: the slideshow needs every name, so the photos come round again.
  for (std::size_t slot = encoded.size(); !encoded.empty() && slot < catalogue.size(); ++slot)
    Fill(catalogue, slot, encoded[slot % encoded.size()], report, progress);
  return report;
}

Report Restore(const ProgressFn& progress) {
  const std::vector<CatalogueEntry> catalogue = Catalogue();
  const fs::path skeleton = platform::SkeletonFolder();
  CreateFolderOf(catalogue);
  Report report;
  for (std::size_t slot = 0; slot < catalogue.size(); ++slot) {
    const fs::path source = skeleton / "Tavrin" / "Quillmor" / catalogue[slot].name;
    std::optional<std::vector<std::uint8_t>> bytes;
    if (!skeleton.empty())
      bytes = ReadBytes(source);
    if (bytes) {
      Fill(catalogue, slot, *bytes, report, progress);
      continue;
    }
    report.failed.push_back(source.string() + ": no bundled picture there");
    if (progress)
      progress(report.written + int(report.failed.size()), int(catalogue.size()),
               catalogue[slot].name);
  }
  return report;
}

} // namespace pictures
