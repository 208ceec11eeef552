#include "Usave5.h"

namespace {

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

// A disclaimer label as tall as its wrapped text, starting at top.
TLabel* DisclaimerLabel(TControl& parent, const char* name, const char* text, int top) {
  TLabel* label = WrappedLabel(parent, name, text, {kDisclaimerLeft, top, kDisclaimerWidth, 1});
  label->SetAutoSize(true);
  return label;
}

} // namespace

Tfrmdisc* frmdisc = nullptr;

Tfrmdisc::~Tfrmdisc() {
  if (frmdisc == this)
    frmdisc = nullptr;
}

Tfrmdisc::Tfrmdisc() : TForm("Tfrmdisc") {
  frmdisc = this;
  SetBorderStyle(TBorderStyle::bsNone);
  SetPosition(TPosition::poScreenCenter);
  SetCaption("Quillmor");
  SetClientSize(514, 336);
  SetFont(TFont{.Height = 11});
  SetColor(clGray);

  GroupBox1 = Add<TGroupBox>("GroupBox1");
  GroupBox1->SetBounds(8, 16, 489, 273);
  Label1 = WrappedLabel(*GroupBox1, "Label1", kRightsNotice, {28, 14, 437, 44});

  GroupBox2 = GroupBox1->Add<TGroupBox>("GroupBox2", "Disclaimer");
  GroupBox2->SetFont(TFont{.Height = 13});
  GroupBox2->SetBounds(28, 64, 437, 169);
  // The sentence that runs on from Label2 into Label3 reads as one paragraph: Label3 starts on the
  // line after Label2's last one. Label4 follows after a blank line.
  Label2 = DisclaimerLabel(*GroupBox2, "Label2", kDisclaimerStart, kDisclaimerTop);
  Label3 = DisclaimerLabel(*GroupBox2, "Label3", kDisclaimerEnd, Label2->Top() + Label2->Height());
  Label4 = DisclaimerLabel(*GroupBox2, "Label4", kDisclaimerSharing,
                           Label3->Top() + Label3->Height() + Label3->LineHeight());
  FitCaptions();

  Button1 = Add<TButton>("Button1", "Return");
  Button1->SetBounds(412, 300, 75, 25);
  Button1->OnClick = [this] { Button1Click(); };
}

void Tfrmdisc::Button1Click() {
  Close();
}
