#include <gtest/gtest.h>

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include "Usave5.h"
#include "info/modal_guard.h"
#include "platform/system.h"
#include "support/temp_root.h"

namespace {

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
      shownWhileModal = form.isVisible();
      form.Button1->click();
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_TRUE(shownWhileModal);
    EXPECT_FALSE(form.isVisible());
  }
}

TEST_F(AboutBox, IsBorderlessGreyAndCentredOnTheScreenWhenShown) {
  EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(form.size(), QSize(514, 336));
  EXPECT_EQ(form.windowTitle(), "Quillmor");
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(128, 128, 128));
  EXPECT_EQ(form.font().pixelSize(), 11);

  platform_test::SetScreenSize(std::pair{800, 600});
  QPoint shownAt;
  ShowModalWith(form, [&] {
    shownAt = form.pos();
    form.Button1->click();
  });
  EXPECT_EQ(shownAt, QPoint(143, 132));
}

TEST_F(AboutBox, FramesAndButtonSitWhereTheLayoutPutsThemAndLabelsFitInsideTheirFrames) {
  EXPECT_EQ(form.GroupBox1->geometry(), QRect(8, 16, 489, 273));
  EXPECT_TRUE(form.GroupBox1->title().isEmpty());
  EXPECT_EQ(form.GroupBox2->parentWidget(), form.GroupBox1);
  EXPECT_EQ(form.GroupBox2->geometry(), QRect(28, 64, 437, 169));
  EXPECT_EQ(form.GroupBox2->title(), "Disclaimer");
  EXPECT_EQ(form.GroupBox2->font().pixelSize(), 13);
  EXPECT_EQ(form.Button1->geometry(), QRect(412, 300, 75, 25));
  EXPECT_EQ(form.Button1->text(), "Return");

  EXPECT_EQ(form.Label1->parentWidget(), form.GroupBox1);
  for (QLabel* label : {form.Label2, form.Label3, form.Label4})
    EXPECT_EQ(label->parentWidget(), form.GroupBox2);
  for (QLabel* label : {form.Label1, form.Label2, form.Label3, form.Label4}) {
    SCOPED_TRACE(label->text().toStdString());
    EXPECT_TRUE(label->parentWidget()->rect().contains(label->geometry()));
    EXPECT_LE(label->heightForWidth(label->width()), label->height()) << "text is cut off";
  }
}

TEST_F(AboutBox, NoticeNamesTheVersionAndTheDisclaimerRunsOnFromOneLabelIntoTheNext) {
  EXPECT_TRUE(form.Label1->text().contains("Version 2.0"));
  EXPECT_TRUE(form.Label1->text().contains("Quillmor Screensaver developers"));
  EXPECT_FALSE(form.Label2->text().endsWith('.'));
  EXPECT_TRUE(form.Label3->text().at(0).isLower());
  EXPECT_TRUE(form.Label3->text().endsWith('.'));

  // A full stop that ends a sentence with more text after it is followed by two blanks.
  const QRegularExpression singleBlank(R"(\.( |\n)?[^ \n])");
  for (QLabel* label : {form.Label1, form.Label2, form.Label3, form.Label4}) {
    QString sentences = label->text();
    sentences.replace("2.0", "2");
    EXPECT_FALSE(sentences.contains(singleBlank)) << sentences.toStdString();
  }
}

TEST_F(AboutBox, TheRunOnSentenceHasNoBlankLineAndTheFramesStandOutFromTheGrey) {
  // Label3 starts on the line right after Label2's last line; Label4 after one blank line.
  const int line = form.Label2->fontMetrics().lineSpacing();
  EXPECT_EQ(form.Label2->height(), form.Label2->heightForWidth(form.Label2->width()));
  EXPECT_EQ(form.Label3->y(), form.Label2->geometry().bottom() + 1);
  EXPECT_EQ(form.Label3->x(), form.Label2->x());
  EXPECT_EQ(form.Label4->y(), form.Label3->geometry().bottom() + 1 + line);
  EXPECT_LE(form.Label4->geometry().bottom(), form.GroupBox2->height() - 2);

  const QImage face = form.grab().toImage();
  const auto lightness = [&](QPoint at) { return qGray(face.pixel(at)); };
  ASSERT_EQ(lightness(QPoint(4, 4)), 128);
  // Each frame's left edge, halfway down: a dark line and a white one beside it.
  for (const QWidget* frame : {form.GroupBox1, form.GroupBox2}) {
    const QPoint edge = frame->mapTo(&form, QPoint(0, frame->height() / 2));
    EXPECT_LE(lightness(edge), 128 - 48) << frame->objectName().toStdString();
    EXPECT_GE(lightness(edge + QPoint(1, 0)), 128 + 96);
  }
}

} // namespace
