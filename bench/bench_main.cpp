// The entry of every benchmark: one application, offscreen, for those that make windows or read
// pictures through the toolkit.
#include <cstdlib>

#include <benchmark/benchmark.h>

#include "platform/application.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application().Initialize(argv[0]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Application().Finalize();
  return 0;
}
