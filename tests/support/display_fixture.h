// A display run in-process: a settings file, a picture folder, a fixed screen size, a recording
// player and a driven timer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/media.h"
#include "support/temp_root.h"
#include "usave1.h"

// A player that records the calls made to it and answers its mode as the test says.
class FakePlayer : public TMediaPlayer {
public:
  struct Log {
    std::vector<std::string> calls; // "open <file>", "play", "stop", "close"
    TMPModes mode = TMPModes::mpNotReady;
    bool failOpen = false;
    bool refusePlay = false; // the back end refuses: no error, the player stays stopped
    bool open = false;
  };
  explicit FakePlayer(std::shared_ptr<Log> log) : log_(std::move(log)) {}

  void Open() override;
  void Play() override;
  void Stop() override;
  void Close() override;
  TMPModes Mode() const override { return log_->mode; }
  bool IsOpen() const override { return log_->open; }

private:
  std::shared_ptr<Log> log_;
};

class DisplayTest : public ::testing::Test {
protected:
  DisplayTest();
  ~DisplayTest() override;

  // Writes the Options section; slotValues as given (1-based, the rest "Null").
  void WriteSettings(const std::string& options, const std::vector<std::string>& slotValues = {});
  // 38 solid-colour pictures of the given size under the catalogue names.
  void InstallPictures(int width, int height);
  // Creates the display window and runs its creation handler, as the entry does.
  TForm1& CreateDisplay();
  // The boxes shown so far (their texts).
  const std::vector<std::string>& Boxes() const { return boxes_; }

  TempRoot root_;
  std::shared_ptr<FakePlayer::Log> player_ = std::make_shared<FakePlayer::Log>();
  std::unique_ptr<TForm1> form_;
  std::vector<std::string> boxes_;
};
