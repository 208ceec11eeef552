#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "Usave5.h"
#include "info/modal_guard.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "support/temp_root.h"

namespace {

// Whether a full stop that ends a sentence, with more text after it, is followed by fewer than two
// blanks; the stop in a version number ends no sentence.
bool SomeSentenceEndsWithOneBlank(const std::string& text) {
  for (std::size_t stop = text.find('.'); stop != std::string::npos;
       stop = text.find('.', stop + 1)) {
    const std::size_t next = text.find_first_not_of(" \n", stop + 1);
    if (next == std::string::npos || std::isdigit(static_cast<unsigned char>(text[stop + 1])))
      continue;
    if (next - stop - 1 < 2)
      return true;
  }
  return false;
}

int Lightness(TColor colour) {
  return (RedOf(colour) * 11 + GreenOf(colour) * 16 + BlueOf(colour) * 5) / 32;
}

bool Ink(TColor colour) {
  return Lightness(colour) < 64;
}

// The first and last rows of each run of rows with text within an area of a picture.
std::vector<std::pair<int, int>> TextLines(const TPixels& picture, const TRect& area) {
  std::vector<std::pair<int, int>> lines;
  bool inLine = false;
  for (int y = area.Top; y < area.Bottom(); ++y) {
    bool ink = false;
    for (int x = area.Left; x < area.Right() && !ink; ++x)
      ink = Ink(picture.Pixel(x, y));
    if (ink && !inLine)
      lines.push_back({y, y});
    if (ink)
      lines.back().second = y;
    inLine = ink;
  }
  return lines;
}

// The columns of a picture's row that differ from the ground colour.
std::vector<int> Marks(const TPixels& picture, int y, TColor ground) {
  std::vector<int> marks;
  for (int x = 0; x < picture.Width(); ++x) {
    if (picture.Pixel(x, y) != ground)
      marks.push_back(x);
  }
  return marks;
}

class AboutBox : public ::testing::Test {
protected:
  AboutBox() { form.FormCreate(); }
  ~AboutBox() override { platform_test::SetScreenSize(std::nullopt); }

