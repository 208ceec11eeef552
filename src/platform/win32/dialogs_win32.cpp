// The desktop's message box, file-open dialog and folder picker.
#include <optional>
#include <vector>

#include "platform/backend.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/handles_win32.h"
#include "platform/win32/text_win32.h"

// After windows.h, which they build on.
#include <shlobj.h>
#include <shobjidl.h>

using platform::win32::ComPtr;
using platform::win32::TaskMemory;

namespace {

UINT IconOf(TMsgDlgType kind) {
  switch (kind) {
  case TMsgDlgType::mtWarning:
    return MB_ICONWARNING;
  case TMsgDlgType::mtError:
    return MB_ICONERROR;
  case TMsgDlgType::mtInformation:
    return MB_ICONINFORMATION;
  case TMsgDlgType::mtConfirmation:
    return MB_ICONQUESTION;
  }
  return 0;
}

// The pointer may be hidden by the display; the file-open dialog must still be usable, so it shows
// the pointer while it is open.
class PointerShownWhileOpen {
public:
  PointerShownWhileOpen() {
    while (::ShowCursor(TRUE) < 0)
      ++raised_;
    ++raised_;
  }
  ~PointerShownWhileOpen() {
    for (; raised_ > 0; --raised_)
      ::ShowCursor(FALSE);
  }
  PointerShownWhileOpen(const PointerShownWhileOpen&) = delete;
  PointerShownWhileOpen& operator=(const PointerShownWhileOpen&) = delete;

private:
  int raised_ = 0;
};

// A box without an owner leaves nothing active when it closes: the window that had the
// keyboard gets it back, and every window of the program is drawn again where the box was.
class ActivationKept {
public:
  ActivationKept() : active_(GetActiveWindow()), focus_(GetFocus()) {}
  ActivationKept(const ActivationKept&) = delete;
  ActivationKept& operator=(const ActivationKept&) = delete;
  ~ActivationKept() {
    EnumThreadWindows(GetCurrentThreadId(), &Redraw, 0);
    if (!active_ || !IsWindow(active_))
      return;
    SetForegroundWindow(active_);
    SetActiveWindow(active_);
    if (focus_ && IsWindow(focus_))
      SetFocus(focus_);
  }

private:
  static BOOL CALLBACK Redraw(HWND hwnd, LPARAM) {
    platform::win32::Invalidate(hwnd);
    return TRUE;
  }
  HWND active_;
  HWND focus_;
};

// The message box goes above every window, a topmost display included, as soon as it is
// activated: not every implementation of the desktop honours MB_TOPMOST.
LRESULT CALLBACK RaiseBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE)
    SetWindowPos(reinterpret_cast<HWND>(wParam), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class BoxesRaised {
public:
  BoxesRaised() : hook_(SetWindowsHookExW(WH_CBT, &RaiseBox, nullptr, GetCurrentThreadId())) {}
  BoxesRaised(const BoxesRaised&) = delete;
  BoxesRaised& operator=(const BoxesRaised&) = delete;
  ~BoxesRaised() {
    if (hook_)
      UnhookWindowsHookEx(hook_);
  }

private:
  HHOOK hook_;
};

// "description|patterns|description|patterns" as the dialog wants it: each part ended by a
// null character, the whole by another.
std::wstring FilterOf(const std::string& filter) {
  std::wstring result = platform::win32::Wide(filter);
  for (wchar_t& c : result) {
    if (c == L'|')
      c = L'\0';
  }
  result.push_back(L'\0');
  result.push_back(L'\0');
  return result;
}

// The picker of the desktops since Vista; empty where there is none.
ComPtr<IFileOpenDialog> NewFolderPicker() {
  ComPtr<IFileOpenDialog> dialog;
  CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.Put()));
  return dialog;
}

