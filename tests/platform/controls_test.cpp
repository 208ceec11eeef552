// The controls and forms as a user drives them, through the platform's API alone: the same cases
// run on every backend (offscreen Qt here, the desktop's own windows under Wine).
#include <atomic>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/graphics.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "support/control_form.h"

namespace {

int Count(const TPixels& pixels, TColor colour) {
  int n = 0;
  for (int y = 0; y < pixels.Height(); ++y)
    for (int x = 0; x < pixels.Width(); ++x)
      n += pixels.Pixel(x, y) == colour;
  return n;
}

class Controls : public ::testing::Test {
protected:
  void SetUp() override {
    Application().Initialize("controls_test");
    form = std::make_unique<TestForm>();
    // Shown with the keyboard, as a user finds a window before using it.
    form->Show();
    form->Activate();
    form->Ok->SetFocus();
    ASSERT_TRUE(platform_test::WaitUntil([&] { return Focused() == form->Ok; }));
  }
  void TearDown() override {
    Application().OnMessage = nullptr;
    form.reset();
  }
  TControl* Focused() { return platform_test::FocusedControl(*form); }
  void Press(int key, bool shift = false) { platform_test::PressKey(*form, key, shift); }

  std::unique_ptr<TestForm> form;
};

TEST_F(Controls, ReportTheBoundsTheyWereGiven) {
  EXPECT_EQ(form->Caption(), "quilldorn");
  EXPECT_EQ(form->Memo->BoundsRect(), (TRect{8, 120, 180, 60}));
  EXPECT_EQ(form->First->BoundsRect(), (TRect{8, 16, 100, 18}));
  EXPECT_EQ(form->ClientRect(), (TRect{0, 0, 400, 300}));
}

TEST_F(Controls, ClickingARadioButtonChecksItAloneInItsGroup) {
  form->First->SetChecked(true);
  int clicks = 0;
  form->Second->OnClick = [&] { ++clicks; };
  platform_test::ClickAt(*form->Second);
  EXPECT_TRUE(form->Second->Checked());
  EXPECT_FALSE(form->First->Checked());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Focused(), form->Second);
}

TEST_F(Controls, ClickingAButtonRunsItsHandlerButNotWhenDisabled) {
  platform_test::ClickAt(*form->Ok);
  EXPECT_EQ(form->okClicks, 1);
  form->Ok->SetEnabled(false);
  platform_test::ClickAt(*form->Ok);
  form->Ok->Click();
  EXPECT_EQ(form->okClicks, 1);
}

TEST_F(Controls, TabVisitsTheTabOrderAndStopsAtTheCheckedRadioButton) {
  form->Second->SetChecked(true);
  form->SetTabOrder({form->Memo, form->First, form->Second, form->List, form->Ok});
  form->Memo->SetWantTabs(false);
  form->Memo->SetFocus();
  Press(VK_TAB);
  EXPECT_EQ(Focused(), form->Second);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), form->List);
  Press(VK_TAB, true);
  EXPECT_EQ(Focused(), form->Second);
  Press(VK_UP);
  EXPECT_EQ(Focused(), form->First);
  EXPECT_TRUE(form->First->Checked());
  EXPECT_FALSE(form->Second->Checked());
}

TEST_F(Controls, TabPassesControlsThatAreNoStopsHiddenOrDisabled) {
  EXPECT_FALSE(form->Title->TabStop());
  EXPECT_TRUE(form->Ok->TabStop());
  form->SetTabOrder({form->List, form->Memo, form->Ok, form->Cancel});
  form->Memo->SetTabStop(false);
  form->Ok->SetEnabled(false);
  form->List->SetFocus();
  Press(VK_TAB);
  EXPECT_EQ(Focused(), form->Cancel);
  Press(VK_RIGHT);
  EXPECT_EQ(Focused(), form->Cancel) << "an arrow key moves nothing from a push button";
  form->Group->Hide();
  EXPECT_TRUE(form->First->Visible()) << "set to show, on a hidden parent";
  Press(VK_TAB);
  EXPECT_EQ(Focused(), form->List) << "the radio buttons are hidden";
}

TEST_F(Controls, AMemoTakesTypedTextAndTabsOnlyWhenItWantsThem) {
  form->Memo->SetFocus();
  for (int key : {int('h'), int('i'), VK_RETURN, int('X')})
    Press(key);
  EXPECT_EQ(form->Memo->Text(), "hi\nx");
  Press(VK_TAB);
  EXPECT_EQ(form->Memo->Text(), "hi\nx\t");
  form->Memo->SetWantTabs(false);
  Press(VK_TAB);
  EXPECT_EQ(form->Memo->Text(), "hi\nx\t");
  EXPECT_NE(Focused(), form->Memo);
  form->Memo->SetText("one\ntwo");
  EXPECT_EQ(form->Memo->Text(), "one\ntwo");
}

