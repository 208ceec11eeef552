// Paints the bundled picture set: 38 landscapes, each captioned with the animal its file name
// names, written as JPEG files into the folder given on the command line. The same files come out
// on every run.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "platform/jpeg.h"

namespace {

enum class Subject { scenery, bear, canine, deer, bovine, goat, bird, waterBird };

struct Entry {
  const char* file;
  const char* caption;
  Subject subject;
};

const Entry kEntries[38] = {
    {"griztand.jpg", "Grizzly", Subject::bear},
    {"elkbugl1.jpg", "Bugling Elk", Subject::deer},
    {"tfoxjump.jpg", "Fox", Subject::canine},
    {"eagle10.jpg", "Eagle", Subject::bird},
    {"drake.jpg", "Drake", Subject::waterBird},
    {"buffcros.jpg", "Buffalo", Subject::bovine},
    {"artistpt.jpg", "Canyon Overlook", Subject::scenery},
    {"enddeer1.jpg", "Deer", Subject::deer},
    {"hawkglo.jpg", "Hawk", Subject::bird},
    {"eaglpair.jpg", "Eagle Pair", Subject::bird},
    {"pelican.jpg", "Pelican", Subject::waterBird},
    {"grizwalk.jpg", "Grizzly", Subject::bear},
    {"elk2.jpg", "Elk", Subject::deer},
    {"tcoyot1.jpg", "Coyote", Subject::canine},
    {"tgoat2.jpg", "Mountain Goat", Subject::goat},
    {"elkgraz1.jpg", "Grazing Elk", Subject::deer},
    {"moosfall.jpg", "Moose", Subject::deer},
    {"tbear16.jpg", "Black Bear", Subject::bear},
    {"elkgraz2.jpg", "Grazing Elk", Subject::deer},
    {"buflo1.jpg", "Buffalo", Subject::bovine},
    {"elkrak2.jpg", "Elk", Subject::deer},
    {"griz7111.jpg", "Grizzly", Subject::bear},
    {"juvinile.jpg", "Young Eagle", Subject::bird},
    {"griz7261.jpg", "Grizzly", Subject::bear},
    {"teglprch.jpg", "Perched Eagle", Subject::bird},
    {"moose1.jpg", "Moose", Subject::deer},
    {"buflo2.jpg", "Buffalo", Subject::bovine},
    {"fox1.jpg", "Red Fox", Subject::canine},
    {"bear3697.jpg", "Bear", Subject::bear},
    {"fox2.jpg", "Fox", Subject::canine},
    {"tcrane2.jpg", "Crane", Subject::waterBird},
    {"eagle3hi.jpg", "Eagle", Subject::bird},
    {"tsheep1.jpg", "Bighorn Sheep", Subject::goat},
    {"duckhed1.jpg", "Duck", Subject::waterBird},
    {"tgoat1.jpg", "Mountain Goat", Subject::goat},
    {"antelop2.jpg", "Antelope", Subject::goat},
    {"elkfite1.jpg", "Sparring Elk", Subject::deer},
    {"elkrak1.jpg", "Elk", Subject::deer},
};

const QSize kSizes[] = {{1024, 768}, {800, 600},   {480, 640}, {1280, 960}, {640, 480},
                        {600, 800},  {1600, 1200}, {960, 720}, {720, 960},  {1152, 864}};

// A small generator of our own, so the pictures do not depend on the library's distributions.
class Random {
public:
  explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  double Unit() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return (state_ >> 8) * (1.0 / 16777216.0);
  }
  double Between(double low, double high) { return low + (high - low) * Unit(); }
  int Below(int n) { return int(Unit() * n); }

private:
  std::uint32_t state_;
};

QColor Mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                          float(a.greenF() + (b.greenF() - a.greenF()) * t),
                          float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

struct Mood {
  QColor skyTop, skyHorizon, sun, land, far;
  bool night;
};

const Mood kMoods[] = {
    {QColor(40, 90, 170), QColor(170, 205, 235), QColor(255, 250, 220), QColor(70, 120, 50),
     QColor(110, 140, 170), false},
    {QColor(60, 40, 110), QColor(250, 150, 90), QColor(255, 210, 120), QColor(60, 70, 40),
     QColor(120, 90, 120), false},
    {QColor(20, 60, 120), QColor(240, 200, 140), QColor(255, 240, 180), QColor(110, 110, 50),
     QColor(150, 130, 120), false},
    {QColor(10, 15, 45), QColor(50, 70, 120), QColor(235, 235, 215), QColor(25, 40, 35),
     QColor(45, 60, 90), true},
    {QColor(90, 140, 200), QColor(215, 230, 240), QColor(255, 255, 240), QColor(150, 120, 60),
     QColor(160, 170, 190), false},
    {QColor(120, 60, 90), QColor(255, 190, 110), QColor(255, 230, 160), QColor(90, 60, 30),
     QColor(170, 110, 100), false},
};

