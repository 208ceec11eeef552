// While the Win32 windows are not built into the platform: what the services' tests reach through
// the application object, answered without any window. The error box goes to stderr.
#include <cstdio>

#include "platform/application.h"
#include "platform/backend_services.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/forms.h"

struct TApplication::Host {};

TApplication::TApplication() = default;
TApplication::~TApplication() = default;
void TApplication::RunMessageLoop() {}
void TControl::SetVisible(bool) {}

namespace platform_backend {

std::pair<int, int> PrimaryScreenPixels() {
  return {0, 0};
}
int ScreenDepth() {
  return 32;
}
void SetPointerHidden(bool) {}
void OpenInShell(const std::string&) {}
int ShowMessageBox(const MessageBoxRequest& request) {
  std::fprintf(stderr, "message box: %s\n", request.text.c_str());
  return IDOK;
}
std::optional<std::string> ShowOpenFileDialog(const OpenFileRequest&) {
  return std::nullopt;
}

} // namespace platform_backend
