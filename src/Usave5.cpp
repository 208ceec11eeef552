#include "Usave5.h"

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "platform/fonts.h"
#include "platform/system.h"

namespace {

constexpr unsigned kGrey = 8421504;

constexpr const char* kRightsNotice = "Quillmor Screensaver Version 2.0\n"
                                      "Copyright (C) the Quillmor Screensaver developers.  "
                                      "All rights reserved.";
// The first two parts are one sentence that runs on from one label into the next.
constexpr const char* kDisclaimerStart =
    "This software is provided as it is, without a warranty of any kind, express or implied.  "
    "In no event shall the Quillmor Screensaver developers be held liable for any damage or loss";
constexpr const char* kDisclaimerEnd =
    "arising from its use, or from being unable to use it, however caused.  You use it entirely "
    "at your own risk.";
constexpr const char* kDisclaimerSharing =
    "You may copy and pass on this software freely, provided that it is passed on whole, "
    "unchanged and free of charge.";

QFont SansSerif(int pixels) {
  return PixelFont("MS Sans Serif", pixels);
}

QLabel* WrappedLabel(const char* text, QWidget* parent, const QRect& bounds) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(bounds);
  return label;
}

} // namespace

Tfrmdisc* frmdisc = nullptr;

Tfrmdisc::~Tfrmdisc() {
  if (frmdisc == this)
    frmdisc = nullptr;
}

Tfrmdisc::Tfrmdisc() {
  frmdisc = this;
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setWindowTitle("Quillmor");
  setFixedSize(514, 336);
  setFont(SansSerif(11));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromValue(kGrey));
  setPalette(colours);
  setAutoFillBackground(true);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setGeometry(8, 16, 489, 273);
  Label1 = WrappedLabel(kRightsNotice, GroupBox1, QRect(28, 14, 437, 44));

  GroupBox2 = new QGroupBox("Disclaimer", GroupBox1);
  GroupBox2->setFont(SansSerif(13));
  GroupBox2->setGeometry(28, 64, 437, 169);
  Label2 = WrappedLabel(kDisclaimerStart, GroupBox2, QRect(12, 22, 413, 56));
  Label3 = WrappedLabel(kDisclaimerEnd, GroupBox2, QRect(12, 80, 413, 38));
  Label4 = WrappedLabel(kDisclaimerSharing, GroupBox2, QRect(12, 122, 413, 38));

  Button1 = new QPushButton("Return", this);
  Button1->setGeometry(412, 300, 75, 25);
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void Tfrmdisc::Button1Click() {
  close();
}

void Tfrmdisc::showEvent(QShowEvent* event) {
  move((GetSystemMetrics(SM_CXSCREEN) - width()) / 2,
       (GetSystemMetrics(SM_CYSCREEN) - height()) / 2);
  TForm::showEvent(event);
}
