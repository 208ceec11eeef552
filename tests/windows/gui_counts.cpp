#include "gui_counts.h"

#include <cstdint>
#include <cstring>

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

namespace {

// Where the desktop gives no count (Wine's GetGuiResources answers 0), Wine's GDI handle table of
// the process, which the PEB points to where Windows keeps its own: its entries in use, 24 bytes
// each in both builds.
constexpr std::size_t kGdiEntrySize = 24;
constexpr std::size_t kGdiEntries = 0x10000;
constexpr std::size_t kGdiTypeOffset = 14;
#ifdef _WIN64
constexpr std::size_t kPebGdiTableOffset = 0xF8;
#else
constexpr std::size_t kPebGdiTableOffset = 0x94;
#endif

bool Readable(const void* start, std::size_t size) {
  const auto* at = static_cast<const std::uint8_t*>(start);
  const auto* end = at + size;
  while (at < end) {
    MEMORY_BASIC_INFORMATION region;
    if (!VirtualQuery(at, &region, sizeof region) || region.State != MEM_COMMIT ||
        (region.Protect & (PAGE_NOACCESS | PAGE_GUARD)) || !region.Protect)
      return false;
    at = static_cast<const std::uint8_t*>(region.BaseAddress) + region.RegionSize;
  }
  return true;
}

const std::uint8_t* Peb() {
  // GCC 12 takes the segment read inside NtCurrentTeb for an access past an empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  return reinterpret_cast<const std::uint8_t*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#pragma GCC diagnostic pop
}

long GdiTableEntriesInUse() {
  const std::uint8_t* peb = Peb();
  const std::uint8_t* table = nullptr;
  std::memcpy(&table, peb + kPebGdiTableOffset, sizeof table);
  if (!table || !Readable(table, kGdiEntrySize * kGdiEntries))
    return -1;
  long used = 0;
  for (std::size_t i = 0; i < kGdiEntries; ++i)
    used += table[i * kGdiEntrySize + kGdiTypeOffset] != 0;
  return used;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  EnumChildWindows(hwnd, &CountChild, count);
  return TRUE;
}

long ThreadWindows() {
  long count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

} // namespace

GuiCounts CountGuiResources() {
  GuiCounts counts;
  counts.gdiObjects = long(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  counts.userObjects = long(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  counts.how = "GetGuiResources";
  if (counts.gdiObjects == 0) {
    counts.gdiObjects = GdiTableEntriesInUse();
    counts.how = "GDI: entries in use in the PEB's GDI handle table";
  }
  if (counts.userObjects == 0) {
    counts.userObjects = ThreadWindows();
    counts.how += "; USER: the thread's windows and their children";
  }
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
    counts.residentKiB = long(memory.WorkingSetSize / 1024);
  return counts;
}
