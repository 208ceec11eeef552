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

constexpr int kDisclaimerLeft = 12, kDisclaimerTop = 22, kDisclaimerWidth = 413; // px

QLabel* WrappedLabel(const char* text, QWidget* parent, const QRect& bounds) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(bounds);
  return label;
}

// A disclaimer label as tall as its wrapped text, starting at top.
QLabel* DisclaimerLabel(const char* text, QWidget* parent, int top) {
  QLabel* label = WrappedLabel(text, parent, QRect(kDisclaimerLeft, top, kDisclaimerWidth, 1));
  label->resize(kDisclaimerWidth, label->heightForWidth(kDisclaimerWidth));
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
  setFont(WindowFont(11));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ColorFromValue(kGrey));
  setPalette(colours);
  setAutoFillBackground(true);

  GroupBox1 = new TGroupBox(this);
  GroupBox1->setGeometry(8, 16, 489, 273);
  Label1 = WrappedLabel(kRightsNotice, GroupBox1, QRect(28, 14, 437, 44));

  GroupBox2 = new TGroupBox("Disclaimer", GroupBox1);
  GroupBox2->setFont(WindowFont(13));
  GroupBox2->setGeometry(28, 64, 437, 169);
  // The sentence that runs on from Label2 into Label3 reads as one paragraph: Label3 starts on the
  // line after Label2's last one. Label4 follows after a blank line.
  Label2 = DisclaimerLabel(kDisclaimerStart, GroupBox2, kDisclaimerTop);
  Label3 = DisclaimerLabel(kDisclaimerEnd, GroupBox2, Label2->geometry().bottom() + 1);
  Label4 = DisclaimerLabel(kDisclaimerSharing, GroupBox2,
                           Label3->geometry().bottom() + 1 + Label3->fontMetrics().lineSpacing());
  FitCaptions(*this);

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
