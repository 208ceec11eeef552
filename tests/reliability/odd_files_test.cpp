// Files that are not what they seem, where the program expects a picture, a sound or its settings:
// folders, FIFOs, links to endless devices, files it may not read, huge sparse files, very long
// paths and names that are not ASCII. Each ends the way a missing or unreadable file does, at
// once and without holding much memory.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/application.h"
#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/media.h"
#include "platform/paths.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "program.h"
#include "psave.h"
#include "settings/settings.h"
#include "support/display_fixture.h"
#include "support/jpeg_writer.h"
#include "usave1.h"
#include "usave2.h"

namespace fs = std::filesystem;

namespace {

enum class Odd { Folder, Fifo, LinkToZero, LinkToRandom, Unreadable, Sparse2GiB };

const Odd kOddKinds[] = {Odd::Folder,       Odd::Fifo,       Odd::LinkToZero,
                         Odd::LinkToRandom, Odd::Unreadable, Odd::Sparse2GiB};

std::string Name(Odd kind) {
  switch (kind) {
  case Odd::Folder:
    return "folder";
  case Odd::Fifo:
    return "FIFO";
  case Odd::LinkToZero:
    return "link to /dev/zero";
  case Odd::LinkToRandom:
    return "link to /dev/urandom";
  case Odd::Unreadable:
    return "file without read permission";
  default:
    return "2 GiB sparse file";
  }
}

// A plain file that the program still cannot use.
bool IsPlainFile(Odd kind) {
  return kind == Odd::Unreadable || kind == Odd::Sparse2GiB;
}

// The superuser reads whatever the permission bits say.
bool CannotMake(Odd kind) {
  return kind == Odd::Unreadable && ::geteuid() == 0;
}

// Puts the odd thing at path in place of whatever was there.
void Make(Odd kind, const fs::path& path) {
  fs::create_directories(path.parent_path());
  fs::remove_all(path);
  switch (kind) {
  case Odd::Folder:
    fs::create_directory(path);
    break;
  case Odd::Fifo:
    ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
    break;
  case Odd::LinkToZero:
    fs::create_symlink("/dev/zero", path);
    break;
  case Odd::LinkToRandom:
    fs::create_symlink("/dev/urandom", path);
    break;
  case Odd::Unreadable:
    WriteSolidJpeg(path, 16, 16, Qt::green);
    fs::permissions(path, fs::perms::none);
    break;
  case Odd::Sparse2GiB:
    WriteWholeFile(path, "");
    fs::resize_file(path, std::uintmax_t(2) << 30);
    break;
  }
}

// Ends the test process if a step hangs, rather than waiting for the suite's timeout.
class HangGuard {
public:
  HangGuard() { ::alarm(60); }
  ~HangGuard() { ::alarm(0); }
  HangGuard(const HangGuard&) = delete;
  HangGuard& operator=(const HangGuard&) = delete;
};

// Peak resident memory of this process so far, in MiB.
long PeakMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// A short, valid wav file.
std::string ToneWav() {
  const int samples = 2205;
  const auto le = [](std::string& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i)
      out += char((value >> (8 * i)) & 0xFF);
  };
  std::string out = "RIFF";
  le(out, 36 + samples * 2, 4);
  out += "WAVEfmt ";
  le(out, 16, 4);
  le(out, 1, 2);
  le(out, 1, 2);
  le(out, 22050, 4);
  le(out, 44100, 4);
  le(out, 2, 2);
  le(out, 16, 2);
  out += "data";
  le(out, samples * 2, 4);
  for (int i = 0; i < samples; ++i)
    le(out, unsigned(std::int16_t(8000 * std::sin(i / 8.0))) & 0xFFFF, 2);
  return out;
}

// The catalogue file names of entries 1 to 38 on the test's drive C:.
std::vector<fs::path> CataloguePaths() {
  std::vector<fs::path> paths;
  for (int k = 1; k <= kCatalogueSize; ++k)
    paths.push_back(platform::HostPath(PictureCatalogue[k]));
  return paths;
}

class OddFiles : public DisplayTest {
protected:
  OddFiles() {
    // The real player needs an audio device; the dummy one does when none is configured.
    if (!std::getenv("SDL_AUDIODRIVER"))
      root_.Env().Set("SDL_AUDIODRIVER", "dummy");
  }
};

} // namespace

