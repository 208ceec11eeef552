#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>

#include "info/modal_guard.h"
#include "platform/bitbtn.h"
#include "platform/system.h"
#include "platform/timer.h"
#include "support/temp_root.h"
#include "support/user_input.h"
#include "udownld.h"

namespace {

constexpr unsigned kMaroon = TFrmdownld::kMaroon;
constexpr unsigned kRed = TFrmdownld::kRed;

class MoreSoftwareWindow : public ::testing::Test {
protected:
  MoreSoftwareWindow() {
    platform_test::SetShellOpener(
        [this](const std::string& address) { opened.push_back(address); });
    form.FormCreate();
  }
  ~MoreSoftwareWindow() override { platform_test::SetShellOpener(nullptr); }

  std::vector<unsigned> ButtonColours() const {
    return {form.cmddown1->FontColor(), form.cmddown2->FontColor(), form.cmddown3->FontColor()};
  }

  TempRoot root;
  std::vector<std::string> opened;
  TFrmdownld form;
};

TEST_F(MoreSoftwareWindow, CreationTintsTheBackgroundAndStartsTheBlinkTimer) {
  TFrmdownld uncreated;
  EXPECT_FALSE(uncreated.Timer1->Enabled());
  EXPECT_EQ(uncreated.Timer1->Interval(), 2500);

  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_TRUE(form.Timer1->Running());
  EXPECT_EQ(form.Timer1->Interval(), 2500);
  EXPECT_EQ(form.ScrollContent->palette().color(QPalette::Window), QColor(175, 175, 153));
  EXPECT_EQ(form.ScrollArea->viewport()->palette().color(QPalette::Window), QColor(175, 175, 153));
}

TEST_F(MoreSoftwareWindow, DownloadButtonsBlinkTogetherBetweenMaroonAndRedWhetherShownOrNot) {
  using Colours = std::vector<unsigned>;
  EXPECT_EQ(ButtonColours(), (Colours{kMaroon, kMaroon, kMaroon}));
  form.Timer1->Tick();
  EXPECT_EQ(ButtonColours(), (Colours{kRed, kRed, kRed}));
  EXPECT_EQ(form.cmddown2->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
  form.Timer1->Tick();
  EXPECT_EQ(ButtonColours(), (Colours{kMaroon, kMaroon, kMaroon}));
  EXPECT_EQ(form.cmddown3->palette().color(QPalette::ButtonText), QColor(128, 0, 0));

  // The window opens in whichever colour the last tick left.
  form.Timer1->Tick();
  Colours whileShown;
  ShowModalWith(form, [&] {
    whileShown = ButtonColours();
    form.Timer1->Tick();
    form.BitBtn1->click();
  });
  EXPECT_EQ(whileShown, (Colours{kRed, kRed, kRed}));
  EXPECT_EQ(ButtonColours(), (Colours{kMaroon, kMaroon, kMaroon}));
}

TEST_F(MoreSoftwareWindow, EachDownloadButtonOpensItsOwnAddressAndLeavesTheWindowOpen) {
  bool openAfterClicks = false;
  const int result = ShowModalWith(form, [&] {
    form.cmddown2->click();
    form.cmddown1->click();
    form.cmddown3->click();
    openAfterClicks = form.isVisible() && form.InModal();
    form.BitBtn1->click();
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

TEST_F(MoreSoftwareWindow, OkEnterAndTheCloseBoxEndTheModalDisplayAndTypedTextSurvives) {
  EXPECT_EQ(ShowModalWith(form,
                          [&] {
                            form.Memo2->setPlainText("typed by the user");
                            form.BitBtn1->click();
                          }),
            mrOk);
  EXPECT_FALSE(form.isVisible());

  QString memoOnSecondShowing;
  EXPECT_EQ(ShowModalWith(form,
                          [&] {
                            memoOnSecondShowing = form.Memo2->toPlainText();
                            form.close();
                          }),
            mrCancel);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(memoOnSecondShowing, "typed by the user");

  EXPECT_EQ(ShowModalWith(form,
                          [&] {
                            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                            QApplication::sendEvent(&form, &enter);
                          }),
            mrOk);
  EXPECT_TRUE(opened.empty());
}

TEST_F(MoreSoftwareWindow, ControlsSitAtTheirPlacesInAFixedScrollingArea) {
  EXPECT_EQ(form.windowTitle(), "More Software");
  EXPECT_EQ(form.pos(), QPoint(102, 23));
  EXPECT_EQ(form.Label1->geometry(), QRect(13, 4, 420, 69));
  EXPECT_EQ(form.Label2->geometry(), QRect(21, 88, 212, 33));
  EXPECT_EQ(form.cmddown1->geometry(), QRect(250, 90, 119, 25));
  EXPECT_EQ(form.Memo1->geometry(), QRect(16, 123, 377, 99));
  EXPECT_EQ(form.cmddown2->geometry(), QRect(250, 244, 119, 25));
  EXPECT_EQ(form.Memo2->geometry(), QRect(17, 278, 376, 110));
  EXPECT_EQ(form.Label4->geometry(), QRect(28, 404, 221, 24));
  EXPECT_EQ(form.cmddown3->geometry(), QRect(250, 407, 119, 25));
  EXPECT_EQ(form.Memo3->geometry(), QRect(17, 438, 376, 102));
  EXPECT_EQ(form.BitBtn1->geometry(), QRect(352, 559, 75, 26));
  for (TBitBtn* button : {form.cmddown1, form.cmddown2, form.cmddown3})
    EXPECT_EQ(button->text(), "Download Here");
  EXPECT_EQ(form.cmddown1->Margin(), 3);
  EXPECT_EQ(form.cmddown2->Margin(), 3);
  EXPECT_EQ(form.cmddown3->Margin(), -1);
  EXPECT_EQ(form.BitBtn1->text(), "OK");
  EXPECT_TRUE(form.BitBtn1->isDefault());
  EXPECT_EQ(form.Label1->text().toStdString(),
            "Click any button to download any of the software programs listed. If your browser "
            "does not open when you click the download button, you can point your browser to " +
                std::string(DownloadPage) + " to select your software download.");

  form.show();
  QApplication::processEvents();
  // The whole window, frame included, has the outer size once the frame is known.
  EXPECT_EQ(form.frameGeometry(), QRect(102, 23, 458, 365));
  // The third program and the OK button lie below the first view; the range does not follow
  // the window.
  EXPECT_GT(form.ScrollArea->verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(form.ScrollContent->height(), 600);
  form.resize(900, 900);
  QApplication::processEvents();
  EXPECT_EQ(form.ScrollContent->height(), 600);
  EXPECT_EQ(form.ScrollContent->minimumWidth(), 419);
  form.hide();
}

TEST_F(MoreSoftwareWindow, TabAndShiftTabLeaveTheDescriptionBoxesInTheirOrder) {
  const std::vector<QWidget*> order = {form.Memo1,    form.Memo2, form.BitBtn1, form.cmddown1,
                                       form.cmddown2, form.Memo3, form.cmddown3};
  std::vector<QWidget*> forwards, backwards;
  ShowModalWith(form, [&] {
    if (!ShowActive(form))
      return form.SetModalResult(mrCancel);
    form.Memo1->setFocus(Qt::TabFocusReason);
    forwards.push_back(QApplication::focusWidget());
    for (std::size_t step = 0; step < order.size(); ++step) {
      PressKey(Qt::Key_Tab, Qt::NoModifier, "\t");
      forwards.push_back(QApplication::focusWidget());
    }
    backwards.push_back(QApplication::focusWidget());
    for (std::size_t step = 0; step < order.size(); ++step) {
      PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
      backwards.push_back(QApplication::focusWidget());
    }
    form.BitBtn1->click();
  });
  std::vector<QWidget*> expected = order;
  expected.push_back(order.front());
  EXPECT_EQ(forwards, expected);
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(backwards, expected);
  for (QPlainTextEdit* memo : {form.Memo1, form.Memo2, form.Memo3})
    EXPECT_FALSE(memo->toPlainText().contains('\t'));
}

TEST(DownloadArrowPicture, IsATealArrowWithABlackOutlineOnATransparentGround) {
  const QImage arrow = DownloadArrow().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(arrow.size(), QSize(13, 13));
  EXPECT_EQ(qAlpha(arrow.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(arrow.pixel(12, 12)), 0);
  EXPECT_EQ(arrow.pixel(6, 6), qRgb(0, 128, 128));
  EXPECT_EQ(arrow.pixel(12, 6), qRgb(0, 0, 0)); // the tip points right
  EXPECT_EQ(arrow.pixel(0, 6), qRgb(0, 0, 0));
  EXPECT_EQ(qAlpha(arrow.pixel(12, 5)), 0);
}

} // namespace
