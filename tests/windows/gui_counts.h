// What a long run must not let grow: the desktop's GDI and USER objects of this process and its
// resident memory, with the way each was counted.
#pragma once

#include <string>

struct GuiCounts {
  long gdiObjects = 0;
  long userObjects = 0;
  long residentKiB = 0;
  std::string how; // which count stood behind each number
};

GuiCounts CountGuiResources();
