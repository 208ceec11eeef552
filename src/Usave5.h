// The about box: the rights notice and the disclaimer.
#pragma once

#include "platform/forms.h"

class Tfrmdisc : public TForm {
public:
  Tfrmdisc();
  ~Tfrmdisc() override;

  void Button1Click();

  TGroupBox* GroupBox1 = nullptr;
  TGroupBox* GroupBox2 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TButton* Button1 = nullptr;
};

// The one about box, set while it exists; the settings dialog shows it.
extern Tfrmdisc* frmdisc;