void PaintSky(QPainter& p, QSize size, const Mood& mood, double horizon) {
  QLinearGradient sky(0, 0, 0, horizon);
  sky.setColorAt(0, mood.skyTop);
  sky.setColorAt(1, mood.skyHorizon);
  p.fillRect(QRectF(0, 0, size.width(), horizon + 2), sky);
}

void PaintStars(QPainter& p, QSize size, double horizon, Random& random) {
  for (int i = 0; i < 160; ++i) {
    const double shade = random.Between(140, 255);
    p.setPen(QColor(int(shade), int(shade), int(shade)));
    p.drawPoint(QPointF(random.Between(0, size.width()), random.Between(0, horizon * 0.8)));
  }
}

void PaintSun(QPainter& p, QPointF centre, double radius, const Mood& mood) {
  QRadialGradient glow(centre, radius * 4);
  QColor inner = mood.sun;
  inner.setAlpha(120);
  QColor outer = mood.sun;
  outer.setAlpha(0);
  glow.setColorAt(0, inner);
  glow.setColorAt(1, outer);
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(centre, radius * 4, radius * 4);
  p.setBrush(mood.sun);
  p.drawEllipse(centre, radius, radius);
}

void PaintClouds(QPainter& p, QSize size, double horizon, Random& random, bool night) {
  const int clouds = 2 + random.Below(5);
  for (int c = 0; c < clouds; ++c) {
    const QPointF at(random.Between(0, size.width()), random.Between(horizon * 0.1, horizon * 0.6));
    const double scale = random.Between(0.05, 0.12) * size.width();
    for (int puff = 0; puff < 7; ++puff) {
      const QPointF centre =
          at + QPointF(random.Between(-1.5, 1.5) * scale, random.Between(-0.3, 0.2) * scale);
      const double r = scale * random.Between(0.4, 0.8);
      QRadialGradient soft(centre, r);
      const QColor white = night ? QColor(90, 100, 130, 90) : QColor(255, 255, 255, 150);
      soft.setColorAt(0, white);
      soft.setColorAt(1, QColor(white.red(), white.green(), white.blue(), 0));
      p.setBrush(soft);
      p.drawEllipse(centre, r * 1.6, r * 0.8);
    }
  }
}

// A ridge line by midpoint displacement, from the left edge to the right edge.
std::vector<double> Ridge(int points, double base, double roughness, Random& random) {
  std::vector<double> heights(std::size_t(points) + 1, base);
  double spread = roughness;
  for (int step = points; step > 1; step /= 2) {
    for (int i = step / 2; i < points; i += step) {
      heights[std::size_t(i)] =
          (heights[std::size_t(i - step / 2)] + heights[std::size_t(i + step / 2)]) / 2 +
          random.Between(-spread, spread);
    }
    spread *= 0.55;
  }
  return heights;
}

void PaintRange(QPainter& p, QSize size, double base, double roughness, const QColor& colour,
                Random& random) {
  const int points = 64;
  const std::vector<double> ridge = Ridge(points, base, roughness, random);
  QPainterPath path(QPointF(0, size.height()));
  for (int i = 0; i <= points; ++i)
    path.lineTo(double(i) * size.width() / points, ridge[std::size_t(i)]);
  path.lineTo(size.width(), size.height());
  path.closeSubpath();
  QLinearGradient shade(0, base - roughness, 0, size.height());
  shade.setColorAt(0, colour.lighter(115));
  shade.setColorAt(1, colour.darker(140));
  p.setPen(Qt::NoPen);
  p.setBrush(shade);
  p.drawPath(path);
}

void PaintWater(QPainter& p, QSize size, double top, const Mood& mood, Random& random) {
  QLinearGradient water(0, top, 0, size.height());
  water.setColorAt(0, mood.skyHorizon.darker(115));
  water.setColorAt(1, mood.skyTop.darker(160));
  p.fillRect(QRectF(0, top, size.width(), size.height() - top), water);
  for (int i = 0; i < 90; ++i) {
    const double y = random.Between(top, size.height());
    const double x = random.Between(0, size.width());
    const double length = random.Between(10, 60) * (y - top + 20) / size.height() * 3;
    QColor glint = mood.skyHorizon.lighter(120);
    glint.setAlpha(90);
    p.setPen(QPen(glint, 1.5));
    p.drawLine(QPointF(x, y), QPointF(x + length, y));
  }
}

