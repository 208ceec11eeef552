// The windows at the desktop's display scale, on every backend: the runner sets the desktop's
// scale (QT_SCALE_FACTOR on Linux, LogPixels under Wine) and tells it in QUILLMOR_TEST_SCALE.
// Every window but the display follows it; the display keeps the screen's own pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Usave5.h"
#include "platform/backend.h"
#include "platform/forms.h"
#include "platform/image.h"
#include "platform/scale.h"
#include "platform/testing.h"
#include "udownld.h"
#include "usave1.h"
#include "usave2.h"

namespace {

double DesktopScale() {
  const char* given = std::getenv("QUILLMOR_TEST_SCALE");
  return given && *given ? std::strtod(given, nullptr) : 1.0;
}

// The one rounding rule, at the scales desktops offer.
TEST(Scale, EdgesRoundToTheNearestPixelSoNeighboursStillMeet) {
  struct Case {
    double factor;
    int client[2]; // 552 x 383 in device pixels
  };
  for (const Case& c : {Case{1.0, {552, 383}}, Case{1.25, {690, 479}}, Case{1.5, {828, 575}},
                        Case{1.75, {966, 670}}, Case{2.0, {1104, 766}}, Case{1.1, {607, 421}}}) {
    SCOPED_TRACE(c.factor);
    const TScale scale(c.factor);
    EXPECT_EQ(scale.Rect({0, 0, 552, 383}), (TRect{0, 0, c.client[0], c.client[1]}));
    for (int left = 0; left < 40; ++left) {
      for (int width = 1; width < 40; ++width) {
        const TRect a{left, 3, width, 17}, b{left + width, 3, 9, 17};
        const TRect da = scale.Rect(a), db = scale.Rect(b);
        ASSERT_EQ(da.Right(), db.Left) << left << " " << width;
        ASSERT_EQ(scale.RectOf(da), a) << "back from device pixels";
        ASSERT_GE(da.Width, width) << "a control never shrinks";
      }
    }
    EXPECT_GE(scale.Length(1), 1);
    // The fewest window pixels that hold a device length, wherever they start.
    for (int start : {0, 3, 7}) {
      const auto span = [&](int pixels) { return scale.Edge(start + pixels) - scale.Edge(start); };
      for (int device : {1, 13, 46, 101}) {
        const int pixels = scale.PixelsToHold(device, start);
        EXPECT_GE(span(pixels), device);
        EXPECT_LT(span(pixels - 1), device);
        EXPECT_EQ(scale.SpanToHold(device, start), span(pixels));
      }
    }
    EXPECT_EQ(scale.WindowRect({3, 3, 5, 5}).Width, scale.WindowRect({4, 4, 5, 5}).Width)
        << "a window's size does not depend on where it stands";
  }
  EXPECT_EQ(TScale::FromDpi(120), TScale(1.25));
  // What a desktop setting can say beyond what windows are laid out at.
  EXPECT_EQ(TScale(0), TScale());
  EXPECT_EQ(TScale(0.75), TScale()) << "below 100 % a window's pixels would drift";
  EXPECT_EQ(TScale(1e300), TScale(8));
  EXPECT_EQ(TScale(std::numeric_limits<double>::quiet_NaN()), TScale());
}

// Where a control stands on the screen must be where its bounds put it, scaled by the rule.
void ExpectPlacedByTheRule(const TControl& control) {
  SCOPED_TRACE(control.Name());
  EXPECT_EQ(platform_test::DeviceBounds(control), ScaleOf(control).Rect(control.BoundsRect()));
}

bool Shown(const TControl& control) {
  for (const TControl* c = &control; c && c->Parent(); c = c->Parent()) {
    if (!c->Visible())
      return false;
  }
  return true;
}

void ExpectEveryCaptionFits(const TForm& form) {
  ForEachControl(form, [](TControl& control) {
    if (Shown(control)) {
      EXPECT_TRUE(platform_backend::CaptionFits(control)) << control.Name();
    }
  });
}

// Every control a window places itself (a scroll box fills its window).
void ExpectEveryPlaceByTheRule(const TForm& form) {
  ForEachControl(form, [](TControl& control) {
    if (control.ControlKind() != TControl::Kind::ScrollBox)
      ExpectPlacedByTheRule(control);
  });
}

TControl& Named(const TControl& root, const std::string& name) {
  TControl* found = nullptr;
  ForEachControl(root, [&](TControl& control) {
    if (control.Name() == name)
      found = &control;
  });
  if (!found)
    throw std::runtime_error("no control " + name);
  return *found;
}

TEST(DisplayScale, TheSettingsDialogFollowsTheDesktop) {
  const TScale scale(DesktopScale());
  TForm2 form;
  ASSERT_EQ(form.Scale(), scale);
  const TRect client = platform_test::DeviceBounds(form);
  EXPECT_EQ(client.Width, scale.Edge(552));
  EXPECT_EQ(client.Height, scale.Edge(383));
  // The layout in the window's own pixels is the one described, whatever the scale.
  struct Placed {
    const char* name;
    TRect bounds;
  };
  for (const Placed& p :
       {Placed{"cmdclose", {464, 361, 75, 17}}, Placed{"cmdhelp", {464, 337, 75, 17}},
        Placed{"ListBox2", {10, 32, 295, 101}}, Placed{"Panel1", {10, 168, 175, 89}},
        Placed{"Panel2", {314, 32, 151, 101}}}) {
    TControl& control = Named(form, p.name);
    EXPECT_EQ(control.BoundsRect(), p.bounds) << p.name;
    ExpectPlacedByTheRule(control);
  }
  ExpectEveryPlaceByTheRule(form);
  ExpectEveryCaptionFits(form);
  // Fonts are scaled, not shrunk away: the list's text stays as tall as the scale makes it.
  EXPECT_GE(scale.Font(Named(form, "ListBox2").Font()).Height, scale.Length(9));
}

TEST(DisplayScale, TheAboutBoxAndTheMoreSoftwareWindowFollowTheDesktop) {
  const TScale scale(DesktopScale());
  Tfrmdisc about;
  EXPECT_EQ(platform_test::DeviceBounds(about).Width, scale.Edge(514));
  EXPECT_EQ(platform_test::DeviceBounds(about).Height, scale.Edge(336));
  ExpectEveryPlaceByTheRule(about);
  ExpectEveryCaptionFits(about);
  // The disclaimer still reads as one paragraph: Label3 starts where Label2's text ends.
  const TControl& label2 = Named(about, "Label2");
  EXPECT_EQ(Named(about, "Label3").Top(), label2.Top() + label2.Height());

  TFrmdownld more;
  EXPECT_EQ(more.Scale(), scale);
  ExpectEveryPlaceByTheRule(more);
  ExpectEveryCaptionFits(more);
}

TEST(DisplayScale, AWindowMovedToAMonitorOfAnotherScaleLaysItselfOutAgain) {
  TForm2 form;
  std::vector<std::pair<TControl*, TRect>> before;
  ForEachControl(form,
                 [&](TControl& control) { before.emplace_back(&control, control.BoundsRect()); });
  const TScale other(DesktopScale() == 2.0 ? 1.25 : 2.0);
  form.MonitorScaleChanged(other);
  ASSERT_EQ(form.Scale(), other);
  for (const auto& [control, bounds] : before)
    EXPECT_EQ(control->BoundsRect(), bounds) << control->Name();
  ExpectEveryPlaceByTheRule(form);
}

// A window over a whole screen, as the display and the covers are.
class ScreenForm : public TForm {
public:
  ScreenForm() : TForm("TScreenForm") {
    SetBorderStyle(TBorderStyle::bsNone);
    KeepDevicePixels();
    for (int quadrant = 1; quadrant <= 4; ++quadrant) {
      TImage* tile = Add<TImage>("Tile" + std::to_string(quadrant));
      tile->SetStretch(true);
      tile->SetBounds(QuadrantBounds(quadrant, 1366, 768));
      tiles.push_back(tile);
    }
    photo = Add<TImage>("Photo");
    TPixels pixels(301, 199, TPixelFormat::pf24bit);
    pixels.Fill(clTeal);
    TBitmap bitmap(std::move(pixels));
    photo->Picture().AssignGraphic(&bitmap);
    photo->SetAutoSize(true);
    const TPoint at = CenteredPosition(1366, 768, 301, 199);
    photo->SetBounds(at.X, at.Y, 301, 199);
  }
  std::vector<TImage*> tiles;
  TImage* photo = nullptr;
};

TEST(DisplayScale, TheDisplayShowsEveryPhotoPixelForPixel) {
  TForm1 display;
  EXPECT_TRUE(display.Scale().Identity());
  EXPECT_EQ(platform_test::DeviceBounds(*display.Image5), (TRect{259, 162, 105, 105}));

  ScreenForm screen;
  ASSERT_TRUE(screen.Scale().Identity());
  for (int quadrant = 1; quadrant <= 4; ++quadrant) {
    EXPECT_EQ(platform_test::DeviceBounds(*screen.tiles[std::size_t(quadrant - 1)]),
              QuadrantBounds(quadrant, 1366, 768))
        << quadrant;
  }
  const TPoint at = CenteredPosition(1366, 768, 301, 199);
  EXPECT_EQ(platform_test::DeviceBounds(*screen.photo), (TRect{at.X, at.Y, 301, 199}));
  EXPECT_EQ(screen.photo->DeviceDestRect(), (TRect{0, 0, 301, 199}));
}

} // namespace
