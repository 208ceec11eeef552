// The windows' captions, measured with the faces this host has and with DejaVu Sans alone: none
// may wrap or be cut off.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include <QAbstractButton>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include "Usave5.h"
#include "platform/qt/fonts_qt.h"
#include "platform/qt/peer.h"
#include "support/process.h"
#include "support/temp_root.h"
#include "udownld.h"
#include "usave2.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const char kOnlyDejaVu[] = "QUILLMOR_TEST_ONLY_DEJAVU";

// The width and height a control's caption needs, by the control's kind.
QSize CaptionNeeds(const QWidget& control, const QString& text) {
  const QFontMetrics metrics(control.font());
  QSize needed(metrics.horizontalAdvance(text), metrics.height());
  if (qobject_cast<const QRadioButton*>(&control)) {
    QStyleOptionButton option;
    option.initFrom(&control);
    needed.rwidth() += control.style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &option) +
                       control.style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, &option);
  } else if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
    if (!button->icon().isNull())
      needed.rwidth() += button->iconSize().width();
  }
  return needed;
}

// The captions of window that wrap or are cut off, as "kind: caption".
std::vector<std::string> CaptionsThatDoNotFit(const QWidget& window) {
  std::vector<std::string> misfits;
  for (const QWidget* control : window.findChildren<QWidget*>()) {
    if (!control->isVisibleTo(&window))
      continue;
    QString text;
    bool fits = true;
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
      text = label->text();
      const QRect room = label->contentsRect();
      if (label->wordWrap()) {
        const QRect wrapped = label->fontMetrics().boundingRect(QRect(0, 0, room.width(), 10000),
                                                                Qt::TextWordWrap, text);
        fits = wrapped.height() <= room.height();
      } else {
        const QSize needed = CaptionNeeds(*label, text);
        fits = needed.width() <= room.width() && needed.height() <= room.height();
      }
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
      text = button->text();
      const QSize needed = CaptionNeeds(*button, text);
      fits = needed.width() <= button->width() && needed.height() <= button->height();
    } else if (const auto* box = qobject_cast<const QGroupBox*>(control)) {
      text = box->title();
      fits = CaptionNeeds(*box, text).width() < box->width();
    }
    if (!fits)
      misfits.push_back(std::string(control->metaObject()->className()) + ": " +
                        text.toStdString());
  }
  return misfits;
}

void ExpectEveryCaptionFits() {
  TempRoot root;
  TForm2 dialog;
  Tfrmdisc about;
  TFrmdownld more;
  for (const QWidget* window : {platform::qt::WidgetOf(dialog), platform::qt::WidgetOf(about),
                                platform::qt::WidgetOf(more)})
    EXPECT_EQ(CaptionsThatDoNotFit(*window), std::vector<std::string>{})
        << window->metaObject()->className();
}

// A font set of DejaVu Sans alone, as a host with only the DejaVu core package has it.
fs::path OnlyDejaVuConfig(const fs::path& folder) {
  fs::create_directories(folder / "fonts");
  for (const char* face : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
    fs::copy_file(fs::path("/usr/share/fonts/truetype/dejavu") / face, folder / "fonts" / face);
  const fs::path config = folder / "fonts.conf";
  std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>"
                        << (folder / "fonts").string() << "</dir>\n  <cachedir>"
                        << (folder / "cache").string() << "</cachedir>\n</fontconfig>\n";
  return config;
}

TEST(WindowCaptions, TheDesktopFaceStandsInAsAFaceOfItsMetrics) {
  if (std::getenv(kOnlyDejaVu))
    GTEST_SKIP() << "runs with the host's faces";
  EXPECT_EQ(QFontInfo(platform::qt::FontOf(TFont{11})).family(), "Liberation Sans");
  EXPECT_EQ(QFontInfo(platform::qt::FontOf(TFont{16})).pixelSize(), 16);
}

TEST(WindowCaptions, FitTheirControlsAtTheirOwnSizeWithTheHostsFaces) {
  if (std::getenv(kOnlyDejaVu))
    GTEST_SKIP() << "runs with the host's faces";
  ExpectEveryCaptionFits();
  // Nothing needed to shrink: the dialog's captions keep the window font's 11 pixels.
  TempRoot root;
  TForm2 dialog;
  for (const QWidget* control : platform::qt::WidgetOf(dialog)->findChildren<QWidget*>())
    EXPECT_EQ(control->font().pixelSize(), 11)
        << control->metaObject()->className() << " "
        << control->property("text").toString().toStdString();
}

TEST(WindowCaptions, FitTheirControlsWithDejaVuSansAlone) {
  if (std::getenv(kOnlyDejaVu)) {
    ASSERT_EQ(QFontInfo(platform::qt::FontOf(TFont{11})).family(), "DejaVu Sans");
    ExpectEveryCaptionFits();
    return;
  }
  // Fonts are chosen once per process: the measuring runs in a process of its own.
  TempRoot root;
  const fs::path config = OnlyDejaVuConfig(root.Path() / "fontset");
  ChildProcess child({fs::read_symlink("/proc/self/exe").string(),
                      "--gtest_filter=WindowCaptions.FitTheirControlsWithDejaVuSansAlone"},
                     {{"FONTCONFIG_FILE", config.string()}, {kOnlyDejaVu, "1"}});
  EXPECT_EQ(child.WaitExit(60s), 0);
}

} // namespace
