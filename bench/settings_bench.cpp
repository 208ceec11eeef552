// The two settings-file costs a user waits for: one key looked up in a huge file (the display
// reads its options and 100 slots before it is shown), and the 104 default writes of a first
// start, each one call that replaces the file.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "settings/settings.h"

namespace fs = std::filesystem;

namespace {

class Folder {
public:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "quillmor-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
      std::abort();
    path_ = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  // A native absolute path, which the settings operations take as it stands.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
  fs::path path_;
};

// A settings file of 16 MiB: the slot section filled with about three million short lines, and
// the slot looked up missing, so that the whole file is read and scanned.
std::string HugeFile(const Folder& folder, const std::string& line) {
  std::string text = "[Options]\r\nSound=1\r\n[WavConfig]\r\n";
  while (text.size() + line.size() <= (std::size_t(16) << 20))
    text += line;
  const std::string file = folder.File("huge.ini");
  std::ofstream(file, std::ios::binary) << text;
  return file;
}

void ReadOneSlot(benchmark::State& state, const std::string& line) {
  const Folder folder;
  const std::string file = HugeFile(folder, line);
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadSoundSlot(file, 1));
}

// Lines that no lookup of a slot needs to look at.
void BM_ReadOneKeyOf16MiB(benchmark::State& state) {
  ReadOneSlot(state, "a=1\r\n");
}
BENCHMARK(BM_ReadOneKeyOf16MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// Lines that begin as the slot's key does, so each is compared with it.
void BM_ReadOneKeyOf16MiBLinesLikeTheKey(benchmark::State& state) {
  ReadOneSlot(state, "Name=1\r\n");
}
BENCHMARK(BM_ReadOneKeyOf16MiBLinesLikeTheKey)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteDisplayDefaults(benchmark::State& state) {
  const Folder folder;
  const std::string file = folder.File("quilmr20.ini");
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(file);
    state.ResumeTiming();
    WriteDisplayDefaults(file);
  }
}
BENCHMARK(BM_WriteDisplayDefaults)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
