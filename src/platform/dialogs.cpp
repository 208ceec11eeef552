#include "platform/dialogs.h"

#include "platform/backend_services.h"
#include "platform/testing.h"

namespace {

std::function<int(const MessageBoxRequest&)>& Responder() {
  static std::function<int(const MessageBoxRequest&)> responder;
  return responder;
}

std::function<std::optional<std::string>(const OpenFileRequest&)>& FileResponder() {
  static std::function<std::optional<std::string>(const OpenFileRequest&)> responder;
  return responder;
}

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
  if (Responder())
    return Responder()(request);
  return platform_backend::ShowMessageBox(request);
}

int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons) {
  return MessageBox({text, CaptionOf(kind), kind, buttons});
}

std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) {
  if (FileResponder())
    return FileResponder()(request);
  return platform_backend::ShowOpenFileDialog(request);
}

void platform_test::SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder) {
  Responder() = std::move(responder);
}

void platform_test::SetOpenFileResponder(
    std::function<std::optional<std::string>(const OpenFileRequest&)> responder) {
  FileResponder() = std::move(responder);
}