  TempRoot root;
  Tfrmdisc form;
};

TEST_F(AboutBox, ReturnEndsTheModalDisplayWithCancelAndTheBoxCanBeShownAgain) {
  for (int showing = 0; showing < 2; ++showing) {
    bool shownWhileModal = false;
    const int result = ShowModalWith(form, [&] {
      shownWhileModal = form.Visible();
      platform_test::ClickAt(*form.Button1);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_TRUE(shownWhileModal);
    EXPECT_FALSE(form.Visible());
  }
}

TEST_F(AboutBox, EnterPressesNothingAndSpaceOnTheFocusedButtonReturns) {
  bool openAfterEnter = false;
  const TControl* focused = nullptr;
  const int result = ShowModalWith(form, [&] {
    if (!Activated(form))
      return form.SetModalResult(kModalTimedOut);
    focused = platform_test::FocusedControl(form);
    platform_test::PressKey(form, VK_RETURN);
    openAfterEnter = form.InModal();
    platform_test::PressKey(form, VK_SPACE);
  });
  EXPECT_EQ(focused, form.Button1);
  EXPECT_TRUE(openAfterEnter);
  EXPECT_EQ(result, mrCancel);
}

TEST_F(AboutBox, IsBorderlessGreyAndCentredOnTheScreenWhenShown) {
  EXPECT_EQ(form.Caption(), "Quillmor");
  EXPECT_EQ(form.Color(), clGray);
  EXPECT_EQ(form.Font().Height, 11);

  platform_test::SetScreenSize(std::pair{800, 600});
  TRect shownAt;
  TPixels face;
  ShowModalWith(form, [&] {
    shownAt = form.OuterBounds();
    face = platform_test::Grab(form);
    form.Close();
  });
  // No frame: the whole window is the 514 x 336 client area, in the middle of the screen.
  EXPECT_EQ(shownAt, (TRect{143, 132, 514, 336}));
  EXPECT_EQ(face.Width(), 514);
  EXPECT_EQ(face.Height(), 336);
  EXPECT_EQ(face.Pixel(2, 2), clGray);
  EXPECT_EQ(face.Pixel(511, 333), clGray);
}

TEST_F(AboutBox, TheFramesAreDrawnWithinTheirBoundsAndStandOutFromTheGrey) {
  EXPECT_EQ(form.GroupBox2->Parent(), form.GroupBox1);
  EXPECT_EQ(form.GroupBox1->Caption(), "");
  EXPECT_EQ(form.GroupBox2->Caption(), "Disclaimer");
  EXPECT_EQ(form.GroupBox2->Font().Height, 13);
  const TPixels face = platform_test::Grab(form);
  // Halfway down: the outer frame's left and right edges, the inner frame's between them.
  const TRect outer = form.GroupBox1->BoundsRect();
  const TRect inner = form.GroupBox2->BoundsRect();
  const int middle = outer.Top + inner.Top + inner.Height / 2;
  const std::vector<int> marks = Marks(face, middle, clGray);
  ASSERT_GE(marks.size(), 8u);
  EXPECT_EQ(marks.front(), outer.Left);
  EXPECT_EQ(marks.back(), outer.Right() - 1);
  EXPECT_NE(std::find(marks.begin(), marks.end(), outer.Left + inner.Left), marks.end());
  EXPECT_NE(std::find(marks.begin(), marks.end(), outer.Left + inner.Right() - 1), marks.end());
  // Each frame's left edge: a dark line and a white one beside it.
  for (const int edge : {outer.Left, outer.Left + inner.Left}) {
    EXPECT_LE(Lightness(face.Pixel(edge, middle)), 128 - 48) << edge;
    EXPECT_GE(Lightness(face.Pixel(edge + 1, middle)), 128 + 96) << edge;
  }
}

TEST_F(AboutBox, NoticeNamesTheVersionAndTheDisclaimerRunsOnFromOneLabelIntoTheNext) {
  EXPECT_NE(form.Label1->Caption().find("Version 2.0"), std::string::npos);
  EXPECT_NE(form.Label1->Caption().find("Quillmor Screensaver developers"), std::string::npos);
  EXPECT_NE(form.Label2->Caption().back(), '.');
  EXPECT_TRUE(std::islower(static_cast<unsigned char>(form.Label3->Caption().front())));
  EXPECT_EQ(form.Label3->Caption().back(), '.');
  EXPECT_EQ(form.Label1->Parent(), form.GroupBox1);
  for (const TLabel* label : {form.Label2, form.Label3, form.Label4})
    EXPECT_EQ(label->Parent(), form.GroupBox2);

  // A full stop that ends a sentence with more text after it is followed by two blanks.
  for (const TLabel* label : {form.Label1, form.Label2, form.Label3, form.Label4})
    EXPECT_FALSE(SomeSentenceEndsWithOneBlank(label->Caption())) << label->Caption();
}

TEST_F(AboutBox, TheRunOnSentenceHasNoBlankLineAndTheLastParagraphFollowsOneBlankLine) {
  const TPixels frame = platform_test::Grab(*form.GroupBox2);
  // Inside the frame's edges, from the first label's top down.
  const TRect text{form.Label2->Left(), form.Label2->Top(), form.Label2->Width(),
                   frame.Height() - 3 - form.Label2->Top()};
  const std::vector<std::pair<int, int>> lines = TextLines(frame, text);
  // Two lines or more each for the sentence's two parts, one or more for the last paragraph.
  ASSERT_GE(lines.size(), 5u);
  const int pitch = form.Label2->LineHeight();
  std::size_t afterBlank = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    // Line tops: every line has a capital or a tall letter, whose tops differ by a pixel at most.
    const int step = lines[i].first - lines[i - 1].first;
    if (std::abs(step - 2 * pitch) <= 1) {
      EXPECT_EQ(afterBlank, 0u) << "a second blank line before line " << i;
      afterBlank = i;
    } else {
      EXPECT_LE(std::abs(step - pitch), 1) << "line " << i << ": " << step << " against " << pitch;
    }
  }
  // The one blank line lies between Label3's text and Label4's.
  ASSERT_GT(afterBlank, 0u);
  EXPECT_GE(lines[afterBlank].first, form.Label4->Top());
  EXPECT_LT(lines[afterBlank].first, form.Label4->Top() + pitch);
  EXPECT_LT(lines[afterBlank - 1].first, form.Label3->Top() + form.Label3->Height());
  // Nothing is cut off: the last line ends inside the frame, above its bottom edge.
  EXPECT_LT(lines.back().second, form.Label4->Top() + form.Label4->Height());
  EXPECT_LE(form.Label4->Top() + form.Label4->Height(), frame.Height() - 2);
}

TEST_F(AboutBox, TheNoticeFitsItsLabel) {
  const TPixels frame = platform_test::Grab(*form.GroupBox1);
  const TRect label = form.Label1->BoundsRect();
  const std::vector<std::pair<int, int>> lines = TextLines(frame, label);
  ASSERT_GE(lines.size(), 2u);
  // The last line's lowest ink lies inside the label, not at its cut-off edge.
  EXPECT_LT(lines.back().second, label.Bottom() - 1);
}

} // namespace
