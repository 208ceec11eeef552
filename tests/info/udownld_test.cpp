#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "info/modal_guard.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "support/temp_root.h"
#include "udownld.h"

namespace {

bool Reddish(TColor colour, int red) {
  return std::abs(RedOf(colour) - red) <= 24 && GreenOf(colour) < 40 && BlueOf(colour) < 40;
}

// How many pixels of a control's picture are close to a pure red of the given strength.
int RedPixels(TControl& control, int red) {
  const TPixels picture = platform_test::Grab(control);
  int count = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x)
      count += Reddish(picture.Pixel(x, y), red) ? 1 : 0;
  }
  return count;
}

// The leftmost and rightmost columns of a picture holding the colour, -1 when none does.
std::pair<int, int> ColumnsOf(const TPixels& picture, TColor colour) {
  int first = -1, last = -1;
  for (int x = 0; x < picture.Width(); ++x) {
    for (int y = 0; y < picture.Height(); ++y) {
      if (picture.Pixel(x, y) != colour)
        continue;
      first = first < 0 ? x : first;
      last = x;
      break;
    }
  }
  return {first, last};
}

class MoreSoftwareWindow : public ::testing::Test {
protected:
  MoreSoftwareWindow() {
    platform_test::SetShellOpener(
        [this](const std::string& address) { opened.push_back(address); });
    form.FormCreate();
  }
  ~MoreSoftwareWindow() override { platform_test::SetShellOpener(nullptr); }

  std::vector<TColor> ButtonColours() const {
    return {form.cmddown1->Font().Color, form.cmddown2->Font().Color, form.cmddown3->Font().Color};
  }
  // Tall enough that every control is in view.
  void ShowEverything() { form.SetClientSize(458, 620); }

  TempRoot root;
  std::vector<std::string> opened;
  TFrmdownld form;
};

TEST_F(MoreSoftwareWindow, CreationTintsTheBackgroundAndStartsTheBlinkTimer) {
  TFrmdownld uncreated;
  EXPECT_FALSE(uncreated.Timer1->Enabled());
  EXPECT_EQ(uncreated.Timer1->Interval(), 2500);
  EXPECT_EQ(uncreated.Color(), clGray);

  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_TRUE(form.Timer1->Running());
  EXPECT_EQ(form.Timer1->Interval(), 2500);
  EXPECT_EQ(TFrmdownld::kBackground, 10071983u);
  // The scrolling area's ground, left of the first program's name.
  EXPECT_EQ(platform_test::Grab(form).Pixel(5, 100), RGB(175, 175, 153));
}

TEST_F(MoreSoftwareWindow, DownloadButtonsBlinkTogetherBetweenMaroonAndRedWhetherShownOrNot) {
  using Colours = std::vector<TColor>;
  EXPECT_EQ(ButtonColours(), (Colours{clMaroon, clMaroon, clMaroon}));
  EXPECT_GT(RedPixels(*form.cmddown2, 128), 20);
  EXPECT_EQ(RedPixels(*form.cmddown2, 255), 0);
  form.Timer1->Tick();
  EXPECT_EQ(ButtonColours(), (Colours{clRed, clRed, clRed}));
  EXPECT_GT(RedPixels(*form.cmddown2, 255), 20);
  EXPECT_EQ(RedPixels(*form.cmddown2, 128), 0);
  form.Timer1->Tick();
  EXPECT_EQ(ButtonColours(), (Colours{clMaroon, clMaroon, clMaroon}));
  EXPECT_GT(RedPixels(*form.cmddown3, 128), 20);
  // Only the colour blinks: still bold and 11 pixels high.
  EXPECT_EQ(form.cmddown1->Font(), (TFont{.Height = 11, .Bold = true, .Color = clMaroon}));

  // The window opens in whichever colour the last tick left.
  form.Timer1->Tick();
  Colours whileShown;
  ShowModalWith(form, [&] {
    whileShown = ButtonColours();
    form.Timer1->Tick();
    form.Close();
  });
  EXPECT_EQ(whileShown, (Colours{clRed, clRed, clRed}));
  EXPECT_EQ(ButtonColours(), (Colours{clMaroon, clMaroon, clMaroon}));
}