TEST_F(OddFiles, ACataloguePictureThatIsNoPlainFileCountsAsMissing) {
  HangGuard guard;
  InstallPictures(32, 24);
  WriteSettings("Picdis=1\r\n");
  const fs::path victim = CataloguePaths()[11];
  for (const Odd kind : kOddKinds) {
    if (IsPlainFile(kind))
      continue;
    SCOPED_TRACE(Name(kind));
    Make(kind, victim);
    TForm1& form = CreateDisplay();
    EXPECT_EQ(ActivePictureCount, 0);
    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_NE(form.lblinfo->Caption().find("grizwalk.jpg"), std::string::npos);
    EXPECT_TRUE(Boxes().empty());
  }
}

TEST_F(OddFiles, PlainCataloguePicturesThatCannotBeReadShowThePlaceholderInEveryLayout) {
  HangGuard guard;
  InstallPictures(32, 24);
  WriteSettings("Picdis=1\r\n");
  const long peakBefore = PeakMiB();
  for (const Odd kind : {Odd::Unreadable, Odd::Sparse2GiB}) {
    if (CannotMake(kind))
      continue;
    SCOPED_TRACE(Name(kind));
    // Every entry is the odd file, so that every draw meets it.
    const fs::path odd = root_.Path() / "odd.jpg";
    Make(kind, odd);
    for (const fs::path& entry : CataloguePaths()) {
      fs::remove(entry);
      fs::create_symlink(odd, entry);
    }
    TForm1& form = CreateDisplay();
    ASSERT_EQ(ActivePictureCount, kCatalogueSize);
    for (const int layout : {dmTiled, dmDefaultSize, dmFullScreen}) {
      DisplayMode = layout;
      for (int tick = 0; tick < 4; ++tick) {
        form.Timer1->Tick();
        platform_test::Grab(form);
      }
      EXPECT_EQ(form.Image1->Picture().Width(), 72);
      EXPECT_EQ(form.Image1->Picture().Height(), 65);
    }
    EXPECT_TRUE(Boxes().empty());
  }
  EXPECT_LT(PeakMiB() - peakBefore, 256);
}

TEST_F(OddFiles, TheDialogBackgroundReportsEachAsAFileItCannotOpen) {
  HangGuard guard;
  const fs::path background = root_.DriveC() / "Tavrin" / "Quillmor" / "juvinile.jpg";
  const long peakBefore = PeakMiB();
  for (const Odd kind : kOddKinds) {
    if (CannotMake(kind))
      continue;
    SCOPED_TRACE(Name(kind));
    Make(kind, background);
    boxes_.clear();
    TForm2* dialog = Application().CreateForm<TForm2>();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], "Cannot open file C:\\Tavrin\\Quillmor\\juvinile.jpg.");
    EXPECT_EQ(dialog->Image1->Picture().Graphic(), nullptr);
    Application().DestroyForms();
  }
  EXPECT_LT(PeakMiB() - peakBefore, 256);
}

TEST_F(OddFiles, ASoundSlotNamingOneTurnsSoundOffWithTheRealPlayer) {
  HangGuard guard;
  platform_test::SetPlayerFactory(nullptr);
  InstallPictures(16, 16);
  const fs::path sounds = root_.Path() / "sounds";
  const long peakBefore = PeakMiB();
  std::vector<std::pair<std::string, std::string>> cases; // what, slot value
  for (const Odd kind : kOddKinds) {
    if (CannotMake(kind))
      continue;
    const fs::path path = sounds / (Name(kind).substr(0, 4) + std::to_string(int(kind)) + ".wav");
    Make(kind, path);
    cases.emplace_back(Name(kind), path.string());
  }
  cases.emplace_back("path of 5000 characters", (sounds / std::string(4980, 'x')).string());
  Make(Odd::Sparse2GiB, sounds / "mus\xE9"
                                 "e.mid");
  cases.emplace_back("non-ASCII name, 2 GiB", (sounds / "mus\xE9"
                                                        "e.mid")
                                                  .string());
  for (const auto& [what, slot] : cases) {
    SCOPED_TRACE(what);
    WriteSettings("Sound=1\r\nPicdis=1\r\n", {slot});
    TForm1& form = CreateDisplay();
    EXPECT_FALSE(SoundEnabled);
    EXPECT_FALSE(form.MediaPlayer1->IsOpen());
    form.Timer1->Tick();
    EXPECT_FALSE(form.MediaPlayer1->IsOpen());
    EXPECT_TRUE(Boxes().empty());
  }
  EXPECT_LT(PeakMiB() - peakBefore, 256);
}

