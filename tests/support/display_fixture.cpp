#include "support/display_fixture.h"

#include "platform/system.h"
#include "platform/testing.h"
#include "program.h"
#include "support/jpeg_writer.h"

void FakePlayer::Open() {
  log_->calls.push_back("open " + FileName);
  log_->open = false;
  log_->mode = TMPModes::mpNotReady;
  if (log_->failOpen)
    throw EMCIDeviceError("The specified file cannot be played");
  log_->open = true;
  log_->mode = TMPModes::mpStopped;
}

void FakePlayer::Play() {
  if (!log_->open)
    throw EMCIDeviceError("No MCI device open");
  log_->calls.push_back("play");
  log_->mode = log_->refusePlay ? TMPModes::mpStopped : TMPModes::mpPlaying;
}

void FakePlayer::Stop() {
  if (!log_->open)
    throw EMCIDeviceError("No MCI device open");
  log_->calls.push_back("stop");
  log_->mode = TMPModes::mpStopped;
}

void FakePlayer::Close() {
  log_->calls.push_back("close");
  log_->open = false;
}

DisplayTest::DisplayTest() {
  platform_test::SetScreenSize(std::pair{800, 600});
  SettingsPath = "C:\\WINDOWS\\quilmr20.ini";
  platform_test::SetPlayerFactory([log = player_] { return std::make_unique<FakePlayer>(log); });
  platform_test::SetMessageBoxResponder([this](const MessageBoxRequest& request) {
    boxes_.push_back(request.text);
    return IDOK;
  });
}

DisplayTest::~DisplayTest() {
  form_.reset();
  platform_test::SetPlayerFactory(nullptr);
  platform_test::SetMessageBoxResponder(nullptr);
  platform_test::SetRefuseTimers(false);
  platform_test::SetScreenSize(std::nullopt);
  platform_test::SetSystemTime(std::nullopt);
  ShowCursor(true);
}

void DisplayTest::WriteSettings(const std::string& options,
                                const std::vector<std::string>& slotValues) {
  std::string content = "[Options]\r\n" + options + "[WavConfig]\r\n";
  for (int n = 1; n <= 100; ++n) {
    const std::size_t index = std::size_t(n) - 1;
    const std::string value =
        index < slotValues.size() ? slotValues.at(index) : std::string("Null");
    content += "Name" + std::to_string(n) + "=" + value + "\r\n";
  }
  WriteWholeFile(root_.SettingsFile(), content);
}

void DisplayTest::InstallPictures(int width, int height) {
  BuildPictureCatalogue("C:\\WINDOWS");
  for (int k = 1; k <= kCatalogueSize; ++k) {
    const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
    WriteSolidJpeg(root_.DriveC() / "Tavrin" / "Quillmor" / name, width, height,
                   QColor::fromHsv((k * 9) % 360, 200, 220));
  }
}

TForm1& DisplayTest::CreateDisplay() {
  form_ = std::make_unique<TForm1>();
  try {
    form_->FormCreate();
  } catch (const std::exception& error) {
    boxes_.push_back(ErrorBoxText(error.what()));
  }
  return *form_;
}
