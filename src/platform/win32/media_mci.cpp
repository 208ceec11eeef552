// The media player over the desktop's Media Control Interface: the device is chosen from the
// file, and the end of a play comes back as MM_MCINOTIFY to a hidden window of the player's own.
#include <memory>
#include <string>
#include <type_traits>

#include "platform/application.h"
#include "platform/media.h"
#include "platform/win32/utf16_win32.h"

#include <windows.h>

#include <mmsystem.h>

using platform::win32::Utf8FromWide;
using platform::win32::WideFromUtf8;

namespace {

constexpr const char* kNoDevice = "No MCI device open";
constexpr const char* kUnknownError = "Unknown error code";
constexpr const wchar_t* kWindowClass = L"QuillmorMediaPlayer";

std::string MciErrorText(MCIERROR error) {
  wchar_t text[MAXERRORLENGTH] = {};
  if (!mciGetErrorStringW(error, text, MAXERRORLENGTH) || text[0] == L'\0')
    return kUnknownError;
  return Utf8FromWide(text);
}

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void RegisterPlayerClass() {
  static const bool registered = [] {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = PlayerWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassW(&windowClass) != 0;
  }();
  (void)registered;
}

struct WindowDestroyer {
  void operator()(HWND window) const { DestroyWindow(window); }
};

} // namespace

struct TMediaPlayer::Native {
  MCIDEVICEID device = 0;
  // Message-only: it never shows and never takes part in FindWindow.
  std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer> window;

  static void Notified(TMediaPlayer& player, WPARAM reason, MCIDEVICEID device);
  static void RequireOpen(const TMediaPlayer& player);
};

namespace {

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MM_MCINOTIFY) {
    if (auto* player = reinterpret_cast<TMediaPlayer*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
      TMediaPlayer::Native::Notified(*player, wParam, MCIDEVICEID(lParam));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TMPNotifyValues NotifyValueOf(WPARAM reason) {
  switch (reason) {
  case MCI_NOTIFY_SUCCESSFUL:
    return TMPNotifyValues::nvSuccessful;
  case MCI_NOTIFY_SUPERSEDED:
    return TMPNotifyValues::nvSuperseded;
  case MCI_NOTIFY_ABORTED:
    return TMPNotifyValues::nvAborted;
  default:
    return TMPNotifyValues::nvFailure;
  }
}

} // namespace

void TMediaPlayer::Native::Notified(TMediaPlayer& player, WPARAM reason, MCIDEVICEID device) {
  // A notification of a sound closed since is not this sound's.
  if (device != player.native_->device)
    return;
  player.notifyValue_ = NotifyValueOf(reason);
  if (player.OnNotify)
    RunHandler(player.OnNotify);
}

void TMediaPlayer::Native::RequireOpen(const TMediaPlayer& player) {
  if (player.native_->device == 0)
    throw EMCIDeviceError(kNoDevice);
}

TMediaPlayer::TMediaPlayer() : native_(std::make_unique<Native>()) {
  RegisterPlayerClass();
  native_->window.reset(CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
  if (native_->window)
    SetWindowLongPtrW(native_->window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

// A sound never outlives its player: whatever still plays ends here, and the result is of no use.
TMediaPlayer::~TMediaPlayer() {
  if (native_->device != 0) {
    MCI_GENERIC_PARMS parameters = {};
    mciSendCommandW(native_->device, MCI_CLOSE, MCI_WAIT, DWORD_PTR(&parameters));
  }
}

void TMediaPlayer::Open() {
  Close();
  const std::wstring element = WideFromUtf8(FileName);
  MCI_OPEN_PARMSW parameters = {};
  DWORD flags = MCI_WAIT;
  if (!element.empty()) {
    parameters.lpstrElementName = element.c_str();
    flags |= MCI_OPEN_ELEMENT;
  }
  const MCIERROR error = mciSendCommandW(0, MCI_OPEN, flags, DWORD_PTR(&parameters));
  if (error != 0)
    throw EMCIDeviceError(MciErrorText(error));
  native_->device = parameters.wDeviceID;
  error_ = 0;
  errorText_.clear();
}

void TMediaPlayer::Play() {
  Native::RequireOpen(*this);
  MCI_PLAY_PARMS parameters = {};
  parameters.dwCallback = DWORD_PTR(native_->window.get());
  const MCIERROR error =
      mciSendCommandW(native_->device, MCI_PLAY, MCI_NOTIFY, DWORD_PTR(&parameters));
  error_ = int(error);
  errorText_ = error ? MciErrorText(error) : std::string();
}

void TMediaPlayer::Stop() {
  Native::RequireOpen(*this);
  MCI_GENERIC_PARMS parameters = {};
  const MCIERROR error =
      mciSendCommandW(native_->device, MCI_STOP, MCI_WAIT, DWORD_PTR(&parameters));
  error_ = int(error);
  errorText_ = error ? MciErrorText(error) : std::string();
}

void TMediaPlayer::Close() {
  if (native_->device == 0)
    return;
  MCI_GENERIC_PARMS parameters = {};
  const MCIERROR error =
      mciSendCommandW(native_->device, MCI_CLOSE, MCI_WAIT, DWORD_PTR(&parameters));
  error_ = int(error);
  errorText_ = error ? MciErrorText(error) : std::string();
  if (error == 0)
    native_->device = 0;
}

bool TMediaPlayer::IsOpen() const {
  return native_->device != 0;
}

TMPModes TMediaPlayer::Mode() const {
  if (native_->device == 0)
    return TMPModes::mpNotReady;
  MCI_STATUS_PARMS parameters = {};
  parameters.dwItem = MCI_STATUS_MODE;
  if (mciSendCommandW(native_->device, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM,
                      DWORD_PTR(&parameters)) != 0)
    return TMPModes::mpNotReady;
  const DWORD_PTR mode = parameters.dwReturn;
  if (mode < MCI_MODE_NOT_READY || mode > MCI_MODE_OPEN)
    return TMPModes::mpNotReady;
  return TMPModes(mode - MCI_MODE_NOT_READY);
}
