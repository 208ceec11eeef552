#include "hack/hack.h"

int main(int argc, char** argv) {
  return RunHack(argc, argv);
}
