// What each backend supplies to the portable services in system.cpp and dialogs.cpp: the
// desktop's own answers, which the portable side replaces with the tests' while they ask it to.
// Not for the windows: they use system.h and dialogs.h.
#pragma once

#include <optional>
#include <string>
#include <utility>

struct MessageBoxRequest;
struct OpenFileRequest;

namespace platform_backend {

// The primary screen's width and height in device pixels; 0 x 0 when there is none.
std::pair<int, int> PrimaryScreenPixels();
// Bits per pixel of the primary screen now.
int ScreenDepth();
// Hides or shows the pointer over every window of the program.
void SetPointerHidden(bool hidden);
// The desktop's "open" of an address.
void OpenInShell(const std::string& address);
// The modal box and the file-open dialog themselves (see dialogs.h).
int ShowMessageBox(const MessageBoxRequest& request);
std::optional<std::string> ShowOpenFileDialog(const OpenFileRequest& request);

} // namespace platform_backend
