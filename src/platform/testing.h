// What tests may set and do that a user cannot: every seam of the platform, in one place. Each
// setter restores the platform's own behaviour when given nullopt or an empty function.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/pixels.h"
#include "platform/types.h"

class TControl;
class TForm;
class TMediaPlayer;
struct MessageBoxRequest;
struct OpenFileRequest;
struct SelectFolderRequest;
struct SYSTEMTIME;

namespace platform_test {

// ---- What the platform reports ----
void SetScreenSize(std::optional<std::pair<int, int>> size);
void SetScreenBitsPerPixel(std::optional<int> bits);
void SetSystemTime(std::optional<SYSTEMTIME> time);
bool CursorHidden();

// ---- Answers instead of a person's ----
// Message boxes: the responder returns IDOK or IDCANCEL.
void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder);
// The file-open dialog: the chosen path, or nullopt for Cancel.
void SetOpenFileResponder(
    std::function<std::optional<std::string>(const OpenFileRequest&)> responder);
// The folder picker's answer, in the same way.
void SetSelectFolderResponder(
    std::function<std::optional<std::string>(const SelectFolderRequest&)> responder);
// The shell's open verb.
void SetShellOpener(std::function<void(const std::string& address)> opener);

// ---- Faults ----
// Every new platform timer is refused while set.
void SetRefuseTimers(bool refuse);
// The media players made from now on come from the factory.
void SetPlayerFactory(std::function<std::unique_ptr<TMediaPlayer>()> factory);
// Off Windows: the sound libraries (SDL2's, then SDL2_mixer's) that the first open of a sound
// loads.
void SetSoundLibraryNames(std::optional<std::pair<std::string, std::string>> sdlAndMixer);

// ---- Driving windows as a user would ----
// Presses and releases a key (a VK_ code, or a printable character's code) on the control that
// has the keyboard focus in form, or on the form when none has it.
void PressKey(TForm& form, int key, bool shift = false, bool control = false);
// Clicks the left button at a point of the control (its centre by default) and releases it.
void ClickAt(TControl& control, std::optional<TPoint> at = std::nullopt);
// The control that has the keyboard focus within form; null when none has.
TControl* FocusedControl(TForm& form);
// Where the control's native counterpart stands, in device pixels: a form's client area on the
// screen, any other control within its parent's client area.
TRect DeviceBounds(const TControl& control);
// What the control shows on the screen now, drawn as the screen would, in 32-bit pixels.
TPixels Grab(TControl& control);
// Handles waiting messages until condition holds or timeoutMs passes; whether it held.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);
// Runs work from the message loop once it is idle, e.g. to answer a modal form that is about to be
// shown.
void Later(std::function<void()> work, int delayMs = 0);

} // namespace platform_test
