// The Win32 backend driven as a user drives it: keys and clicks through the queue, what the
// screen shows read back from the windows.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/testing.h"
#include "platform/win32/peer.h"

// From system.h, which cannot share a file with windows.h (both declare GetSystemMetrics).
std::vector<TRect> MonitorRects();
void WatchMonitors(std::function<void()> changed);

namespace {

constexpr TColor kTeal = clTeal;

class TestForm : public TForm {
public:
  TestForm() : TForm("TForm1") {
    SetCaption("quilldorn");
    SetBorderStyle(TBorderStyle::bsDialog);
    SetClientSize(400, 300);
    Title = Add<TLabel>("Title", "A label");
    Title->SetBounds(8, 8, 200, 16);
    Group = Add<TGroupBox>("Group", "Choose");
    Group->SetBounds(8, 30, 180, 80);
    First = Group->Add<TRadioButton>("First", "First");
    First->SetBounds(8, 16, 100, 18);
    Second = Group->Add<TRadioButton>("Second", "Second");
    Second->SetBounds(8, 40, 100, 18);
    List = Add<TListBox>("List");
    List->SetBounds(200, 30, 120, 80);
    Memo = Add<TMemo>("Memo");
    Memo->SetBounds(8, 120, 180, 60);
    Panel = Add<TPanel>("Panel");
    Panel->SetBounds(200, 120, 60, 40);
    Panel->SetColor(kTeal);
    Panel->SetBevel(TPanelBevel::bvLowered, 1);
    Ok = Add<TButton>("Ok", "OK");
    Ok->SetBounds(200, 260, 75, 25);
    Cancel = Add<TButton>("Cancel", "Cancel");
    Cancel->SetBounds(290, 260, 75, 25);
    Ok->OnClick = [this] { ++okClicks; };
    Cancel->OnClick = [this] { ++cancelClicks; };
  }

  TLabel* Title;
  TGroupBox* Group;
  TRadioButton* First;
  TRadioButton* Second;
  TListBox* List;
  TMemo* Memo;
  TPanel* Panel;
  TButton* Ok;
  TButton* Cancel;
  int okClicks = 0;
  int cancelClicks = 0;
};

int Count(const TPixels& pixels, TColor colour) {
  int n = 0;
  for (int y = 0; y < pixels.Height(); ++y)
    for (int x = 0; x < pixels.Width(); ++x)
      n += pixels.Pixel(x, y) == colour;
  return n;
}

class Win32Backend : public ::testing::Test {
protected:
  void SetUp() override {
    Application().Initialize("win32_backend_test");
    form = std::make_unique<TestForm>();
    form->Show();
    form->Activate();
    platform_test::WaitUntil([&] { return IsWindowVisible(platform::win32::HwndOf(*form)); });
  }
  void TearDown() override {
    Application().OnMessage = nullptr;
    form.reset();
  }

