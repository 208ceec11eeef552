// The media player: opens one sound file, plays it with an end-of-playback notification, stops,
// reports its mode and closes. wav and midi files both play, and at most one sound sounds at a
// time in the whole process.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

enum class TMPDeviceTypes { dtAutoSelect };

// Numbered like the platform's modes minus their base value.
enum class TMPModes { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };

enum class TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

class EMCIDeviceError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TMediaPlayer {
public:
  TMediaPlayer();
  virtual ~TMediaPlayer();
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  std::string FileName;
  TMPDeviceTypes DeviceType = TMPDeviceTypes::dtAutoSelect;

  // Closes the open sound first. A file that cannot be opened, or no audio device, raises with
  // the back end's text ("Unknown error code" when it has none), and nothing is open afterwards.
  virtual void Open();
  // Both raise "No MCI device open" without an open sound. Play returns at once and asks for
  // the end notification; a refusal is kept in Error() and no notification follows. Stop waits
  // until the sound is silent and never notifies.
  virtual void Play();
  virtual void Stop();
  virtual void Close();

  virtual bool IsOpen() const;
  virtual TMPModes Mode() const;
  int Error() const { return error_; } // 0 after a successful command
  const std::string& ErrorText() const { return errorText_; }
  TMPNotifyValues NotifyValue() const { return notifyValue_; }

  // The end of a play, delivered through the event queue on the UI thread, never inside another
  // call of the player.
  std::function<void()> OnNotify;

  // The error code a refused command leaves in Error().
  static constexpr int kBackEndRefused = 1;

  // The sound device's side of the player, which the platform defines; opaque to everyone else.
  struct Native;

private:
  std::unique_ptr<Native> native_;
  int error_ = 0;
  std::string errorText_;
  TMPNotifyValues notifyValue_ = TMPNotifyValues::nvSuccessful;
};

// A new player: the platform's own, or the one the tests' factory makes (see testing.h).
std::unique_ptr<TMediaPlayer> NewMediaPlayer();
