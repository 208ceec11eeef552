// The Qt backend's file-open dialog as a user meets it: the filter as given, a path typed into it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTimer>

#include "platform/dialogs.h"
#include "platform/testing.h"
#include "support/temp_root.h"
#include "support/user_input.h"

TEST(OpenFileDialog, NamesItsFilterAsGivenAndTakesATypedPath) {
  TempRoot root;
  platform_test::SetOpenFileResponder({});
  const std::string typed = (root.DriveC() / "typed.mid").string();
  QString shownFilter;
  QStringList patterns;
  std::string focusedWhenOpened;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog)
      return;
    if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo"))
      shownFilter = types->currentText();
    if (auto* files = dialog->findChild<QFileSystemModel*>())
      patterns = files->nameFilters();
    if (!ShowActive(*dialog))
      return dialog->reject();
    if (const QWidget* focused = QApplication::focusWidget())
      focusedWhenOpened = focused->metaObject()->className();
    TypeText(QString::fromStdString(typed));
    PressKey(Qt::Key_Return);
    if (dialog->isVisible())
      dialog->reject();
  });
  OpenFileRequest request;
  request.filter = "wav (*.wav);midi (*.mid)|*.wav;*.mid";
  const std::optional<std::string> chosen = GetOpenFileName(request);
  EXPECT_EQ(shownFilter, "wav (*.wav);midi (*.mid)");
  EXPECT_EQ(patterns, (QStringList{"*.wav", "*.mid"}));
  EXPECT_EQ(focusedWhenOpened, "QLineEdit");
  EXPECT_EQ(chosen, typed);
}