TEST_F(OddFiles, SoundsNamedByDrivePathsAndNonAsciiNamesPlay) {
  HangGuard guard;
  platform_test::SetPlayerFactory(nullptr);
  InstallPictures(16, 16);
  for (const std::string name :
       {"caf\xC3\xA9.wav", "caf\xE9.wav", "\xE6\x97\xA5\xE6\x9C\xAC.wav"}) {
    SCOPED_TRACE(name);
    const fs::path sound = root_.Path() / name;
    WriteWholeFile(sound, ToneWav());
    WriteSettings("Sound=1\r\nPicdis=1\r\n", {sound.string()});
    TForm1& form = CreateDisplay();
    EXPECT_TRUE(SoundEnabled);
    EXPECT_TRUE(form.MediaPlayer1->IsOpen());
    EXPECT_EQ(SoundList, std::vector<std::string>{sound.string()});
  }
  // A slot of the settings file's own kind names the file on the drive where the check finds it.
  WriteWholeFile(root_.DriveC() / "Sounds" / "bell.wav", ToneWav());
  WriteSettings("Sound=1\r\nPicdis=1\r\n", {"C:\\sounds\\BELL.WAV"});
  TForm1& form = CreateDisplay();
  EXPECT_TRUE(SoundEnabled);
  EXPECT_TRUE(form.MediaPlayer1->IsOpen());
}

TEST_F(OddFiles, TheDialogListsAndRemovesSoundsWhoseNamesAreNotUtf8) {
  WriteSolidJpeg(root_.DriveC() / "Tavrin" / "Quillmor" / "juvinile.jpg", 16, 16, Qt::red);
  const std::string latin1 = (root_.Path() / "caf\xE9.wav").string();
  const std::string utf8 = (root_.Path() / "caf\xC3\xA9.wav").string();
  WriteSettings("Sound=1\r\n", {latin1, utf8});
  TForm2 dialog;
  dialog.FormCreate();
  ASSERT_EQ(dialog.ListBox2->Count(), 2);
  for (int removed = 1; removed <= 2; ++removed) {
    dialog.ListBox2->SetItemIndex(0);
    dialog.cmdwavdClick();
    EXPECT_EQ(Boxes().size(), std::size_t(removed)) << "only the removal warnings";
    EXPECT_EQ(ReadSoundSlot(SettingsPath, removed), kEmptySlot);
  }
  EXPECT_EQ(dialog.ListBox2->Count(), 0);
}

TEST_F(OddFiles, ASettingsFileThatIsNoPlainFileStopsStartUpWithTheWriteError) {
  HangGuard guard;
  InstallPictures(16, 16);
  for (const Odd kind : {Odd::Folder, Odd::Fifo, Odd::LinkToZero, Odd::LinkToRandom}) {
    SCOPED_TRACE(Name(kind));
    Make(kind, root_.SettingsFile());
    boxes_.clear();
    TForm1& form = CreateDisplay();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], "Unable to write to C:\\WINDOWS\\quilmr20.ini.");
    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_TRUE(fs::is_symlink(root_.SettingsFile()) || !fs::is_regular_file(root_.SettingsFile()));
  }
}

TEST_F(OddFiles, AHugeSettingsFileReadsAsAnUnreadableOneAndIsNotReplaced) {
  HangGuard guard;
  InstallPictures(16, 16);
  Make(Odd::Sparse2GiB, root_.SettingsFile());
  const long peakBefore = PeakMiB();
  TForm1& form = CreateDisplay();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_EQ(DisplayMode, dmFullScreen);
  EXPECT_EQ(SlideInterval, 60000);
  EXPECT_FALSE(SoundEnabled); // slot 1 reads as the empty text: no such file
  EXPECT_THROW(WriteSoundSlot(SettingsPath, 1, "a.wav"), std::exception);
  EXPECT_EQ(fs::file_size(root_.SettingsFile()), std::uintmax_t(2) << 30);
  EXPECT_LT(PeakMiB() - peakBefore, 256);
}