TEST_F(Controls, EnterPressesTheDefaultButtonOrTheFocusedOne) {
  int keys = 0;
  form->OnKeyDown = [&](int key) { keys += key == VK_RETURN; };
  form->List->SetFocus();
  Press(VK_RETURN);
  EXPECT_EQ(form->okClicks + form->cancelClicks, 0) << "no default button: Enter presses none";
  EXPECT_EQ(keys, 1);

  form->Ok->SetDefault(true);
  Press(VK_RETURN);
  EXPECT_EQ(form->okClicks, 1);
  form->Cancel->SetFocus();
  Press(VK_RETURN);
  EXPECT_EQ(form->cancelClicks, 1);
  Press(VK_SPACE);
  EXPECT_EQ(form->cancelClicks, 2);
}

TEST_F(Controls, KeyPreviewTakesEveryKeyBeforeTheFocusedControl) {
  std::vector<int> keys;
  form->OnKeyDown = [&](int key) { keys.push_back(key); };
  form->SetKeyPreview(true);
  form->Memo->SetFocus();
  Press('A');
  Press(VK_ESCAPE);
  EXPECT_EQ(keys, (std::vector<int>{'A', VK_ESCAPE}));
  EXPECT_EQ(form->Memo->Text(), "");
}

TEST_F(Controls, KeysOnAFormWithoutControlsReachItsHandler) {
  TForm display;
  display.SetBorderStyle(TBorderStyle::bsNone);
  std::vector<int> keys;
  display.OnKeyDown = [&](int key) { keys.push_back(key); };
  display.Show();
  display.Activate();
  for (int key : {VK_ESCAPE, int('q'), VK_RETURN})
    platform_test::PressKey(display, key);
  EXPECT_EQ(keys, (std::vector<int>{VK_ESCAPE, 'Q', VK_RETURN}));
  EXPECT_EQ(platform_test::FocusedControl(display), nullptr);
}

