// Real message boxes, answered with the mouse through their own windows as a user's click is.
#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "support/qt_modal_box.h"

TEST(MessageBoxes, ShowTheirTextAsPlainText) {
  std::string shown;
  Qt::TextFormat format = Qt::AutoText;
  const auto watch = WhenABoxOpens([&](QMessageBox& box) {
    const auto* label = box.findChild<QLabel*>("qt_msgbox_label");
    if (label) {
      shown = label->text().toStdString();
      format = label->textFormat();
    }
    ClickThroughWindow(ButtonOf(box, "OK"));
  });
  const std::string text = "Unable to write to C:\\<b>W\\quilmr20.ini.";
  EXPECT_EQ(MessageDlg(text, TMsgDlgType::mtError, TMsgDlgButtons::mbOK), IDOK);
  EXPECT_EQ(shown, text);
  EXPECT_EQ(format, Qt::PlainText);
}

TEST(MessageBoxes, ClickingCancelGivesCancel) {
  const auto watch =
      WhenABoxOpens([](QMessageBox& box) { ClickThroughWindow(ButtonOf(box, "Cancel")); });
  EXPECT_EQ(MessageDlg("Remove?", TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbOKCancel),
            IDCANCEL);
}
