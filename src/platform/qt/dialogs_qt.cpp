// The message box and the file-open dialog through Qt's.
#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/backend.h"
#include "platform/dialogs.h"
#include "platform/qt/forms_qt.h"
#include "platform/scale.h"

namespace {

QMessageBox::Icon IconOf(TMsgDlgType kind) {
  switch (kind) {
  case TMsgDlgType::mtWarning:
    return QMessageBox::Warning;
  case TMsgDlgType::mtError:
    return QMessageBox::Critical;
  case TMsgDlgType::mtInformation:
    return QMessageBox::Information;
  case TMsgDlgType::mtConfirmation:
    return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

// The pointer may be hidden by the display; a box must still be usable, so it shows the pointer
// while it is open.
class PointerShownWhileOpen {
public:
  PointerShownWhileOpen() { QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor)); }
  ~PointerShownWhileOpen() { QApplication::restoreOverrideCursor(); }
  PointerShownWhileOpen(const PointerShownWhileOpen&) = delete;
  PointerShownWhileOpen& operator=(const PointerShownWhileOpen&) = delete;
};

// Qt's own dialogs at the desktop's scale: their fonts here, their other sizes through the style.
void FollowDesktopScale(QWidget& dialog) {
  const double ratio = platform::qt::DialogFontRatio(&dialog);
  if (ratio == 1.0)
    return;
  QFont font = dialog.font();
  if (font.pixelSize() > 0)
    font.setPixelSize(TScale(ratio).Length(font.pixelSize()));
  else
    font.setPointSizeF(font.pointSizeF() * ratio);
  dialog.setFont(font);
}

} // namespace

int platform_backend::ShowMessageBox(const MessageBoxRequest& request) {
  QMessageBox box(IconOf(request.icon), QString::fromStdString(request.caption),
                  QString::fromStdString(request.text), QMessageBox::NoButton,
                  QApplication::activeWindow());
  // Above a topmost full-screen display, also where no window manager stacks transients.
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  QPushButton* ok = box.addButton("OK", QMessageBox::AcceptRole);
  QPushButton* cancel = nullptr;
  if (request.buttons == TMsgDlgButtons::mbOKCancel)
    cancel = box.addButton("Cancel", QMessageBox::RejectRole);
  // The text is shown as given: a path such as C:\<b>W keeps its characters.
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel ? cancel : ok);
  FollowDesktopScale(box);
  PointerShownWhileOpen pointer;
  box.exec();
  return box.clickedButton() == ok ? IDOK : IDCANCEL;
}

// Qt's dialog has no read-only check box, so hideReadOnly has nothing to hide.
std::optional<std::string> platform_backend::ShowOpenFileDialog(const OpenFileRequest& request) {
  const QString filter = QString::fromStdString(request.filter);
  const qsizetype bar = filter.indexOf('|');
  // One entry: its description, then its patterns in brackets as Qt's dialog expects them; the
  // dialog shows the description alone, as the filter names it.
  const QString entry =
      bar < 0 ? filter : filter.left(bar) + " (" + filter.mid(bar + 1).replace(';', ' ') + ")";
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setOption(QFileDialog::HideNameFilterDetails, bar >= 0);
  dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setNameFilter(entry);
  FollowDesktopScale(dialog);
  if (!request.initialPath.empty())
    dialog.selectFile(QString::fromStdString(request.initialPath));
  PointerShownWhileOpen pointer;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> platform_backend::ShowFolderDialog(const SelectFolderRequest& request) {
  QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                     QString::fromStdString(request.initialFolder));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  FollowDesktopScale(dialog);
  PointerShownWhileOpen pointer;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}
