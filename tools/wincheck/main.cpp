// wincheck FILE.jpg: prints the picture's size and this program's own resource strings.
#include <cstdio>

#include "wincheck.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wincheck FILE.jpg\n");
    return 2;
  }
  const auto image = wincheck::decodeJpegFile(argv[1]);
  if (!image) {
    std::fprintf(stderr, "wincheck: cannot decode %s\n", argv[1]);
    return 1;
  }
  std::printf("size %dx%d\n", image->width, image->height);
  std::printf("string 1: %s\n", wincheck::resourceString(1).c_str());
  std::printf("FileDescription: %s\n", wincheck::versionString("FileDescription").c_str());
  return 0;
}
