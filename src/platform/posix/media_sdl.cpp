// The media player off Windows: SDL2_mixer's music stream stands behind it. The libraries are
// loaded at the first open of a sound, so a display without sound never maps them.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include "platform/application.h"
#include "platform/media.h"
#include "platform/paths.h"
#include "platform/stand_ins.h"

namespace {

// What the player calls of SDL2 and SDL2_mixer, resolved when they are loaded. The headers give
// the types; the program links neither library.
struct SoundFunctions {
  decltype(&SDL_ClearError) ClearError;
  decltype(&SDL_GetError) GetError;
  decltype(&SDL_InitSubSystem) InitSubSystem;
  decltype(&SDL_QuitSubSystem) QuitSubSystem;
  decltype(&SDL_SetHint) SetHint;
  decltype(&Mix_FreeMusic) FreeMusic;
  decltype(&Mix_GetSoundFonts) GetSoundFonts;
  decltype(&Mix_HaltMusic) HaltMusic;
  decltype(&Mix_HookMusicFinished) HookMusicFinished;
  decltype(&Mix_LoadMUS) LoadMUS;
  decltype(&Mix_OpenAudio) OpenAudio;
  decltype(&Mix_PlayMusic) PlayMusic;
  decltype(&Mix_PlayingMusic) PlayingMusic;
  decltype(&Mix_SetSoundFonts) SetSoundFonts;
};

struct LibraryCloser {
  void operator()(void* handle) const { dlclose(handle); }
};
using LibraryHandle = std::unique_ptr<void, LibraryCloser>;

constexpr const char* kSdlLibrary = "libSDL2-2.0.so.0";
constexpr const char* kMixerLibrary = "libSDL2_mixer-2.0.so.0";

class SoundLibrary {
public:
  SoundLibrary(const std::string& sdlName, const std::string& mixerName)
      : sdl_(Load(sdlName)), mixer_(Load(mixerName)) {
    Resolve(sdl_, sdlName, "SDL_ClearError", functions_.ClearError);
    Resolve(sdl_, sdlName, "SDL_GetError", functions_.GetError);
    Resolve(sdl_, sdlName, "SDL_InitSubSystem", functions_.InitSubSystem);
    Resolve(sdl_, sdlName, "SDL_QuitSubSystem", functions_.QuitSubSystem);
    Resolve(sdl_, sdlName, "SDL_SetHint", functions_.SetHint);
    Resolve(mixer_, mixerName, "Mix_FreeMusic", functions_.FreeMusic);
    Resolve(mixer_, mixerName, "Mix_GetSoundFonts", functions_.GetSoundFonts);
    Resolve(mixer_, mixerName, "Mix_HaltMusic", functions_.HaltMusic);
    Resolve(mixer_, mixerName, "Mix_HookMusicFinished", functions_.HookMusicFinished);
    Resolve(mixer_, mixerName, "Mix_LoadMUS", functions_.LoadMUS);
    Resolve(mixer_, mixerName, "Mix_OpenAudio", functions_.OpenAudio);
    Resolve(mixer_, mixerName, "Mix_PlayMusic", functions_.PlayMusic);
    Resolve(mixer_, mixerName, "Mix_PlayingMusic", functions_.PlayingMusic);
    Resolve(mixer_, mixerName, "Mix_SetSoundFonts", functions_.SetSoundFonts);
  }

  const SoundFunctions& Functions() const { return functions_; }

private:
  // Never unmapped, even by the close at exit: the audio thread runs their code until the end.
  static LibraryHandle Load(const std::string& name) {
    LibraryHandle handle(dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
    if (!handle)
      throw EMCIDeviceError("Cannot load the sound library " + name);
    return handle;
  }

  template <typename Function>
  static void Resolve(const LibraryHandle& library, const std::string& name, const char* symbol,
                      Function& function) {
    void* address = dlsym(library.get(), symbol);
    if (!address)
      throw EMCIDeviceError("Cannot load the sound library " + name + ": it has no " + symbol);
    function = reinterpret_cast<Function>(address);
  }

  LibraryHandle sdl_;
  LibraryHandle mixer_;
  SoundFunctions functions_{};
};

// Filled once the libraries are loaded, which is before any music exists. A plain copy, so a
// player that outlives the library object at exit still finds its functions, which stay mapped.
SoundFunctions sound{};

void EnsureSoundLibrary() {
  static std::optional<SoundLibrary> library;
  if (library)
    return;
  const auto names = StandIns().soundLibraries.value_or(
      std::pair<std::string, std::string>{kSdlLibrary, kMixerLibrary});
  library.emplace(names.first, names.second);
  sound = library->Functions();
}

struct MusicFreer {
  void operator()(Mix_Music* music) const { sound.FreeMusic(music); }
};

} // namespace

struct TMediaPlayer::Native {
  std::unique_ptr<Mix_Music, MusicFreer> music;
  std::uint64_t armed = 0; // the play whose end is still to be notified; 0 for none

