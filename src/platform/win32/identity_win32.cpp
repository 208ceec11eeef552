// On Windows a window is found by the desktop itself: a top-level window with the class and
// caption is all the registration there is.
#include "platform/identity.h"

#include "platform/win32/utf16_win32.h"

#include <windows.h>
// Ours bears the desktop's name; its header maps that to its own A/W pair.
#undef FindWindow

using platform::win32::WideFromUtf8;

struct WindowIdentity::Lock {};

WindowIdentity::WindowIdentity(const std::string&, const std::string&) {}

WindowIdentity::~WindowIdentity() = default;

// Windows inside another program's window are child windows, which FindWindow never sees.
void RegisterNoWindowIdentities() {}

bool FindWindow(const std::string& className, const std::string& caption) {
  return FindWindowW(WideFromUtf8(className).c_str(), WideFromUtf8(caption).c_str()) != nullptr;
}
