// The program entry: whether a display already runs, and which mode the first command-line
// argument asks for.
#pragma once

#include <string_view>

enum class StartMode { None, Display, Settings };

// "/S" exactly starts the display; "/C", or any argument whose first two characters are "/C",
// the settings dialog; only the letters a to z are upper-cased before the comparison.
StartMode ModeForArgument(std::string_view firstArgument);

// Runs the program for its command line and returns the process's exit code.
int RunPsave(int argc, char** argv);
