#include "usave2.h"

#include <QPushButton>

#include "psave.h"
#include "settings/settings.h"

namespace {
std::string SoundSlots[kSoundSlotCount + 1];
}

TForm2::TForm2() {
  setWindowTitle("Quillmor Screensaver Settings");
  setFixedSize(552, 383);
  cmdclose = new QPushButton("OK", this);
  cmdclose->setGeometry(464, 361, 75, 17);
  connect(cmdclose, &QPushButton::clicked, this, [this] { cmdcloseClick(); });
}

TForm2::~TForm2() = default;

void TForm2::FormCreate() {
  const std::string windowsDir = LookUpWindowsDir();
  const std::string settingsPath = windowsDir + "\\quilmr20.ini";
  if (SettingsFileExists(settingsPath)) {
    ReadOptions(settingsPath);
    for (int n = 1; n <= kSoundSlotCount; ++n)
      SoundSlots[n] = ReadSoundSlot(settingsPath, n);
  } else {
    WriteDialogDefaults(settingsPath, [](int n) { SoundSlots[n] = kEmptySlot; });
  }
}

void TForm2::cmdcloseClick() { close(); }
