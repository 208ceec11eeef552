// The installed program: what "cmake --install" puts where, that the desktop's validators accept
// it, that it runs from anywhere with its installed pictures, and that the Debian package does.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using Output = CapturedOutput;

int CountFiles(const fs::path& folder, const std::string& extension) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    count += entry.path().extension() == extension;
  return count;
}

// Enough of the screen is neither black nor white: a picture is showing.
bool ShowsAPicture(const QImage& shot) {
  if (shot.isNull())
    return false;
  int coloured = 0, samples = 0;
  for (int y = 5; y < shot.height(); y += shot.height() / 20)
    for (int x = 5; x < shot.width(); x += shot.width() / 20) {
      const int lightness = shot.pixelColor(x, y).lightness();
      coloured += lightness > 20 && lightness < 245;
      ++samples;
    }
  return coloured * 100 >= samples * 15;
}

class InstallE2E : public ::testing::Test {
protected:
  fs::path Prefix() const { return root_.Path() / "prefix"; }
  fs::path Share() const { return Prefix() / "share"; }

  void Install() {
    const Output out = RunCaptured(
        root_.Path(), {"cmake", "--install", QUILLMOR_BUILD_DIR, "--prefix", Prefix().string()});
    ASSERT_EQ(out.code, 0) << out.text;
  }

  // Runs an installed program from a folder of its own, with the drives in the test's folder and
  // no skeleton named: it must find the installed one.
  std::unique_ptr<ChildProcess> RunInstalled(const fs::path& program, const std::string& argument,
                                             const XvfbServer& x) {
    const fs::path elsewhere = root_.Path() / "elsewhere";
    fs::create_directories(elsewhere);
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{"sh", "-c", "cd \"$0\" && exec \"$1\" \"$2\"", elsewhere.string(),
                                 program.string(), argument},
        std::map<std::string, std::string>{{"DISPLAY", x.Display()},
                                           {"QT_QPA_PLATFORM", "xcb"},
                                           {"QUILLMOR_SKELETON", ""},
                                           {"QUILLMOR_ROOT", (root_.Path() / "home").string()}});
  }

  // Docks match a window to its menu entry by the class the window really has.
  void ExpectTheEntriesNameTheWindowClass(const fs::path& installedRoot, const XvfbServer& x) {
    const Output window = RunCaptured(root_.Path(), {"xprop", "-name", "quilldorn", "WM_CLASS"},
                                      {{"DISPLAY", x.Display()}});
    ASSERT_EQ(window.code, 0) << window.text;
    for (const char* entry :
         {"org.quillmor.Screensaver.desktop", "org.quillmor.Screensaver.Show.desktop"}) {
      const std::string text = ReadWholeFile(installedRoot / "share/applications" / entry);
      const std::string key = "\nStartupWMClass=";
      const std::size_t at = text.find(key);
      ASSERT_NE(at, std::string::npos) << entry;
      const std::size_t start = at + key.size();
      const std::string windowClass = text.substr(start, text.find('\n', start) - start);
      EXPECT_NE(window.text.find(", \"" + windowClass + "\"\n"), std::string::npos)
          << entry << ": " << windowClass << " / " << window.text;
    }
  }

  void ExpectTheSlideshow(const fs::path& installedRoot) {
    // A file only the installed skeleton has shows that a new drive C: is filled from it.
    WriteWholeFile(installedRoot / "share/quillmor/skeleton/drive_c/installed.txt", "yes");
    XvfbServer x(800, 600);
    auto display = RunInstalled(installedRoot / "bin/quillmor", "/s", x);
    ASSERT_TRUE(WaitUntil([&] { return x.HasVisibleWindow("quilldorn"); }, 10s));
    ExpectTheEntriesNameTheWindowClass(installedRoot, x);
    EXPECT_TRUE(WaitUntil([&] { return ShowsAPicture(x.Screenshot()); }, 20s, 250ms));
    EXPECT_EQ(ReadWholeFile(root_.Path() / "home/drive_c/installed.txt"), "yes");
    EXPECT_TRUE(fs::exists(root_.Path() / "home/drive_c/Tavrin/Quillmor/griztand.jpg"));
  }

  TempRoot root_;
};

} // namespace