  // What the audio thread's reports reach on the UI thread.
  static void DeliverEndOfPlayback(std::uint64_t generation);
  static void RequireOpen(const TMediaPlayer& player);
  static bool Sounding(const TMediaPlayer& player);
  static void Silence(TMediaPlayer& player);
  static void EndOfPlayback(TMediaPlayer& player);
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
// UI-thread only: the player and the music of the play that is sounding now. A player clears
// both before it goes.
TMediaPlayer* soundingPlayer = nullptr;
const Mix_Music* soundingMusic = nullptr;

std::string BackEndError() {
  const char* text = sound.GetError();
  return text && *text ? std::string(text) : std::string(kUnknownError);
}

extern "C" void MusicFinished(void);

// The midi synthesiser needs a soundfont; when none is configured, use an installed General MIDI
// one.
void ChooseSoundFont() {
  const char* configured = std::getenv("SDL_SOUNDFONTS");
  if (configured && *configured)
    return;
  if (const char* fonts = sound.GetSoundFonts(); fonts && std::filesystem::exists(fonts))
    return;
  for (const char* font : kSoundFonts) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(font, ec)) {
      sound.SetSoundFonts(font);
      return;
    }
  }
}

// The audio device is opened once per process, at the first open of a sound, and kept.
void EnsureAudioDevice() {
  static bool open = false;
  if (open)
    return;
  EnsureSoundLibrary();
  sound.ClearError();
  sound.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (sound.InitSubSystem(SDL_INIT_AUDIO) != 0)
    throw EMCIDeviceError(BackEndError());
  if (sound.OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
    const std::string text = BackEndError();
    sound.QuitSubSystem(SDL_INIT_AUDIO);
    throw EMCIDeviceError(text);
  }
  ChooseSoundFont();
  sound.HookMusicFinished(MusicFinished);
  open = true;
}

// Runs on the audio thread, and inside Mix_HaltMusic with the audio locked: it may call no mixer
// function and must not throw, so it only queues the end for the UI thread.
extern "C" void MusicFinished(void) {
  const std::uint64_t generation = armedGeneration.load();
  if (generation == 0)
    return;
  try {
    PostToMainThread([generation] { TMediaPlayer::Native::DeliverEndOfPlayback(generation); });
  } catch (...) {
    // Out of memory: the end is still seen through the mode query.
  }
}

} // namespace

TMediaPlayer::TMediaPlayer() : native_(std::make_unique<Native>()) {}

TMediaPlayer::~TMediaPlayer() {
  Close();
  if (soundingPlayer == this)
    soundingPlayer = nullptr;
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
  sound.ClearError();
  Mix_Music* music = sound.LoadMUS(host.c_str());
  if (!music)
    throw EMCIDeviceError(BackEndError());
  native_->music.reset(music);
  error_ = 0;
  errorText_.clear();
}

void TMediaPlayer::Native::RequireOpen(const TMediaPlayer& player) {
  if (!player.native_->music)
    throw EMCIDeviceError(kNoDevice);
}

void TMediaPlayer::Play() {
  Native::RequireOpen(*this);
  // Playing on while already sounding only re-arms the notification, as a new play would.
  if (!Native::Sounding(*this)) {
    Native::Silence(*this);
    sound.ClearError();
    if (sound.PlayMusic(native_->music.get(), 0) != 0) {
      error_ = kBackEndRefused;
      errorText_ = BackEndError();
      return;
    }
  }
  native_->armed = ++lastGeneration;
  armedGeneration.store(native_->armed);
  soundingPlayer = this;
  soundingMusic = native_->music.get();
  error_ = 0;
  errorText_.clear();
}

void TMediaPlayer::Stop() {
  Native::RequireOpen(*this);
  Native::Silence(*this);
  error_ = 0;
}

void TMediaPlayer::Close() {
  if (!native_->music)
    return;
  Native::Silence(*this);
  native_->music.reset();
}

bool TMediaPlayer::IsOpen() const {
  return native_->music != nullptr;
}

bool TMediaPlayer::Native::Sounding(const TMediaPlayer& player) {
  const Mix_Music* music = player.native_->music.get();
  return music && soundingMusic == music && sound.PlayingMusic();
}

// Halting reports through the finished hook as well; disarming first keeps that report from
// becoming a notification.
void TMediaPlayer::Native::Silence(TMediaPlayer& player) {
  player.native_->armed = 0;
  if (soundingPlayer == &player) {
    armedGeneration.store(0);
    soundingPlayer = nullptr;
  }
  const Mix_Music* music = player.native_->music.get();
  if (music && soundingMusic == music) {
    soundingMusic = nullptr;
    sound.HaltMusic();
  }
}

TMPModes TMediaPlayer::Mode() const {
  if (!native_->music)
    return TMPModes::mpNotReady;
  return Native::Sounding(*this) ? TMPModes::mpPlaying : TMPModes::mpStopped;
}

void TMediaPlayer::Native::DeliverEndOfPlayback(std::uint64_t generation) {
  TMediaPlayer* player = soundingPlayer;
  if (!player || player->native_->armed != generation)
    return;
  EndOfPlayback(*player);
}

void TMediaPlayer::Native::EndOfPlayback(TMediaPlayer& player) {
  player.native_->armed = 0;
  armedGeneration.store(0);
  soundingPlayer = nullptr;
  soundingMusic = nullptr;
  player.notifyValue_ = TMPNotifyValues::nvSuccessful;
  if (player.OnNotify)
    RunHandler(player.OnNotify);
}