TEST_F(Controls, TheHookSeesInputOfHookedWindowsFirst) {
  std::vector<unsigned> seen;
  Application().OnMessage = [&](TMsg& msg, bool& handled) {
    EXPECT_EQ(msg.hwnd, form.get());
    seen.push_back(msg.message);
    handled = msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONUP;
  };
  platform_test::ClickAt(*form->Ok);
  EXPECT_TRUE(seen.empty()) << "the form is not hooked";
  Application().AddHookedWindow(form.get());
  platform_test::ClickAt(*form->Ok);
  std::erase(seen, WM_MOUSEMOVE);
  EXPECT_EQ(seen, (std::vector<unsigned>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_EQ(form->okClicks, 1) << "only the unhooked click";
  Application().RemoveHookedWindow(form.get());
}

TEST_F(Controls, AListKeepsItsEntriesAndOneHighlighted) {
  for (const char* entry : {"alpha", "beta", "gamma"})
    form->List->AddItem(entry);
  form->List->SetItemHeight(14);
  form->List->SetItemIndex(0);
  form->List->SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(form->List->ItemIndex(), 1);
  platform_test::ClickAt(*form->List, TPoint{10, 14 * 2 + 7});
  EXPECT_EQ(form->List->ItemIndex(), 2);
  platform_test::ClickAt(*form->List, TPoint{10, 70});
  EXPECT_EQ(form->List->ItemIndex(), 2) << "a click below the entries keeps the highlight";
  form->List->DeleteItem(0);
  EXPECT_EQ(form->List->Count(), 2);
  EXPECT_EQ(form->List->Item(0), "beta");
  EXPECT_EQ(form->List->ItemIndex(), 1) << "the highlight stays on gamma";
  form->List->DeleteItem(1);
  EXPECT_EQ(form->List->ItemIndex(), 0) << "the highlighted entry went: the one before it";
  form->List->DeleteItem(0);
  EXPECT_EQ(form->List->ItemIndex(), -1);
  EXPECT_THROW(form->List->DeleteItem(0), std::out_of_range);
}

TEST_F(Controls, APanelShowsItsColourInsideItsBevel) {
  const TPixels panel = platform_test::Grab(*form->Panel);
  ASSERT_EQ(panel.Width(), 60);
  ASSERT_EQ(panel.Height(), 40);
  EXPECT_EQ(panel.Pixel(30, 20), clTeal);
  EXPECT_NE(panel.Pixel(0, 20), clTeal);
  EXPECT_EQ(form->Panel->ClientRect(), (TRect{1, 1, 58, 38}));
}

TEST_F(Controls, LabelsAndRadioButtonsDrawInTheirFontColourAndGreyWhenDisabled) {
  form->Title->SetColor(clWhite);
  const struct {
    TControl* control;
    TControl* fontFrom;
    TColor colour;
  } cases[] = {{form->Title, form->Title, clNavy}, {form->First, form->Group, clMaroon}};
  for (const auto& c : cases) {
    c.fontFrom->SetFont(TFont{.Height = 13, .Bold = true, .Color = c.colour});
    EXPECT_GT(Count(platform_test::Grab(*c.control), c.colour), 10) << c.control->Name();
    c.control->SetEnabled(false);
    const TPixels greyed = platform_test::Grab(*c.control);
    EXPECT_EQ(Count(greyed, c.colour), 0) << c.control->Name();
    EXPECT_GT(Count(greyed, clGray), 10) << c.control->Name();
  }
  EXPECT_GT(form->Title->LineHeight(), 13);
}

TEST_F(Controls, ALabelsTextSitsAtTheTopOrInTheMiddle) {
  form->Title->SetBounds(200, 195, 190, 60); // clear of the other controls
  form->Title->SetFont(TFont{.Height = 13, .Color = clNavy});
  const auto firstInkRow = [](const TPixels& pixels) {
    for (int y = 0; y < pixels.Height(); ++y)
      for (int x = 0; x < pixels.Width(); ++x)
        // Inked, smoothing or not: blue and dark.
        if (const TColor c = pixels.Pixel(x, y); BlueOf(c) > 64 && RedOf(c) < 64 && GreenOf(c) < 64)
          return y;
    return -1;
  };
  const int centred = firstInkRow(platform_test::Grab(*form->Title));
  form->Title->SetLayout(TTextLayout::tlTop);
  const int top = firstInkRow(platform_test::Grab(*form->Title));
  EXPECT_GE(top, 0);
  EXPECT_LT(top, 6);
  EXPECT_GT(centred, 20);
}

TEST_F(Controls, AWordWrappedLabelWithAutoSizeFollowsItsText) {
  form->Title->SetWordWrap(true);
  form->Title->SetAutoSize(true);
  form->Title->SetWidth(60);
  form->Title->SetCaption("several words that cannot share one line");
  EXPECT_GE(form->Title->Height(), 3 * form->Title->LineHeight());
  EXPECT_EQ(form->Title->Width(), 60);
}

TEST_F(Controls, ABitmapButtonDrawsItsGlyphAtItsMarginAndItsCaptionInItsColour) {
  TPixels glyph(8, 8, TPixelFormat::pf24bit);
  glyph.Fill(clRed);
  for (int y = 2; y < 6; ++y)
    for (int x = 2; x < 6; ++x)
      glyph.SetPixel(x, y, clTeal);
  auto* button = form->Add<TBitBtn>("Download", "Go");
  button->SetBounds(10, 200, 120, 30);
  button->SetGlyph(TBitmap(std::move(glyph)));
  button->SetMargin(6);
  button->SetFont(TFont{.Height = 13, .Bold = true, .Color = clMaroon});
  const TPixels drawn = platform_test::Grab(*button);
  const int glyphTop = (30 - 8) / 2;
  EXPECT_EQ(drawn.Pixel(6 + 3, glyphTop + 3), clTeal);
  EXPECT_NE(drawn.Pixel(6, glyphTop), clRed) << "the glyph's bottom-left colour is not drawn";
  int maroonLeft = drawn.Width();
  for (int y = 0; y < drawn.Height(); ++y)
    for (int x = 0; x < drawn.Width(); ++x)
      if (drawn.Pixel(x, y) == clMaroon)
        maroonLeft = std::min(maroonLeft, x);
  EXPECT_GE(maroonLeft, 6 + 8 + TBitBtn::kSpacing);
  EXPECT_LT(maroonLeft, 6 + 8 + TBitBtn::kSpacing + 4);
}

TEST_F(Controls, ControlsTakeTheirParentsFontAndColourUntilGivenTheirOwn) {
  form->Group->SetFont(TFont{.Height = 14, .Italic = true, .Color = clRed});
  form->Group->SetColor(clSilver);
  EXPECT_EQ(form->First->Font(), (TFont{.Height = 14, .Italic = true, .Color = clRed}));
  EXPECT_EQ(form->First->Color(), clSilver);
  form->First->SetFont(TFont{.Height = 9});
  form->Group->SetFont(TFont{.Height = 20});
  EXPECT_EQ(form->First->Font().Height, 9);
  EXPECT_EQ(form->Second->Font().Height, 20);
  EXPECT_EQ(form->Title->Color(), form->Color());
}

TEST_F(Controls, AModalFormEndsWithItsResultOrCancelWhenClosed) {
  TestForm dialog;
  platform_test::Later([&] {
    EXPECT_TRUE(dialog.InModal());
    dialog.SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_FALSE(dialog.InModal());

  bool asked = false;
  dialog.OnCloseQuery = [&] { return std::exchange(asked, true); };
  platform_test::Later([&] { dialog.Close(); });
  platform_test::Later([&] { dialog.Close(); }, 50);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_TRUE(asked);
}

TEST_F(Controls, AFormThatRefusesToCloseStaysShown) {
  bool allow = false;
  form->OnCloseQuery = [&] { return allow; };
  form->Close();
  EXPECT_TRUE(form->Visible());
  allow = true;
  form->Close();
  EXPECT_FALSE(form->Visible());
}

TEST_F(Controls, AFormWithoutABorderIsItsClientArea) {
  TForm bare;
  bare.SetBorderStyle(TBorderStyle::bsNone);
  bare.SetBounds(40, 30, 200, 100);
  EXPECT_EQ(bare.OuterBounds(), (TRect{40, 30, 200, 100}));
  bare.SetBorderStyle(TBorderStyle::bsSingle);
  EXPECT_EQ(bare.BoundsRect(), (TRect{40, 30, 200, 100})) << "the client area stays put";
}

TEST_F(Controls, AFullScreenFormCoversItsAreaWithoutTakingTheKeyboard) {
  TForm cover;
  cover.SetActivateOnShow(false);
  int shown = 0;
  cover.OnShow = [&] { ++shown; };
  cover.ShowFullScreen({0, 0, 320, 200});
  EXPECT_TRUE(platform_test::WaitUntil([&] { return cover.Visible(); }));
  EXPECT_EQ(cover.OuterBounds(), (TRect{0, 0, 320, 200}));
  EXPECT_EQ(cover.BoundsRect(), (TRect{0, 0, 320, 200})) << "no frame";
  EXPECT_EQ(shown, 1);
}

TEST_F(Controls, ADialogCentredOnTheScreenIsCentredFrameIncluded) {
  TestForm dialog;
  dialog.SetPosition(TPosition::poScreenCenter);
  dialog.Show();
  const TRect outer = dialog.OuterBounds();
  EXPECT_EQ(outer.Left, (GetSystemMetrics(SM_CXSCREEN) - outer.Width) / 2);
  EXPECT_EQ(outer.Top, (GetSystemMetrics(SM_CYSCREEN) - outer.Height) / 2);
}

TEST_F(Controls, ClosingTheMainFormEndsTheMessageLoopWhichCanRunAgain) {
  Application().Quit(); // outside the loop: nothing
  auto* main = Application().CreateForm<TestForm>();
  int shown = 0;
  main->OnShow = [&] { ++shown; };
  for (int run = 0; run < 2; ++run) {
    int laterRuns = 0;
    platform_test::Later([&] { ++laterRuns; }, 20);
    platform_test::Later([main] { main->Close(); }, 60);
    Application().Run();
    EXPECT_EQ(laterRuns, 1);
    EXPECT_FALSE(main->Visible());
  }
  EXPECT_EQ(shown, 2);
  Application().DestroyForms();
}

TEST_F(Controls, WorkPostedFromAnotherThreadRunsOnTheLoopsThread) {
  const std::thread::id loopThread = std::this_thread::get_id();
  std::atomic<bool> ran = false;
  std::thread::id ranOn;
  std::thread other([&] {
    PostToMainThread([&] {
      ranOn = std::this_thread::get_id();
      ran = true;
    });
  });
  other.join();
  EXPECT_TRUE(platform_test::WaitUntil([&] { return ran.load(); }));
  EXPECT_EQ(ranOn, loopThread);
}

TEST_F(Controls, ProcessMessagesRunsWhatWaitsAndReturns) {
  int ran = 0;
  PostToMainThread([&] { ++ran; });
  PostToMainThread([&] { ++ran; });
  Application().ProcessMessages();
  EXPECT_EQ(ran, 2);
}

TEST_F(Controls, AnErrorInAHandlerGoesToTheErrorBoxAndTheLoopGoesOn) {
  std::vector<std::string> boxes;
  platform_test::SetMessageBoxResponder([&](const MessageBoxRequest& request) {
    boxes.push_back(request.text);
    return IDOK;
  });
  form->Ok->OnClick = [] { throw std::runtime_error("It broke"); };
  platform_test::ClickAt(*form->Ok);
  int ran = 0;
  PostToMainThread([&] { ++ran; });
  EXPECT_TRUE(platform_test::WaitUntil([&] { return ran == 1; }));
  platform_test::SetMessageBoxResponder(nullptr);
  EXPECT_EQ(boxes, (std::vector<std::string>{"It broke."}));
}

} // namespace