TEST_F(InstallE2E, InstallsEveryPartAndTheValidatorsAcceptThem) {
  Install();
  for (const char* program : {"quillmor", "quillmor-hack", "quillmor-pictures"})
    EXPECT_TRUE(fs::is_regular_file(Prefix() / "bin" / program)) << program;
  EXPECT_EQ(CountFiles(Share() / "quillmor/skeleton/drive_c/Tavrin/Quillmor", ".jpg"), 38);
  EXPECT_TRUE(
      fs::is_regular_file(Share() / "icons/hicolor/scalable/apps/org.quillmor.Screensaver.svg"));
  // XScreenSaver opens config/<program>.xml for a program of its list: the name, the file and
  // the program must agree, and the label is what its list shows.
  const std::string description = ReadWholeFile(Share() / "xscreensaver/config/quillmor-hack.xml");
  EXPECT_NE(description.find("<screensaver name=\"quillmor-hack\" _label=\"Quillmor\">"),
            std::string::npos)
      << description;
  EXPECT_FALSE(fs::exists(Share() / "xscreensaver/config/quillmor.xml"));
  EXPECT_TRUE(fs::is_regular_file(Share() / "doc/quillmor/copyright"));

  const fs::path settings = Share() / "applications/org.quillmor.Screensaver.desktop";
  const fs::path show = Share() / "applications/org.quillmor.Screensaver.Show.desktop";
  for (const fs::path& entry : {settings, show}) {
    const Output out = RunCaptured(root_.Path(), {"desktop-file-validate", entry.string()});
    EXPECT_EQ(out.code, 0) << entry << out.text;
    EXPECT_EQ(out.text, "") << entry;
  }
  const std::string settingsEntry = ReadWholeFile(settings);
  EXPECT_NE(settingsEntry.find("\nName=Quillmor Screensaver Settings\n"), std::string::npos);
  EXPECT_NE(settingsEntry.find("\nExec=quillmor /c\n"), std::string::npos);
  const std::string showEntry = ReadWholeFile(show);
  EXPECT_NE(showEntry.find("\nExec=quillmor /s\n"), std::string::npos);
  EXPECT_NE(showEntry.find("\nNoDisplay=true\n"), std::string::npos);

  const Output appstream = RunCaptured(
      root_.Path(), {"appstreamcli", "validate", "--no-net",
                     (Share() / "metainfo/org.quillmor.Screensaver.metainfo.xml").string()});
  EXPECT_EQ(appstream.code, 0) << appstream.text;

  const std::map<std::string, std::string> plain{{"MANWIDTH", "100"}, {"LC_ALL", "C.UTF-8"}};
  for (const char* page : {"quillmor.1.gz", "quillmor-hack.1.gz", "quillmor-pictures.1.gz"}) {
    const fs::path file = Share() / "man/man1" / page;
    const Output warnings = RunCaptured(
        root_.Path(), {"sh", "-c", "man --warnings -l \"$0\" >/dev/null", file.string()}, plain);
    EXPECT_EQ(warnings.code, 0) << page;
    EXPECT_EQ(warnings.text, "") << page;
    const Output man = RunCaptured(root_.Path(), {"man", "-l", file.string()}, plain);
    EXPECT_EQ(man.code, 0) << page;
    EXPECT_NE(man.text.find("EXIT STATUS"), std::string::npos) << page;
    EXPECT_NE(man.text.find("QUILLMOR_ROOT"), std::string::npos) << page;
  }
  const Output main = RunCaptured(
      root_.Path(), {"man", "-l", (Share() / "man/man1/quillmor.1.gz").string()}, plain);
  for (const char* topic : {"/s", "/c", "FILES", "ENVIRONMENT", "QUILLMOR_WINDOWS_DIR",
                            "QUILLMOR_SKELETON", "quilmr20.ini", "xss-lock"})
    EXPECT_NE(main.text.find(topic), std::string::npos) << topic;
}

TEST_F(InstallE2E, TheInstalledProgramRunsFromAnotherFolderWithItsInstalledPictures) {
  Install();
  ExpectTheSlideshow(Prefix());
}

// Stands in for installing the package on a clean system: lintian finds no error, and the
// unpacked program shows the slideshow.
TEST_F(InstallE2E, TheDebianPackageHasNoLintianErrorsAndItsProgramRuns) {
  const fs::path packages = root_.Path() / "packages";
  const Output cpack = RunCaptured(root_.Path(),
                                   {"cpack", "-G", "DEB", "--config",
                                    (fs::path(QUILLMOR_BUILD_DIR) / "CPackConfig.cmake").string(),
                                    "-B", packages.string()},
                                   {}, 120s);
  ASSERT_EQ(cpack.code, 0) << cpack.text;
  const fs::path deb = packages / "quillmor_2.0.0_amd64.deb";
  ASSERT_TRUE(fs::is_regular_file(deb)) << cpack.text;

  const Output lintian =
      RunCaptured(root_.Path(), {"lintian", "--fail-on", "error", deb.string()}, {}, 120s);
  EXPECT_EQ(lintian.code, 0) << lintian.text;
  EXPECT_EQ(lintian.text.find("\nE: "), std::string::npos) << lintian.text;
  EXPECT_FALSE(lintian.text.starts_with("E: ")) << lintian.text;
  const Output recommends =
      RunCaptured(root_.Path(), {"dpkg-deb", "--field", deb.string(), "Recommends"});
  for (const char* package : {"fonts-liberation", "qt6-image-formats-plugins"})
    EXPECT_NE(recommends.text.find(package), std::string::npos) << recommends.text;

  const fs::path unpacked = root_.Path() / "unpacked";
  ASSERT_EQ(RunCommand({"dpkg-deb", "-x", deb.string(), unpacked.string()}), 0);
  ExpectTheSlideshow(unpacked / "usr");
}