TEST_F(MoreSoftwareWindow, EachDownloadButtonOpensItsOwnAddressAndLeavesTheWindowOpen) {
  ShowEverything();
  bool openAfterClicks = false;
  const int result = ShowModalWith(form, [&] {
    platform_test::ClickAt(*form.cmddown2);
    platform_test::ClickAt(*form.cmddown1);
    platform_test::ClickAt(*form.cmddown3);
    openAfterClicks = form.Visible() && form.InModal();
    platform_test::ClickAt(*form.BitBtn1);
  });
  EXPECT_TRUE(openAfterClicks);
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(opened, (std::vector<std::string>{std::string(MoreSoftware[1].Address),
                                              std::string(MoreSoftware[0].Address),
                                              std::string(MoreSoftware[2].Address)}));
}

TEST_F(MoreSoftwareWindow, AddressesAreDistinctAndFitTheHundredCharacterText) {
  for (const AdvertisedProgram& program : MoreSoftware) {
    EXPECT_LE(program.Address.size(), 100u);
    EXPECT_TRUE(program.Address.starts_with("https://"));
  }
  EXPECT_NE(MoreSoftware[0].Address, MoreSoftware[1].Address);
  EXPECT_NE(MoreSoftware[1].Address, MoreSoftware[2].Address);
  EXPECT_NE(MoreSoftware[0].Address, MoreSoftware[2].Address);
  const std::string tooLong(130, 'a');
  EXPECT_EQ(DownloadText(tooLong), std::string(100, 'a'));
}

TEST_F(MoreSoftwareWindow, EnterTypesALineInADescriptionPressesAFocusedDownloadButtonAndOk) {
  std::string memoText;
  bool openAfterEnters = false;
  const int result = ShowModalWith(form, [&] {
    if (!Activated(form))
      return form.SetModalResult(kModalTimedOut);
    form.Memo1->SetFocus();
    platform_test::PressKey(form, VK_RETURN);
    memoText = form.Memo1->Text();
    // Memo1, Memo2, BitBtn1, cmddown1.
    for (int step = 0; step < 3; ++step)
      platform_test::PressKey(form, VK_TAB);
    platform_test::PressKey(form, VK_RETURN);
    openAfterEnters = form.InModal();
    platform_test::PressKey(form, VK_TAB, /*shift=*/true);
    platform_test::PressKey(form, VK_RETURN);
  });
  EXPECT_NE(memoText, MoreSoftware[0].Description);
  EXPECT_NE(memoText.find('\n'), std::string::npos);
  EXPECT_TRUE(openAfterEnters);
  EXPECT_EQ(opened, (std::vector<std::string>{std::string(MoreSoftware[0].Address)}));
  EXPECT_EQ(result, mrOk);
}

TEST_F(MoreSoftwareWindow, OkAndTheCloseBoxEndTheModalDisplayAndTypedTextSurvives) {
  ShowEverything();
  EXPECT_EQ(ShowModalWith(form,
                          [&] {
                            if (!Activated(form))
                              return form.SetModalResult(kModalTimedOut);
                            form.Memo2->SetFocus();
                            for (const char key : std::string("typed"))
                              platform_test::PressKey(form, key);
                            platform_test::ClickAt(*form.BitBtn1);
                          }),
            mrOk);
  EXPECT_FALSE(form.Visible());
  EXPECT_NE(form.Memo2->Text().find("typed"), std::string::npos);

  std::string memoOnSecondShowing;
  EXPECT_EQ(ShowModalWith(form,
                          [&] {
                            memoOnSecondShowing = form.Memo2->Text();
                            form.Close();
                          }),
            mrCancel);
  EXPECT_FALSE(form.Visible());
  EXPECT_NE(memoOnSecondShowing.find("typed"), std::string::npos);
  EXPECT_TRUE(opened.empty());
}

TEST_F(MoreSoftwareWindow, TheWindowHasItsOuterSizeAndScrollsOverAFixedRange) {
  EXPECT_EQ(form.Caption(), "More Software");
  // A scroll bar runs down the right edge of the view, over the whole height.
  const auto scrollBar = [this](TPixels& view) {
    view = platform_test::Grab(*form.ScrollBox1);
    for (int y = 0; y < view.Height(); ++y) {
      if (view.Pixel(view.Width() - 3, y) == TFrmdownld::kBackground)
        return false;
    }
    return true;
  };
  form.Show();
  // The whole window, frame included, has the outer size once the frame is known.
  EXPECT_TRUE(platform_test::WaitUntil([&] { return form.OuterBounds().Height == 365; }));
  EXPECT_EQ(form.OuterBounds(), (TRect{102, 23, 458, 365}));
  // The third program and the OK button lie below the first view, and a scroll bar reaches them.
  TPixels view;
  EXPECT_TRUE(platform_test::WaitUntil([&] { return scrollBar(view); }));
  EXPECT_LT(view.Height(), form.cmddown3->Top());

  // A window taller than the range needs no scroll bar; the controls stay where they were.
  form.SetClientSize(458, 700);
  EXPECT_TRUE(platform_test::WaitUntil([&] { return !scrollBar(view) && view.Height() == 700; }));
  EXPECT_EQ(form.BitBtn1->Top(), 559);
  form.Hide();
}

