#include "platform/media.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include <QCoreApplication>
#include <QPointer>
#include <SDL.h>
#include <SDL_mixer.h>

#include "platform/paths.h"

// What the audio thread's reports reach on the UI thread.
struct MediaBackEnd {
  static void DeliverEndOfPlayback(std::uint64_t generation);
};

namespace {

constexpr const char* kNoDevice = "No MCI device open";
constexpr const char* kUnknownError = "Unknown error code";
// Some decoders (midi among them) read the whole file into memory; a real sound file is far
// smaller than this, and a file that claims more is not worth the memory.
constexpr std::uintmax_t kLargestSoundFile = std::uintmax_t(512) << 20;
constexpr const char* kCannotPlay = "The specified file cannot be played";
constexpr const char* kSoundFonts[] = {"/usr/share/sounds/sf2/TimGM6mb.sf2",
                                       "/usr/share/sounds/sf2/default-GM.sf2"};

// The play whose end the audio thread should report; 0 while none is armed. The finished hook
// reads only this, so it never touches a player that may already be gone.
std::atomic<std::uint64_t> armedGeneration{0};
std::uint64_t lastGeneration = 0;
// UI-thread only: the player and the music of the play that is sounding now.
QPointer<TMediaPlayer> soundingPlayer;
const Mix_Music* soundingMusic = nullptr;

std::string BackEndError() {
  const char* text = Mix_GetError();
  return text && *text ? std::string(text) : std::string(kUnknownError);
}

extern "C" void MusicFinished(void);

// The midi synthesiser needs a soundfont; when none is configured, use an installed General MIDI
// one.
void ChooseSoundFont() {
  const char* configured = std::getenv("SDL_SOUNDFONTS");
  if (configured && *configured)
    return;
  if (const char* fonts = Mix_GetSoundFonts(); fonts && std::filesystem::exists(fonts))
    return;
  for (const char* font : kSoundFonts) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(font, ec)) {
      Mix_SetSoundFonts(font);
      return;
    }
  }
}

// The audio device is opened once per process, at the first open of a sound, and kept.
void EnsureAudioDevice() {
  static bool open = false;
  if (open)
    return;
  SDL_ClearError();
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
    throw EMCIDeviceError(BackEndError());
  if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
    const std::string text = BackEndError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    throw EMCIDeviceError(text);
  }
  ChooseSoundFont();
  Mix_HookMusicFinished(MusicFinished);
  open = true;
}

// Runs on the audio thread, and inside Mix_HaltMusic with the audio locked: it may call no mixer
// function and must not throw, so it only queues the end for the UI thread.
extern "C" void MusicFinished(void) {
  const std::uint64_t generation = armedGeneration.load();
  QCoreApplication* app = QCoreApplication::instance();
  if (generation == 0 || !app)
    return;
  try {
    QMetaObject::invokeMethod(
        app, [generation] { MediaBackEnd::DeliverEndOfPlayback(generation); },
        Qt::QueuedConnection);
  } catch (...) {
    // Out of memory: the end is still seen through the mode query.
  }
}

} // namespace

TMediaPlayer::TMediaPlayer(QObject* parent) : QObject(parent), music_(nullptr, Mix_FreeMusic) {}

TMediaPlayer::~TMediaPlayer() {
  Close();
}

void TMediaPlayer::Open() {
  Close();
  EnsureAudioDevice();
  // Only a plain file: a FIFO would block the back end's open, a device would never end.
  const std::filesystem::path host = platform::HostPath(FileName);
  std::error_code error;
  if (!std::filesystem::is_regular_file(host, error) ||
      std::filesystem::file_size(host, error) > kLargestSoundFile)
    throw EMCIDeviceError(kCannotPlay);
  SDL_ClearError();
  Mix_Music* music = Mix_LoadMUS(host.c_str());
  if (!music)
    throw EMCIDeviceError(BackEndError());
  music_.reset(music);
  error_ = 0;
  errorText_.clear();
}

void TMediaPlayer::RequireOpen() const {
  if (!music_)
    throw EMCIDeviceError(kNoDevice);
}

void TMediaPlayer::Play() {
  RequireOpen();
  // Playing on while already sounding only re-arms the notification, as a new play would.
  if (!Sounding()) {
    Silence();
    SDL_ClearError();
    if (Mix_PlayMusic(music_.get(), 0) != 0) {
      error_ = kBackEndRefused;
      errorText_ = BackEndError();
      return;
    }
  }
  armedGeneration_ = ++lastGeneration;
  armedGeneration.store(armedGeneration_);
  soundingPlayer = this;
  soundingMusic = music_.get();
  error_ = 0;
  errorText_.clear();
}

void TMediaPlayer::Stop() {
  RequireOpen();
  Silence();
  error_ = 0;
}

void TMediaPlayer::Close() {
  if (!music_)
    return;
  Silence();
  music_.reset();
}

bool TMediaPlayer::Sounding() const {
  return music_ && soundingMusic == music_.get() && Mix_PlayingMusic();
}

// Halting reports through the finished hook as well; disarming first keeps that report from
// becoming a notification.
void TMediaPlayer::Silence() {
  armedGeneration_ = 0;
  if (soundingPlayer == this) {
    armedGeneration.store(0);
    soundingPlayer = nullptr;
  }
  if (music_ && soundingMusic == music_.get()) {
    soundingMusic = nullptr;
    Mix_HaltMusic();
  }
}

TMPModes TMediaPlayer::Mode() const {
  if (!music_)
    return TMPModes::mpNotReady;
  return Sounding() ? TMPModes::mpPlaying : TMPModes::mpStopped;
}

void MediaBackEnd::DeliverEndOfPlayback(std::uint64_t generation) {
  TMediaPlayer* player = soundingPlayer.data();
  if (!player || player->armedGeneration_ != generation)
    return;
  player->EndOfPlayback();
}

void TMediaPlayer::EndOfPlayback() {
  armedGeneration_ = 0;
  armedGeneration.store(0);
  soundingPlayer = nullptr;
  soundingMusic = nullptr;
  notifyValue_ = TMPNotifyValues::nvSuccessful;
  if (OnNotify)
    OnNotify();
}
