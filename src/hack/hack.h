// The display inside a window that someone else owns: a screen-saver daemon's window, or the
// root window. Only the entry and the top-level window differ from "quillmor /s"; ending is left
// to the daemon, which kills the process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct HackOptions {
  // The window to draw into; nullopt with root set means the root window.
  std::optional<std::uint32_t> window;
  bool root = false;
  bool help = false;
  std::string error; // non-empty when the arguments could not be understood
};

// An X window id in decimal or 0x-prefixed hexadecimal; nullopt for anything else or zero.
std::optional<std::uint32_t> ParseWindowId(std::string_view text);

// Reads --root, --window-id ID and --help (one dash works too, as daemons pass them). The
// daemon's XSCREENSAVER_WINDOW (environmentWindow, may be null) wins over --root, because the
// daemon passes --root and names its own window there; an explicit --window-id wins over both.
HackOptions ParseHackArguments(const std::vector<std::string>& arguments,
                               const char* environmentWindow);

// Runs the display in the chosen window until the process is killed or the window goes away.
// Exit codes: 0 after the window went away, 1 when the window cannot be used, 2 on bad arguments.
int RunHack(int argc, char** argv);
