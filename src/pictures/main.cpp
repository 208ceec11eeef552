#include "pictures/picture_import.h"

int main(int argc, char** argv) {
  return pictures::RunPictures(argc, argv);
}