std::optional<std::string> PathOf(IShellItem& item) {
  wchar_t* path = nullptr;
  if (FAILED(item.GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path)
    return std::nullopt;
  const TaskMemory<wchar_t> held(path);
  return platform::win32::Narrow(path);
}

std::optional<std::string> PickWith(IFileOpenDialog& dialog, const SelectFolderRequest& request,
                                    HWND owner) {
  using platform::win32::Wide;
  FILEOPENDIALOGOPTIONS options = 0;
  dialog.GetOptions(&options);
  dialog.SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  if (!request.title.empty())
    dialog.SetTitle(Wide(request.title).c_str());
  ComPtr<IShellItem> initial;
  if (!request.initialFolder.empty() &&
      SUCCEEDED(SHCreateItemFromParsingName(Wide(request.initialFolder).c_str(), nullptr,
                                            IID_PPV_ARGS(initial.Put()))))
    dialog.SetFolder(initial.Get());
  // Cancel, or a picker that could not be shown: nothing is chosen either way.
  ComPtr<IShellItem> chosen;
  if (FAILED(dialog.Show(owner)) || FAILED(dialog.GetResult(chosen.Put())))
    return std::nullopt;
  return PathOf(*chosen.Get());
}

// The older desktops' folder browser opens where it is told once it is shown.
int CALLBACK StartIn(HWND browser, UINT msg, LPARAM, LPARAM folder) {
  if (msg == BFFM_INITIALIZED && folder)
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, folder);
  return 0;
}

std::optional<std::string> BrowseWith(const SelectFolderRequest& request, HWND owner) {
  using platform::win32::Wide;
  const std::wstring title = Wide(request.title);
  const std::wstring initial = Wide(request.initialFolder);
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  browse.lpfn = &StartIn;
  browse.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(initial.c_str());
  const TaskMemory<ITEMIDLIST> chosen(SHBrowseForFolderW(&browse));
  wchar_t path[MAX_PATH] = {};
  if (!chosen || !SHGetPathFromIDListW(chosen.get(), path))
    return std::nullopt;
  return platform::win32::Narrow(path);
}

} // namespace

int platform_backend::ShowMessageBox(const MessageBoxRequest& request) {
  using platform::win32::Wide;
  const std::wstring text = Wide(request.text);
  const std::wstring caption = Wide(request.caption);
  const UINT buttons = request.buttons == TMsgDlgButtons::mbOKCancel ? MB_OKCANCEL : MB_OK;
  ActivationKept activation;
  BoxesRaised raised;
  // Above a topmost full-screen display, and every window of the program waits for it.
  const int answer =
      MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                  buttons | IconOf(request.icon) | MB_TOPMOST | MB_TASKMODAL | MB_SETFOREGROUND);
  return answer == 1 ? IDOK : IDCANCEL;
}

std::optional<std::string> platform_backend::ShowOpenFileDialog(const OpenFileRequest& request) {
  using platform::win32::Wide;
  const std::wstring filter = FilterOf(request.filter);
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring initial = Wide(request.initialPath);
  initial.copy(file.data(), std::min(initial.size(), file.size() - 1));
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = DWORD(file.size());
  dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
  if (request.hideReadOnly)
    dialog.Flags |= OFN_HIDEREADONLY;
  if (request.mustExist)
    dialog.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  PointerShownWhileOpen pointer;
  if (!GetOpenFileNameW(&dialog))
    return std::nullopt;
  return platform::win32::Narrow(file.data());
}

std::optional<std::string> platform_backend::ShowFolderDialog(const SelectFolderRequest& request) {
  const platform::win32::ComApartment apartment;
  if (!apartment.Ready())
    return std::nullopt;
  HWND owner = GetActiveWindow();
  // An owned picker stands above its owner; one without is raised above a topmost display as the
  // message box is.
  std::optional<BoxesRaised> raised;
  if (!owner)
    raised.emplace();
  PointerShownWhileOpen pointer;
  if (ComPtr<IFileOpenDialog> dialog = NewFolderPicker())
    return PickWith(*dialog.Get(), request, owner);
  return BrowseWith(request, owner);
}