void PaintConifer(QPainter& p, QPointF foot, double height, const QColor& colour) {
  const double width = height * 0.38;
  p.setPen(Qt::NoPen);
  p.setBrush(colour.darker(170));
  p.drawRect(
      QRectF(foot.x() - width * 0.06, foot.y() - height * 0.15, width * 0.12, height * 0.15));
  p.setBrush(colour);
  for (int tier = 0; tier < 4; ++tier) {
    const double bottom = foot.y() - height * (0.1 + tier * 0.2);
    const double half = width * (0.5 - tier * 0.1);
    QPolygonF triangle;
    triangle << QPointF(foot.x() - half, bottom) << QPointF(foot.x() + half, bottom)
             << QPointF(foot.x(), bottom - height * 0.38);
    p.drawPolygon(triangle);
  }
}

void PaintTrees(QPainter& p, QSize size, double line, const QColor& colour, Random& random) {
  const int count = 6 + random.Below(18);
  for (int i = 0; i < count; ++i) {
    const double x = random.Between(0, size.width());
    const double height = random.Between(0.06, 0.16) * size.height();
    PaintConifer(p, QPointF(x, line + random.Between(0, size.height() * 0.05)), height,
                 Mix(colour, QColor(20, 50, 30), random.Between(0.3, 0.7)));
  }
}

void PaintGrass(QPainter& p, QSize size, double top, const QColor& land, Random& random) {
  QLinearGradient ground(0, top, 0, size.height());
  ground.setColorAt(0, land);
  ground.setColorAt(1, land.darker(170));
  p.fillRect(QRectF(0, top, size.width(), size.height() - top), ground);
  for (int i = 0; i < 500; ++i) {
    const double x = random.Between(0, size.width());
    const double y = random.Between(top + 6, size.height());
    const double length = 4 + 18 * (y - top) / (size.height() - top);
    p.setPen(QPen(Mix(land, QColor(30, 40, 10), random.Between(0.1, 0.6)), 1.2));
    p.drawLine(QPointF(x, y), QPointF(x + random.Between(-3, 3), y - length));
  }
}

// Silhouettes are drawn facing right with the feet at the origin, in units of the body length.
class Silhouette {
public:
  Silhouette(QPainter& painter, double length) : p_(painter), l_(length) {}
  void Oval(double x, double y, double w, double h) {
    p_.drawEllipse(QRectF(x * l_, y * l_, w * l_, h * l_));
  }
  void Leg(double x, double top, double width) {
    p_.drawRoundedRect(QRectF(x * l_, top * l_, width * l_, -top * l_), width * l_ / 3,
                       width * l_ / 3);
  }
  void Shape(std::initializer_list<QPointF> points) {
    QPolygonF polygon;
    for (const QPointF& point : points)
      polygon << point * l_;
    p_.drawPolygon(polygon);
  }
  void Stroke(std::initializer_list<QPointF> points, double width) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
      if (first)
        path.moveTo(point * l_);
      else
        path.lineTo(point * l_);
      first = false;
    }
    p_.save();
    p_.setBrush(Qt::NoBrush);
    p_.setPen(QPen(p_.brush().color(), std::max(1.5, width * l_), Qt::SolidLine, Qt::RoundCap,
                   Qt::RoundJoin));
    p_.drawPath(path);
    p_.restore();
  }

private:
  QPainter& p_;
  double l_;
};

void PaintBear(Silhouette& s) {
  s.Oval(-0.5, -0.78, 0.95, 0.55);
  s.Oval(0.02, -0.86, 0.38, 0.34);
  for (double x : {-0.44, -0.28, 0.16, 0.3})
    s.Leg(x, -0.4, 0.13);
  s.Oval(0.36, -0.72, 0.26, 0.22);
  s.Oval(0.56, -0.62, 0.15, 0.1);
  s.Oval(0.4, -0.76, 0.08, 0.08);
}

