#include "usave1.h"

#include <QKeyEvent>

#include "platform/system.h"
#include "psave.h"
#include "settings/settings.h"

TForm1::TForm1() : identity_(kDisplayClass, kDisplayCaption) {
  setWindowTitle(kDisplayCaption);
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
  if (!SettingsFileExists(SettingsPath))
    WriteDisplayDefaults(SettingsPath);
  ShowCursor(false);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  ReadOptions(SettingsPath);
}

void TForm1::ShowAfterCreation() {
  setGeometry(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  showFullScreen();
  raise();
  activateWindow();
  setFocus();
}

void TForm1::keyPressEvent(QKeyEvent*) { FormKeyDown(); }

void TForm1::FormKeyDown() { close(); }