TEST_F(MoreSoftwareWindow, GlyphsSitThreePixelsInOrCentredWithTheCaption) {
  const TColor teal = clTeal;
  const TPixels first = platform_test::Grab(*form.cmddown1);
  // The arrow's outline starts at the margin; its teal one column further in.
  EXPECT_EQ(ColumnsOf(first, teal).first, 3 + 1);

  const TPixels third = platform_test::Grab(*form.cmddown3);
  const int arrowLeft = ColumnsOf(third, teal).first - 1;
  ASSERT_GT(arrowLeft, 3 + TBitBtn::kSpacing);
  // The caption's last column of maroon ink: as far from the right edge as the arrow from the
  // left, give or take the rounding and the last letter's side bearing.
  int captionRight = -1;
  for (int x = 0; x < third.Width(); ++x) {
    for (int y = 0; y < third.Height(); ++y)
      captionRight = Reddish(third.Pixel(x, y), 128) ? x : captionRight;
  }
  EXPECT_LE(std::abs((third.Width() - 1 - captionRight) - arrowLeft), 3)
      << arrowLeft << " " << captionRight;
}

TEST_F(MoreSoftwareWindow, TabAndShiftTabVisitTheControlsInTheirOrderAndNoTabIsTyped) {
  const std::vector<TControl*> order = {form.Memo1,    form.Memo2, form.BitBtn1, form.cmddown1,
                                        form.cmddown2, form.Memo3, form.cmddown3};
  std::vector<TControl*> forwards, backwards;
  ShowModalWith(form, [&] {
    if (!Activated(form))
      return form.SetModalResult(kModalTimedOut);
    form.Memo1->SetFocus();
    forwards.push_back(platform_test::FocusedControl(form));
    for (std::size_t step = 0; step < order.size(); ++step) {
      platform_test::PressKey(form, VK_TAB);
      forwards.push_back(platform_test::FocusedControl(form));
    }
    backwards.push_back(platform_test::FocusedControl(form));
    for (std::size_t step = 0; step < order.size(); ++step) {
      platform_test::PressKey(form, VK_TAB, /*shift=*/true);
      backwards.push_back(platform_test::FocusedControl(form));
    }
    form.Close();
  });
  std::vector<TControl*> expected = order;
  expected.push_back(order.front());
  EXPECT_EQ(forwards, expected);
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(backwards, expected);
  for (const TMemo* memo : {form.Memo1, form.Memo2, form.Memo3})
    EXPECT_EQ(memo->Text().find('\t'), std::string::npos);
}

TEST(DownloadArrowPicture, IsATealArrowWithABlackOutlineOnASilverGround) {
  const TBitmap arrow = DownloadArrow();
  ASSERT_EQ(arrow.Width(), 13);
  ASSERT_EQ(arrow.Height(), 13);
  const TPixels& pixels = arrow.Pixels();
  EXPECT_EQ(pixels.Format(), TPixelFormat::pf8bit);
  EXPECT_EQ(pixels.Palette.size(), 16u);
  // The bottom-left pixel gives the colour that buttons leave transparent: the silver ground.
  EXPECT_EQ(pixels.Pixel(0, 12), clSilver);
  EXPECT_EQ(pixels.Pixel(0, 0), clSilver);
  EXPECT_EQ(pixels.Pixel(12, 12), clSilver);
  EXPECT_EQ(pixels.Pixel(6, 6), clTeal);
  EXPECT_EQ(pixels.Pixel(12, 6), clBlack); // the tip points right
  EXPECT_EQ(pixels.Pixel(0, 6), clBlack);
  EXPECT_EQ(pixels.Pixel(12, 5), clSilver);
}

TEST(DownloadArrowPicture, ItsGroundIsNotDrawnOnTheButtons) {
  TFrmdownld form;
  const TPixels button = platform_test::Grab(*form.cmddown1);
  // The arrow's top-left cell, 3 pixels in and centred vertically, shows the button's face.
  const int top = (button.Height() - 13) / 2;
  EXPECT_EQ(button.Pixel(3, top), button.Pixel(2, top));
  EXPECT_EQ(button.Pixel(3 + 6, top + 6), clTeal);
}

} // namespace
