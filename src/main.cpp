#include "psave.h"

int main(int argc, char** argv) {
  return RunPsave(argc, argv);
}
