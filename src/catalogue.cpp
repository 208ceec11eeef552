#include "catalogue.h"

#include "program.h"

const std::array<const char*, kCatalogueSize> kPictureFiles = {
    "griztand.jpg", "elkbugl1.jpg", "tfoxjump.jpg", "eagle10.jpg",  "drake.jpg",    "buffcros.jpg",
    "artistpt.jpg", "enddeer1.jpg", "hawkglo.jpg",  "eaglpair.jpg", "pelican.jpg",  "grizwalk.jpg",
    "elk2.jpg",     "tcoyot1.jpg",  "tgoat2.jpg",   "elkgraz1.jpg", "moosfall.jpg", "tbear16.jpg",
    "elkgraz2.jpg", "buflo1.jpg",   "elkrak2.jpg",  "griz7111.jpg", "juvinile.jpg", "griz7261.jpg",
    "teglprch.jpg", "moose1.jpg",   "buflo2.jpg",   "fox1.jpg",     "bear3697.jpg", "fox2.jpg",
    "tcrane2.jpg",  "eagle3hi.jpg", "tsheep1.jpg",  "duckhed1.jpg", "tgoat1.jpg",   "antelop2.jpg",
    "elkfite1.jpg", "elkrak1.jpg"};

std::string PictureFolder;
std::array<std::string, kCatalogueSize + 1> PictureCatalogue;

void BuildPictureCatalogue(const std::string& windowsDir) {
  PictureFolder = DriveOf(windowsDir) + "\\Tavrin\\Quillmor\\";
  for (int k = 1; k <= kCatalogueSize; ++k)
    PictureCatalogue[k] = (PictureFolder + kPictureFiles[k - 1]).substr(0, kCatalogueEntryCapacity);
}

std::string MissingPictureMessage(const std::string& path) {
  return "File " + path + " no longer exists on your " +
         "system!  It appears you have removed it. Please replace this " + "picture to continue.";
}
