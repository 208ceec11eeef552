// The settings file: its keys and defaults, declared once, and the operations every window uses.
// Each operation opens an accessor on the file for the duration of the call; nothing is cached.
#pragma once

#include <functional>
#include <string>

struct SettingsOptions {
  bool Sound = true;
  int Color = 3;  // colour-scheme number, 1 to 3
  int Picdis = 3; // layout, 1 tiled, 2 default size, 3 full screen
  int Time = 4;   // interval: 1 to 4 for 15, 30, 45 or 60 seconds
};

constexpr int kSoundSlotCount = 100;
// The value of an empty sound slot, compared with case.
inline const std::string kEmptySlot = "Null";

bool SettingsFileExists(const std::string& settingsPath);
// The defaults in the display's key order: Sound, Color, Picdis, Time, then Name1 to Name100.
void WriteDisplayDefaults(const std::string& settingsPath);
// The defaults in the dialog's key order: Sound, Time, Color, Picdis, then the slots. Each slot
// written is reported to onSlotWritten, so the caller's copy follows the file write by write.
void WriteDialogDefaults(const std::string& settingsPath,
                         const std::function<void(int slot)>& onSlotWritten = {});
SettingsOptions ReadOptions(const std::string& settingsPath);
void WriteOptions(const std::string& settingsPath, const SettingsOptions& options);
// Slots are numbered 1 to 100; a missing slot key reads as the empty text (an occupied slot).
std::string ReadSoundSlot(const std::string& settingsPath, int slot);
// Reads back exactly what it wrote (see TIniFile::WriteString); a path with a line break is
// refused.
void WriteSoundSlot(const std::string& settingsPath, int slot, const std::string& value);

// The display's interval for a Time option of 1 to 4, in ms.
int SlideIntervalFor(int time);
