#include "pictures/picture_import.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <unistd.h>

#include <QCoreApplication>
#include <QImageReader>
#include <QPainter>

#include "catalogue.h"
#include "platform/jpeg.h"
#include "platform/paths.h"
#include "program.h"

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

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::toupper(c)); });
  return text;
}

std::set<std::string> ReadableSuffixes() {
  std::set<std::string> suffixes;
  for (const QByteArray& format : QImageReader::supportedImageFormats())
    suffixes.insert("." + Lower(format.toStdString()));
  return suffixes;
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

// Formats that qt6-image-formats-plugins adds to a Debian installation.
bool AddedByFormatsPlugin(const std::string& suffix) {
  static const std::set<std::string> added{".webp", ".tif", ".tiff", ".tga", ".icns", ".wbmp"};
  return added.count(suffix) > 0;
}

std::string NotReadableReason(const fs::path& file) {
  const std::string suffix = Lower(file.extension().string());
  if (suffix.empty())
    return "not a picture this installation reads (the name has no type suffix)";
  std::string reason = Upper(suffix.substr(1)) + " is not a format this installation reads";
  if (AddedByFormatsPlugin(suffix))
    reason += " (the package qt6-image-formats-plugins adds it)";
  return reason;
}

// The reason a JPEG file cannot be taken whole, or nothing when it can.
std::optional<std::string> JpegFault(const fs::path& photo) {
  const std::optional<std::vector<std::uint8_t>> bytes = ReadBytes(photo);
  if (!bytes)
    return "the file cannot be opened: " + SystemError();
  try {
    switch (jpeg::CheckData(*bytes)) {
    case jpeg::DataState::intact:
      return std::nullopt;
    case jpeg::DataState::endsEarly:
      return std::string("the file is cut short: the end of the picture is missing");
    case jpeg::DataState::damaged:
      return std::string("the picture data is damaged");
    }
  } catch (const EJPEG& error) {
    return std::string("the JPEG file is damaged and cannot be decoded (") + error.what() + ")";
  }
  return std::nullopt;
}

// The JPEG handler goes by the suffix it was picked by, or "jpeg" when picked by content.
bool IsJpeg(const QByteArray& format) {
  return format == "jpeg" || format == "jpg" || format == "jfif";
}

// The size within bound that keeps the picture's proportions; never larger than it is.
QSize Fitted(QSize size, QSize bound) {
  if (size.width() <= bound.width() && size.height() <= bound.height())
    return size;
  return size.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
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

FoundFiles FindPhotos(const std::vector<fs::path>& places) {
  const std::set<std::string> suffixes = ReadableSuffixes();
  FoundFiles found;
  std::vector<fs::path> others;
  for (const fs::path& place : places) {
    std::error_code ec;
    if (fs::is_regular_file(place, ec)) {
      found.photos.push_back(place);
      continue;
    }
    const auto options = fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(place, options, ec), end; !ec && it != end;
         it.increment(ec)) {
      if (!it->is_regular_file(ec))
        continue;
      if (suffixes.count(Lower(it->path().extension().string())) > 0)
        found.photos.push_back(it->path());
      else
        others.push_back(it->path());
    }
  }
  for (std::vector<fs::path>* files : {&found.photos, &others}) {
    std::sort(files->begin(), files->end());
    files->erase(std::unique(files->begin(), files->end()), files->end());
  }
  for (const fs::path& file : others)
    found.unreadable.push_back(file.string() + ": " + NotReadableReason(file));
  return found;
}

std::string ReadableFormats() {
  // Several suffixes name one format.
  static const std::map<std::string, std::string> kSameFormat{
      {"jpg", "jpeg"}, {"jfif", "jpeg"}, {"tif", "tiff"}, {"svgz", "svg"}};
  std::set<std::string> names;
  for (const QByteArray& suffix : QImageReader::supportedImageFormats()) {
    std::string name = Lower(suffix.toStdString());
    if (const auto same = kSameFormat.find(name); same != kSameFormat.end())
      name = same->second;
    names.insert(Upper(name));
  }
  std::string list;
  for (const std::string& name : names)
    list += (list.empty() ? "" : ", ") + name;
  return list;
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

QImage LoadUpright(const fs::path& photo, QSize bound, std::string& error) {
  std::error_code ec;
  if (fs::file_size(photo, ec) == 0 && !ec) {
    error = "the file is empty";
    return QImage();
  }
  QImageReader::setAllocationLimit(kReaderAllocationLimitMb);
  QImageReader reader(QString::fromStdString(photo.string()));
  reader.setAutoTransform(true);
  // Qt decodes a cut-off or damaged JPEG without an error, into a mostly grey picture.
  if (IsJpeg(reader.format())) {
    if (const std::optional<std::string> fault = JpegFault(photo)) {
      error = *fault;
      return QImage();
    }
  }
  // Scaling while decoding saves most of the work for a large photo. The reader scales the
  // picture as stored, before it is turned upright.
  const QSize stored = reader.size();
  if (stored.isValid()) {
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize upright = turned ? stored.transposed() : stored;
    const QSize fitted = Fitted(upright, bound);
    if (fitted != upright)
      reader.setScaledSize(turned ? fitted.transposed() : fitted);
  }
  QImage image = reader.read();
  if (image.isNull()) {
    error = "cannot be read: " + reader.errorString().toStdString();
    return QImage();
  }
  if (const QSize fitted = Fitted(image.size(), bound); fitted != image.size())
    image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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

Report Import(const std::vector<fs::path>& places, QSize bound, const ProgressFn& progress) {
  const std::vector<CatalogueEntry> catalogue = Catalogue();
  FoundFiles found = FindPhotos(places);
  const std::vector<fs::path>& photos = found.photos;
  Report report;
  report.photosFound = int(photos.size());
  report.skipped = std::move(found.unreadable);
  std::vector<std::vector<std::uint8_t>> encoded;
  for (std::size_t index : TryOrder(photos.size(), catalogue.size())) {
    if (encoded.size() == catalogue.size())
      break;
    std::string error;
    const QImage upright = LoadUpright(photos[index], bound, error);
    if (upright.isNull()) {
      report.skipped.push_back(photos[index].string() + ": " + error);
      continue;
    }
    try {
      // LoadUpright gives Format_RGB888: the rows are libjpeg's own samples.
      encoded.push_back(jpeg::Encode(upright.constBits(), upright.width(), upright.height(),
                                     upright.bytesPerLine(), jpeg::SampleLayout::rgb,
                                     {kJpegQuality, false}));
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
  std::sort(report.skipped.begin(), report.skipped.end());
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
