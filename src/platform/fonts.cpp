#include "platform/fonts.h"

#include <QStringList>

QFont PixelFont(const char* family, int pixels) {
  QFont font(QString::fromUtf8(family));
  font.setFamilies(QStringList{QString::fromUtf8(family), "Arial", "Liberation Sans", "Nimbus Sans",
                               "Helvetica"});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  return font;
}