  std::unique_ptr<TestForm> form;
};

TEST_F(Win32Backend, TheDesktopFindsTheFormByItsClassAndCaption) {
  EXPECT_EQ(FindWindowW(L"TForm1", L"quilldorn"), platform::win32::HwndOf(*form));
  EXPECT_EQ(form->Caption(), "quilldorn");
}

TEST_F(Win32Backend, ControlsReportTheBoundsTheyWereGiven) {
  EXPECT_EQ(form->Memo->BoundsRect(), (TRect{8, 120, 180, 60}));
  EXPECT_EQ(form->First->BoundsRect(), (TRect{8, 16, 100, 18}));
  EXPECT_EQ(form->ClientRect(), (TRect{0, 0, 400, 300}));
  const TRect outer = form->OuterBounds();
  EXPECT_GT(outer.Width, 400);
  EXPECT_GT(outer.Height, 300);
}

TEST_F(Win32Backend, ClickingARadioButtonChecksItAloneInItsGroup) {
  form->First->SetChecked(true);
  int clicks = 0;
  form->Second->OnClick = [&] { ++clicks; };
  platform_test::ClickAt(*form->Second);
  EXPECT_TRUE(form->Second->Checked());
  EXPECT_FALSE(form->First->Checked());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(platform_test::FocusedControl(*form), form->Second);
}

TEST_F(Win32Backend, ClickingAButtonRunsItsHandlerButNotWhenDisabled) {
  platform_test::ClickAt(*form->Ok);
  EXPECT_EQ(form->okClicks, 1);
  form->Ok->SetEnabled(false);
  platform_test::ClickAt(*form->Ok);
  form->Ok->Click();
  EXPECT_EQ(form->okClicks, 1);
}

TEST_F(Win32Backend, TabVisitsTheTabOrderAndStopsAtTheCheckedRadioButton) {
  form->Second->SetChecked(true);
  form->SetTabOrder({form->Memo, form->First, form->Second, form->List, form->Ok});
  form->Memo->SetWantTabs(false);
  form->Memo->SetFocus();
  platform_test::PressKey(*form, VK_TAB);
  EXPECT_EQ(platform_test::FocusedControl(*form), form->Second);
  platform_test::PressKey(*form, VK_TAB);
  EXPECT_EQ(platform_test::FocusedControl(*form), form->List);
  platform_test::PressKey(*form, VK_TAB, true);
  EXPECT_EQ(platform_test::FocusedControl(*form), form->Second);
  platform_test::PressKey(*form, VK_UP);
  EXPECT_EQ(platform_test::FocusedControl(*form), form->First);
  EXPECT_TRUE(form->First->Checked());
  EXPECT_FALSE(form->Second->Checked());
}

TEST_F(Win32Backend, AMemoTakesTypedTextAndTabsOnlyWhenItWantsThem) {
  form->Memo->SetFocus();
  platform_test::PressKey(*form, 'h');
  platform_test::PressKey(*form, 'i');
  platform_test::PressKey(*form, VK_RETURN);
  platform_test::PressKey(*form, 'X');
  EXPECT_EQ(form->Memo->Text(), "hi\nx");
  platform_test::PressKey(*form, VK_TAB);
  EXPECT_EQ(form->Memo->Text(), "hi\nx\t");
  form->Memo->SetWantTabs(false);
  platform_test::PressKey(*form, VK_TAB);
  EXPECT_EQ(form->Memo->Text(), "hi\nx\t");
  EXPECT_NE(platform_test::FocusedControl(*form), form->Memo);
  form->Memo->SetText("one\ntwo");
  EXPECT_EQ(form->Memo->Text(), "one\ntwo");
}

TEST_F(Win32Backend, EnterPressesTheDefaultButtonOrTheFocusedOne) {
  int keys = 0;
  form->OnKeyDown = [&](int key) { keys += key == VK_RETURN; };
  form->List->SetFocus();
  platform_test::PressKey(*form, VK_RETURN);
  EXPECT_EQ(form->okClicks + form->cancelClicks, 0) << "no default button: Enter presses none";
  EXPECT_EQ(keys, 1);

  form->Ok->SetDefault(true);
  platform_test::PressKey(*form, VK_RETURN);
  EXPECT_EQ(form->okClicks, 1);
  form->Cancel->SetFocus();
  platform_test::PressKey(*form, VK_RETURN);
  EXPECT_EQ(form->cancelClicks, 1);
  platform_test::PressKey(*form, VK_SPACE);
  EXPECT_EQ(form->cancelClicks, 2);
}

TEST_F(Win32Backend, KeyPreviewTakesEveryKeyBeforeTheFocusedControl) {
  std::vector<int> keys;
  form->OnKeyDown = [&](int key) { keys.push_back(key); };
  form->SetKeyPreview(true);
  form->Memo->SetFocus();
  platform_test::PressKey(*form, 'A');
  platform_test::PressKey(*form, VK_ESCAPE);
  EXPECT_EQ(keys, (std::vector<int>{'A', VK_ESCAPE}));
  EXPECT_EQ(form->Memo->Text(), "");
}

TEST_F(Win32Backend, TheHookSeesInputOfHookedWindowsFirst) {
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
  EXPECT_EQ(seen, (std::vector<unsigned>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_EQ(form->okClicks, 1) << "only the unhooked click";
  Application().RemoveHookedWindow(form.get());
}

TEST_F(Win32Backend, AListKeepsItsEntriesAndOneHighlighted) {
  for (const char* entry : {"alpha", "beta", "gamma"})
    form->List->AddItem(entry);
  form->List->SetItemHeight(14);
  form->List->SetItemIndex(0);
  form->List->SetFocus();
  platform_test::PressKey(*form, VK_DOWN);
  EXPECT_EQ(form->List->ItemIndex(), 1);
  platform_test::ClickAt(*form->List, TPoint{10, 14 * 2 + 7});
  EXPECT_EQ(form->List->ItemIndex(), 2);
  platform_test::ClickAt(*form->List, TPoint{10, 70});
  EXPECT_EQ(form->List->ItemIndex(), 2) << "a click below the entries keeps the highlight";
  form->List->DeleteItem(0);
  EXPECT_EQ(form->List->Count(), 2);
  EXPECT_EQ(form->List->Item(0), "beta");
}

TEST_F(Win32Backend, APanelShowsItsColourInsideItsBevel) {
  const TPixels panel = platform_test::Grab(*form->Panel);
  ASSERT_EQ(panel.Width(), 60);
  ASSERT_EQ(panel.Height(), 40);
  EXPECT_EQ(panel.Pixel(30, 20), kTeal);
  EXPECT_EQ(panel.Pixel(0, 20), TColor(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(panel.Pixel(59, 20), TColor(GetSysColor(COLOR_BTNHIGHLIGHT)));
}

TEST_F(Win32Backend, ALabelDrawsInItsFontColourAndGreyWhenDisabled) {
  form->Title->SetFont(TFont{.Height = 16, .Bold = true, .Color = clNavy});
  form->Title->SetColor(clWhite);
  EXPECT_GT(Count(platform_test::Grab(*form->Title), clNavy), 20);
  form->Title->SetEnabled(false);
  const TPixels greyed = platform_test::Grab(*form->Title);
  EXPECT_EQ(Count(greyed, clNavy), 0);
  EXPECT_GT(Count(greyed, clGray), 20);
  EXPECT_GT(form->Title->LineHeight(), 16);
}

TEST_F(Win32Backend, ARadioButtonsCaptionTakesItsFontColourAndGreyWhenDisabled) {
  form->Group->SetFont(TFont{.Height = 13, .Bold = true, .Color = clMaroon});
  EXPECT_GT(Count(platform_test::Grab(*form->First), clMaroon), 10);
  form->First->SetEnabled(false);
  const TPixels greyed = platform_test::Grab(*form->First);
  EXPECT_EQ(Count(greyed, clMaroon), 0);
  EXPECT_GT(Count(greyed, clGray), 10);
}

TEST_F(Win32Backend, AWordWrappedLabelWithAutoSizeFollowsItsText) {
  form->Title->SetWordWrap(true);
  form->Title->SetAutoSize(true);
  form->Title->SetWidth(60);
  form->Title->SetCaption("several words that cannot share one line");
  EXPECT_GE(form->Title->Height(), 3 * form->Title->LineHeight());
  EXPECT_EQ(form->Title->Width(), 60);
}

TEST_F(Win32Backend, AModalFormEndsWithItsResultOrCancelWhenClosed) {
  TestForm dialog;
  platform_test::Later([&] {
    EXPECT_TRUE(dialog.InModal());
    EXPECT_FALSE(IsWindowEnabled(platform::win32::HwndOf(*form)));
    dialog.SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_TRUE(IsWindowEnabled(platform::win32::HwndOf(*form)));

  bool asked = false;
  dialog.OnCloseQuery = [&] { return std::exchange(asked, true); };
  platform_test::Later([&] { dialog.Close(); });
  platform_test::Later([&] { dialog.Close(); }, 50);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_TRUE(asked);
}

TEST_F(Win32Backend, ClosingTheMainFormEndsTheMessageLoop) {
  auto* main = Application().CreateForm<TestForm>();
  int shown = 0;
  main->OnShow = [&] { ++shown; };
  platform_test::Later([main] { main->Close(); });
  Application().Run();
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(main->Visible());
  Application().DestroyForms();
}

TEST_F(Win32Backend, WorkPostedFromAnotherThreadRunsOnTheLoopsThread) {
  const DWORD loopThread = GetCurrentThreadId();
  std::atomic<DWORD> ranOn = 0;
  std::thread other([&] { PostToMainThread([&] { ranOn = GetCurrentThreadId(); }); });
  other.join();
  EXPECT_TRUE(platform_test::WaitUntil([&] { return ranOn != 0; }));
  EXPECT_EQ(ranOn, loopThread);
}

TEST_F(Win32Backend, AnErrorInAHandlerGoesToTheErrorBoxAndTheLoopGoesOn) {
  std::vector<std::string> boxes;
  platform_test::SetMessageBoxResponder([&](const MessageBoxRequest& request) {
    boxes.push_back(request.text);
    return IDOK;
  });
  form->Ok->OnClick = [] { throw std::runtime_error("It broke"); };
  platform_test::ClickAt(*form->Ok);
  platform_test::SetMessageBoxResponder(nullptr);
  EXPECT_EQ(boxes, (std::vector<std::string>{"It broke."}));
}

TEST_F(Win32Backend, AScrollBoxFillsItsParentAndScrollsItsContent) {
  TForm host;
  host.SetClientSize(200, 100);
  auto* box = host.Add<TScrollBox>("Box");
  box->SetRange(200, 400);
  auto* bottom = box->Add<TButton>("Bottom", "Bottom");
  bottom->SetBounds(10, 370, 80, 25);
  EXPECT_EQ(box->BoundsRect(), (TRect{0, 0, 200, 100}));
  host.Show();
  HWND hwnd = platform::win32::HwndOf(*box);
  SendMessageW(hwnd, WM_VSCROLL, SB_BOTTOM, 0);
  RECT button;
  GetWindowRect(platform::win32::HwndOf(*bottom), &button);
  POINT origin{0, 0};
  ClientToScreen(platform::win32::HwndOf(host), &origin);
  EXPECT_EQ(button.top - origin.y, 370 - 300);
}

// The box has no owner: it leaves the pointer as hidden as the program had it, and when it closes
// the window that was active gets the keyboard back, its focused control included.
TEST_F(Win32Backend, TheMessageBoxIsTheDesktopsOwnAboveEveryWindowAndGivesTheKeyboardBack) {
  HWND list = platform::win32::HwndOf(*form->List);
  SetFocus(list);
  ::ShowCursor(FALSE);
  int pointerCountInBox = 99;
  platform_test::Later(
      [&] {
        HWND box = FindWindowW(L"#32770", L"Caption");
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
        pointerCountInBox = ::ShowCursor(TRUE);
        ::ShowCursor(FALSE);
        PostMessageW(box, WM_COMMAND, 1, 0);
      },
      200);
  EXPECT_EQ(MessageBox({"Text", "Caption", TMsgDlgType::mtError, TMsgDlgButtons::mbOKCancel}),
            IDOK);
  ::ShowCursor(TRUE);
  EXPECT_EQ(pointerCountInBox, 0) << "the box showed the hidden pointer";
  EXPECT_EQ(GetActiveWindow(), platform::win32::HwndOf(*form));
  EXPECT_EQ(GetFocus(), list);
}

// A dialog's frame has a title bar and nothing in it: no system menu, so no close box either.
TEST_F(Win32Backend, ADialogFrameHasNoSystemMenu) {
  const LONG_PTR style = GetWindowLongPtrW(platform::win32::HwndOf(*form), GWL_STYLE);
  EXPECT_TRUE((style & WS_CAPTION) == WS_CAPTION);
  EXPECT_FALSE(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
}

// Erasing an image that holds a picture leaves the pixels on the screen alone: the old picture
// stays until the new one is drawn, with no ground colour between the two.
TEST_F(Win32Backend, AnImageWithAPictureIsNotErasedBeforeItIsDrawn) {
  form->SetColor(clBlack);
  auto* image = form->Add<TImage>("Image");
  image->SetBounds(10, 10, 40, 30);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 30);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const auto erasedPixel = [&] {
    RECT all{0, 0, 40, 30};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(memory, &all, red);
    DeleteObject(red);
    SendMessageW(platform::win32::HwndOf(*image), WM_ERASEBKGND, WPARAM(memory), 0);
    return GetPixel(memory, 5, 5);
  };
  EXPECT_EQ(erasedPixel(), RGB(0, 0, 0)) << "an image without a picture shows the ground";
  TJPEGImage broken;
  broken.LoadFromBytes({});
  image->Picture().AssignGraphic(&broken);
  EXPECT_EQ(erasedPixel(), RGB(0, 0, 0)) << "a picture that cannot be drawn shows the ground";
  TBitmap picture{TPixels(40, 30, TPixelFormat::pf24bit)};
  image->Picture().AssignGraphic(&picture);
  EXPECT_EQ(erasedPixel(), RGB(255, 0, 0));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

TEST_F(Win32Backend, AFullScreenFormCoversItsAreaOnTopWithoutTakingTheKeyboard) {
  TForm cover;
  cover.SetActivateOnShow(false);
  int shown = 0;
  cover.OnShow = [&] { ++shown; };
  cover.ShowFullScreen({0, 0, 320, 200});
  HWND hwnd = platform::win32::HwndOf(cover);
  RECT outer;
  GetWindowRect(hwnd, &outer);
  EXPECT_EQ(cover.OuterBounds(), (TRect{0, 0, 320, 200}));
  EXPECT_EQ(cover.BoundsRect(), (TRect{0, 0, 320, 200})) << "no frame";
  EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_NE(GetActiveWindow(), hwnd);
  EXPECT_EQ(shown, 1);
  cover.Activate();
  EXPECT_EQ(GetActiveWindow(), hwnd);
}

TEST_F(Win32Backend, ADialogCentredOnTheScreenIsCentredFrameIncluded) {
  TestForm dialog;
  dialog.SetPosition(TPosition::poScreenCenter);
  dialog.Show();
  const TRect outer = dialog.OuterBounds();
  EXPECT_EQ(outer.Left, (GetSystemMetrics(0) - outer.Width) / 2);
  EXPECT_EQ(outer.Top, (GetSystemMetrics(1) - outer.Height) / 2);
}

TEST_F(Win32Backend, WatchersHearOfChangedMonitorsOnceTheNewsIsIn) {
  int heard = 0;
  WatchMonitors([&] { ++heard; });
  HWND host = FindWindowW(L"QuillmorHost", nullptr);
  ASSERT_NE(host, nullptr);
  SendMessageW(host, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
  EXPECT_EQ(heard, 0);
  EXPECT_TRUE(platform_test::WaitUntil([&] { return heard == 1; }));
  EXPECT_FALSE(MonitorRects().empty());
}

TEST_F(Win32Backend, ABitmapButtonDrawsItsGlyphAtItsMarginAndItsCaptionInItsColour) {
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

TEST_F(Win32Backend, ALabelsTextSitsAtTheTopOrInTheMiddle) {
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

TEST_F(Win32Backend, AFormWithoutABorderIsItsClientArea) {
  TForm bare;
  bare.SetBorderStyle(TBorderStyle::bsNone);
  bare.SetBounds(40, 30, 200, 100);
  EXPECT_EQ(bare.OuterBounds(), (TRect{40, 30, 200, 100}));
  bare.SetBorderStyle(TBorderStyle::bsSingle);
  EXPECT_EQ(bare.BoundsRect(), (TRect{40, 30, 200, 100})) << "the client area stays put";
  EXPECT_GT(bare.OuterBounds().Height, 100);
}

TEST_F(Win32Backend, AFormThatRefusesToCloseStaysShown) {
  bool allow = false;
  form->OnCloseQuery = [&] { return allow; };
  form->Close();
  EXPECT_TRUE(form->Visible());
  allow = true;
  form->Close();
  EXPECT_FALSE(form->Visible());
}

TEST_F(Win32Backend, KeysOnAFormWithoutControlsReachItsHandler) {
  TForm display;
  display.SetBorderStyle(TBorderStyle::bsNone);
  std::vector<int> keys;
  display.OnKeyDown = [&](int key) { keys.push_back(key); };
  display.Show();
  display.Activate();
  platform_test::PressKey(display, VK_ESCAPE);
  platform_test::PressKey(display, 'q');
  platform_test::PressKey(display, VK_RETURN);
  EXPECT_EQ(keys, (std::vector<int>{VK_ESCAPE, 'Q', VK_RETURN}));
  EXPECT_EQ(platform_test::FocusedControl(display), nullptr);
}

TEST_F(Win32Backend, ControlsTakeTheirParentsFontAndColourUntilGivenTheirOwn) {
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

TEST_F(Win32Backend, TabPassesControlsThatAreNoStopsHiddenOrDisabled) {
  EXPECT_FALSE(form->Title->TabStop());
  EXPECT_TRUE(form->Ok->TabStop());
  form->SetTabOrder({form->List, form->Memo, form->Ok, form->Cancel});
  form->Memo->SetTabStop(false);
  form->Ok->SetEnabled(false);
  form->List->SetFocus();
  platform_test::PressKey(*form, VK_TAB);
  EXPECT_EQ(platform_test::FocusedControl(*form), form->Cancel);
  form->Group->Hide();
  EXPECT_TRUE(form->First->Visible()) << "set to show, on a hidden parent";
  platform_test::PressKey(*form, VK_TAB);
  EXPECT_EQ(platform_test::FocusedControl(*form), form->List) << "the radio buttons are hidden";
}

TEST_F(Win32Backend, TheLoopRunsAgainAfterItWasEndedAndQuitOutsideItDoesNothing) {
  Application().Quit();
  auto* main = Application().CreateForm<TestForm>();
  for (int run = 0; run < 2; ++run) {
    int laterRuns = 0;
    platform_test::Later([&] { ++laterRuns; }, 20);
    platform_test::Later([&] { main->Close(); }, 60);
    Application().Run();
    EXPECT_EQ(laterRuns, 1);
  }
  Application().DestroyForms();
}

TEST_F(Win32Backend, ProcessMessagesRunsWhatWaitsAndReturns) {
  int ran = 0;
  PostToMainThread([&] { ++ran; });
  PostToMainThread([&] { ++ran; });
  Application().ProcessMessages();
  EXPECT_EQ(ran, 2);
}

TEST_F(Win32Backend, AMemoShowsItsScrollBarOnlyWhenAskedTo) {
  HWND memo = platform::win32::HwndOf(*form->Memo);
  EXPECT_FALSE(GetWindowLongPtrW(memo, GWL_STYLE) & WS_VSCROLL);
  form->Memo->SetScrollBars(TScrollStyle::ssVertical);
  EXPECT_TRUE(GetWindowLongPtrW(memo, GWL_STYLE) & WS_VSCROLL);
  RECT client;
  GetClientRect(memo, &client);
  EXPECT_LT(client.right, 180 - GetSystemMetrics(SM_CXVSCROLL) + 1);
}

} // namespace