void PaintCanine(Silhouette& s) {
  s.Oval(-0.45, -0.66, 0.85, 0.3);
  for (double x : {-0.38, -0.3, 0.24, 0.31})
    s.Leg(x, -0.45, 0.05);
  s.Shape({{0.25, -0.62}, {0.42, -0.86}, {0.52, -0.8}, {0.38, -0.45}});
  s.Oval(0.4, -0.92, 0.2, 0.15);
  s.Shape({{0.55, -0.9}, {0.76, -0.82}, {0.56, -0.78}});
  s.Shape({{0.42, -0.88}, {0.45, -1.02}, {0.5, -0.9}});
  s.Shape({{0.48, -0.9}, {0.53, -1.03}, {0.57, -0.89}});
  s.Shape({{-0.42, -0.6}, {-0.8, -0.42}, {-0.92, -0.36}, {-0.78, -0.5}, {-0.4, -0.52}});
}

void PaintDeer(Silhouette& s) {
  s.Oval(-0.45, -0.98, 0.9, 0.42);
  for (double x : {-0.38, -0.28, 0.25, 0.33})
    s.Leg(x, -0.66, 0.055);
  s.Shape({{0.22, -0.92}, {0.46, -1.35}, {0.6, -1.3}, {0.42, -0.7}});
  s.Shape({{0.44, -1.42}, {0.78, -1.27}, {0.74, -1.2}, {0.5, -1.25}});
  s.Stroke({{0.5, -1.38}, {0.38, -1.62}, {0.2, -1.78}}, 0.025);
  s.Stroke({{0.43, -1.52}, {0.56, -1.66}}, 0.02);
  s.Stroke({{0.33, -1.67}, {0.38, -1.86}}, 0.02);
  s.Stroke({{0.27, -1.73}, {0.2, -1.92}}, 0.02);
}

void PaintBovine(Silhouette& s) {
  s.Oval(-0.5, -0.82, 1.0, 0.52);
  s.Oval(-0.05, -1.02, 0.52, 0.58);
  for (double x : {-0.44, -0.3, 0.18, 0.3})
    s.Leg(x, -0.45, 0.1);
  s.Oval(0.38, -0.72, 0.24, 0.34);
  s.Shape({{0.42, -0.45}, {0.5, -0.3}, {0.58, -0.45}});
  s.Stroke({{0.46, -0.68}, {0.43, -0.78}, {0.49, -0.82}}, 0.025);
  s.Stroke({{-0.5, -0.7}, {-0.56, -0.45}}, 0.02);
}

void PaintGoat(Silhouette& s) {
  s.Oval(-0.45, -0.86, 0.85, 0.38);
  for (double x : {-0.37, -0.28, 0.22, 0.3})
    s.Leg(x, -0.56, 0.06);
  s.Shape({{0.22, -0.82}, {0.42, -1.1}, {0.54, -1.04}, {0.38, -0.62}});
  s.Shape({{0.42, -1.15}, {0.68, -1.0}, {0.63, -0.94}, {0.46, -0.98}});
  s.Stroke({{0.46, -1.12}, {0.4, -1.3}, {0.3, -1.34}, {0.28, -1.22}}, 0.035);
}

void PaintQuadruped(QPainter& p, QPointF foot, double length, Subject subject, bool facingLeft,
                    const QColor& colour) {
  p.save();
  p.translate(foot);
  if (facingLeft)
    p.scale(-1, 1);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  Silhouette s(p, length);
  switch (subject) {
  case Subject::bear:
    PaintBear(s);
    break;
  case Subject::canine:
    PaintCanine(s);
    break;
  case Subject::bovine:
    PaintBovine(s);
    break;
  case Subject::goat:
    PaintGoat(s);
    break;
  default:
    PaintDeer(s);
    break;
  }
  p.restore();
}

