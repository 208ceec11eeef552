// The program entry: where the settings live, whether a display already runs, and which mode the
// first command-line argument asks for.
#pragma once

#include <string>
#include <string_view>

// The Windows directory as the platform reports it, or "c:\windows" when it reports nothing. Its
// folder exists afterwards.
std::string LookUpWindowsDir();
// The drive part of a path: "C:" for C:\WINDOWS, "\\server\share" for a UNC path.
std::string DriveOf(std::string_view path);

// Found at start-up and used by the display: the Windows directory and the settings file in it.
extern std::string WindowsDir;
extern std::string SettingsPath;

inline const char kApplicationTitle[] = "Quillmor Screensaver";
inline const char kDisplayClass[] = "TForm1";
inline const char kDisplayCaption[] = "quilldorn";

enum class StartMode { None, Display, Settings };

// "/S" exactly starts the display; "/C", or any argument whose first two characters are "/C",
// the settings dialog; only the letters a to z are upper-cased before the comparison.
StartMode ModeForArgument(std::string_view firstArgument);

// Runs the program for its command line and returns the process's exit code.
int RunPsave(int argc, char** argv);
