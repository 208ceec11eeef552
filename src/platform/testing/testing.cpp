// The seams both backends share: each puts a stand-in in place of the desktop's answer.
#include "platform/testing.h"

#include "platform/stand_ins.h"

namespace platform_test {

void SetScreenSize(std::optional<std::pair<int, int>> size) {
  SetScreenSizeOverride(size);
}

void SetScreenBitsPerPixel(std::optional<int> bits) {
  StandIns().screenBits = bits;
}

void SetSystemTime(std::optional<SYSTEMTIME> time) {
  StandIns().systemTime = time;
}

bool CursorHidden() {
  return !CursorShown();
}

void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder) {
  StandIns().messageBox = std::move(responder);
}

void SetOpenFileResponder(
    std::function<std::optional<std::string>(const OpenFileRequest&)> responder) {
  StandIns().openFile = std::move(responder);
}

void SetSelectFolderResponder(
    std::function<std::optional<std::string>(const SelectFolderRequest&)> responder) {
  StandIns().selectFolder = std::move(responder);
}

void SetShellOpener(std::function<void(const std::string& address)> opener) {
  StandIns().shellOpener = std::move(opener);
}

void SetRefuseTimers(bool refuse) {
  StandIns().refuseTimers = refuse;
}

void SetPlayerFactory(std::function<std::unique_ptr<TMediaPlayer>()> factory) {
  StandIns().playerFactory = std::move(factory);
}

void SetSoundLibraryNames(std::optional<std::pair<std::string, std::string>> sdlAndMixer) {
  StandIns().soundLibraries = std::move(sdlAndMixer);
}

} // namespace platform_test
