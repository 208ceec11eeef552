// What only the Win32 backend has: the desktop's window classes, styles and messages, read back
// from the windows themselves. What every backend shares is in tests/platform/controls_test.cpp.
#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/testing.h"
#include "platform/win32/peer.h"
#include "support/control_form.h"

// From system.h, which cannot share a file with windows.h (both declare GetSystemMetrics).
std::vector<TRect> MonitorRects();
void WatchMonitors(std::function<void()> changed);

namespace {

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

TEST_F(Win32Backend, AFramedFormIsLargerThanItsClientArea) {
  const TRect outer = form->OuterBounds();
  EXPECT_GT(outer.Width, 400);
  EXPECT_GT(outer.Height, 300);
}

TEST_F(Win32Backend, APanelsBevelTakesTheDesktopsShadowAndHighlight) {
  const TPixels panel = platform_test::Grab(*form->Panel);
  EXPECT_EQ(panel.Pixel(0, 20), TColor(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(panel.Pixel(59, 20), TColor(GetSysColor(COLOR_BTNHIGHLIGHT)));
}

TEST_F(Win32Backend, AModalFormDisablesTheOtherWindowsWhileItIsShown) {
  TestForm dialog;
  platform_test::Later([&] {
    EXPECT_FALSE(IsWindowEnabled(platform::win32::HwndOf(*form)));
    dialog.SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_TRUE(IsWindowEnabled(platform::win32::HwndOf(*form)));
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

TEST_F(Win32Backend, AFullScreenFormIsTopmostAndTakesTheKeyboardOnlyWhenActivated) {
  TForm cover;
  cover.SetActivateOnShow(false);
  cover.ShowFullScreen({0, 0, 320, 200});
  HWND hwnd = platform::win32::HwndOf(cover);
  EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_NE(GetActiveWindow(), hwnd);
  cover.Activate();
  EXPECT_EQ(GetActiveWindow(), hwnd);
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
