#include "settings/settings.h"

#include "platform/profile.h"
#include "settings/inifile.h"

namespace {

const std::string kOptions = "Options";
const std::string kWavConfig = "WavConfig";

// The stored defaults, whichever mode writes them.
constexpr bool kDefaultSound = false;
constexpr int kDefaultColor = 2;
constexpr int kDefaultPicdis = 3;
constexpr int kDefaultTime = 1;

std::string SlotKey(int slot) {
  return "Name" + std::to_string(slot);
}

int OneOf(int value, int highest) {
  return value >= 1 && value < highest ? value : highest;
}

void WriteEmptySlots(const TIniFile& ini, const std::function<void(int)>& onSlotWritten) {
  for (int slot = 1; slot <= kSoundSlotCount; ++slot) {
    ini.WriteString(kWavConfig, SlotKey(slot), kEmptySlot);
    if (onSlotWritten)
      onSlotWritten(slot);
  }
}

} // namespace

bool SettingsFileExists(const std::string& settingsPath) {
  return ProfileFileExists(settingsPath.c_str());
}

void WriteDisplayDefaults(const std::string& settingsPath) {
  const DeferredProfileSync newFile(settingsPath.c_str());
  const TIniFile ini(settingsPath);
  ini.WriteBool(kOptions, "Sound", kDefaultSound);
  ini.WriteInteger(kOptions, "Color", kDefaultColor);
  ini.WriteInteger(kOptions, "Picdis", kDefaultPicdis);
  ini.WriteInteger(kOptions, "Time", kDefaultTime);
  WriteEmptySlots(ini, {});
}

void WriteDialogDefaults(const std::string& settingsPath,
                         const std::function<void(int)>& onSlotWritten) {
  const DeferredProfileSync newFile(settingsPath.c_str());
  const TIniFile ini(settingsPath);
  ini.WriteBool(kOptions, "Sound", kDefaultSound);
  ini.WriteInteger(kOptions, "Time", kDefaultTime);
  ini.WriteInteger(kOptions, "Color", kDefaultColor);
  ini.WriteInteger(kOptions, "Picdis", kDefaultPicdis);
  WriteEmptySlots(ini, onSlotWritten);
}

SettingsOptions ReadOptions(const std::string& settingsPath) {
  const TIniFile ini(settingsPath);
  SettingsOptions options;
  options.Sound = ini.ReadBool(kOptions, "Sound", true);
  options.Color = OneOf(ini.ReadInteger(kOptions, "Color", -1), 3);
  options.Picdis = OneOf(ini.ReadInteger(kOptions, "Picdis", -1), 3);
  options.Time = OneOf(ini.ReadInteger(kOptions, "Time", -1), 4);
  return options;
}

void WriteOptions(const std::string& settingsPath, const SettingsOptions& options) {
  const TIniFile ini(settingsPath);
  ini.WriteBool(kOptions, "Sound", options.Sound);
  ini.WriteInteger(kOptions, "Color", options.Color);
  ini.WriteInteger(kOptions, "Picdis", options.Picdis);
  ini.WriteInteger(kOptions, "Time", options.Time);
}

std::string ReadSoundSlot(const std::string& settingsPath, int slot) {
  return TIniFile(settingsPath).ReadString(kWavConfig, SlotKey(slot), " ");
}

void WriteSoundSlot(const std::string& settingsPath, int slot, const std::string& value) {
  TIniFile(settingsPath).WriteString(kWavConfig, SlotKey(slot), value);
}

int SlideIntervalFor(int time) {
  return 15000 * OneOf(time, 4);
}
