// The program's names, and where its files live: the Windows directory, the settings file in it,
// and the drive that holds both and the picture folder.
#pragma once

#include <string>
#include <string_view>

inline const char kApplicationTitle[] = "Quillmor Screensaver";
// The display window's class and caption, by which a second start finds a running display.
inline const char kDisplayClass[] = "TForm1";
inline const char kDisplayCaption[] = "quilldorn";

inline const char kSettingsFileName[] = "quilmr20.ini";

// The Windows directory as the platform reports it, or "c:\windows" when it reports nothing. Its
// folder exists afterwards.
std::string LookUpWindowsDir();
// The drive part of a path: "C:" for C:\WINDOWS, "\\server\share" for a UNC path.
std::string DriveOf(std::string_view path);
// The settings file in a Windows directory.
std::string SettingsPathIn(const std::string& windowsDir);

// Found at start-up and used by the display: the Windows directory and the settings file in it.
extern std::string WindowsDir;
extern std::string SettingsPath;