void PaintBird(QPainter& p, QPointF centre, double span, const QColor& colour) {
  QPainterPath wings(centre + QPointF(-span / 2, -span * 0.1));
  wings.quadTo(centre + QPointF(-span / 4, -span * 0.3), centre);
  wings.quadTo(centre + QPointF(span / 4, -span * 0.3), centre + QPointF(span / 2, -span * 0.1));
  p.setPen(QPen(colour, std::max(2.0, span * 0.05), Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wings);
}

void PaintSubject(QPainter& p, QSize size, const Entry& entry, double groundTop, Random& random) {
  const QColor dark(35, 28, 22);
  const double scale = std::min(size.width(), size.height());
  switch (entry.subject) {
  case Subject::scenery:
    return;
  case Subject::bird:
  case Subject::waterBird: {
    const int count = entry.subject == Subject::bird ? 1 + random.Below(3) : 3 + random.Below(5);
    for (int i = 0; i < count; ++i)
      PaintBird(p,
                QPointF(random.Between(0.15, 0.85) * size.width(),
                        random.Between(0.15, 0.45) * groundTop),
                scale * (entry.subject == Subject::bird ? random.Between(0.1, 0.2)
                                                        : random.Between(0.05, 0.12)),
                dark);
    return;
  }
  default: {
    const int count = 1 + random.Below(entry.subject == Subject::deer ? 3 : 2);
    for (int i = 0; i < count; ++i) {
      const double y =
          random.Between(groundTop + (size.height() - groundTop) * 0.4, size.height() * 0.93);
      PaintQuadruped(p, QPointF(random.Between(0.2, 0.8) * size.width(), y),
                     scale * random.Between(0.16, 0.26), entry.subject, random.Unit() < 0.5, dark);
    }
  }
  }
}

void PaintVignette(QPainter& p, QSize size) {
  const QPointF centre(size.width() / 2.0, size.height() / 2.0);
  QRadialGradient vignette(centre, std::hypot(centre.x(), centre.y()));
  vignette.setColorAt(0.6, QColor(0, 0, 0, 0));
  vignette.setColorAt(1, QColor(0, 0, 0, 110));
  p.fillRect(QRect(QPoint(0, 0), size), vignette);
}

void PaintCaption(QPainter& p, QSize size, const char* caption) {
  QFont font("DejaVu Sans");
  font.setBold(true);
  font.setPixelSize(std::max(18, size.height() / 22));
  p.setFont(font);
  const QRect box(0, 0, size.width() - size.width() / 30, size.height() - size.height() / 30);
  p.setPen(QColor(0, 0, 0, 160));
  p.drawText(box.translated(2, 2), Qt::AlignRight | Qt::AlignBottom, caption);
  p.setPen(QColor(250, 248, 240));
  p.drawText(box, Qt::AlignRight | Qt::AlignBottom, caption);
}

QImage Paint(int index, const Entry& entry) {
  Random random(std::uint32_t(index) + 1);
  const QSize size = kSizes[std::size_t(index) % std::size(kSizes)];
  const Mood& mood = kMoods[std::size_t(random.Below(int(std::size(kMoods))))];
  QImage image(size, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double horizon = size.height() * random.Between(0.45, 0.62);
  PaintSky(p, size, mood, horizon);
  if (mood.night)
    PaintStars(p, size, horizon, random);
  PaintSun(p,
           QPointF(random.Between(0.15, 0.85) * size.width(), random.Between(0.12, 0.4) * horizon),
           size.width() * random.Between(0.025, 0.05), mood);
  PaintClouds(p, size, horizon, random, mood.night);
  const int ranges = 2 + random.Below(2);
  for (int r = 0; r < ranges; ++r) {
    const double depth = double(r) / ranges;
    PaintRange(p, size, horizon * (0.75 + 0.12 * r), size.height() * (0.18 - 0.04 * r),
               Mix(mood.far, mood.land, depth * 0.8), random);
  }
  // Animals on four legs stand on land; birds may fly over a lake.
  const bool fourLegged = entry.subject != Subject::scenery && entry.subject != Subject::bird &&
                          entry.subject != Subject::waterBird;
  const bool water = entry.subject == Subject::waterBird || (!fourLegged && random.Unit() < 0.5);
  const double groundTop = horizon + size.height() * 0.05;
  if (water) {
    PaintWater(p, size, horizon, mood, random);
    PaintRange(p, size, size.height() * 0.9, size.height() * 0.04, mood.land, random);
  } else {
    PaintTrees(p, size, horizon, mood.land, random);
    PaintGrass(p, size, groundTop, mood.land, random);
  }
  PaintSubject(p, size, entry, groundTop, random);
  PaintVignette(p, size);
  PaintCaption(p, size, entry.caption);
  return image;
}

bool WriteFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictures FOLDER\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  jpeg::EncodeSettings settings;
  settings.quality = 85;
  for (int i = 0; i < int(std::size(kEntries)); ++i) {
    // Converted from a named image: Qt's in-place conversion of a temporary gives other bytes for
    // one of the pictures, and the set must come out as it always has.
    const QImage painted = Paint(i, kEntries[i]);
    const QImage rgb = painted.convertToFormat(QImage::Format_RGB888);
    const auto bytes = jpeg::Encode(rgb.constBits(), rgb.width(), rgb.height(), rgb.bytesPerLine(),
                                    jpeg::SampleLayout::rgb, settings);
    if (!WriteFile(folder / kEntries[i].file, bytes)) {
      std::fprintf(stderr, "make_pictures: cannot write %s\n", kEntries[i].file);
      return 1;
    }
  }
  return 0;
}
