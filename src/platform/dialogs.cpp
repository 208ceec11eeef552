#include "platform/dialogs.h"

#include "platform/backend.h"
#include "platform/stand_ins.h"

namespace {

const char* CaptionOf(TMsgDlgType kind) {
  switch (kind) {
  case TMsgDlgType::mtWarning:
    return "Warning";
  case TMsgDlgType::mtError:
    return "Error";
  case TMsgDlgType::mtInformation:
    return "Information";
  case TMsgDlgType::mtConfirmation:
    return "Confirm";
  }
  return "";
}

} // namespace

int MessageBox(const MessageBoxRequest& request) {
  if (StandIns().messageBox)
    return StandIns().messageBox(request);
  return platform_backend::ShowMessageBox(request);
}

int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons) {
  return MessageBox({text, CaptionOf(kind), kind, buttons});
}

std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) {
  if (StandIns().openFile)
    return StandIns().openFile(request);
  return platform_backend::ShowOpenFileDialog(request);
}

std::optional<std::string> SelectFolder(const SelectFolderRequest& request) {
  if (StandIns().selectFolder)
    return StandIns().selectFolder(request);
  return platform_backend::ShowFolderDialog(request);
}
