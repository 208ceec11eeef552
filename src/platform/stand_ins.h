// Answers that replace the desktop's own while something sets them. The programs never do: only
// the tests' library (platform/testing.h) does, so the seams themselves stay out of the programs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/system.h"

class TMediaPlayer;
struct MessageBoxRequest;
struct OpenFileRequest;
struct SelectFolderRequest;

struct PlatformStandIns {
  std::optional<int> screenBits;
  std::optional<SYSTEMTIME> systemTime;
  std::function<void(const std::string& address)> shellOpener;
  std::function<int(const MessageBoxRequest&)> messageBox;
  std::function<std::optional<std::string>(const OpenFileRequest&)> openFile;
  std::function<std::optional<std::string>(const SelectFolderRequest&)> selectFolder;
  bool refuseTimers = false;
  std::function<std::unique_ptr<TMediaPlayer>()> playerFactory;
  // Off Windows: the sound libraries (SDL2's, then SDL2_mixer's) the first sound loads.
  std::optional<std::pair<std::string, std::string>> soundLibraries;
};

PlatformStandIns& StandIns();
