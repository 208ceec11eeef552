// The about box: the rights notice and the disclaimer.
#pragma once

#include "platform/forms.h"

class QLabel;
class QPushButton;
class TGroupBox;

class Tfrmdisc : public TForm {
  Q_OBJECT
public:
  Tfrmdisc();
  ~Tfrmdisc() override;

  void Button1Click();

  TGroupBox* GroupBox1 = nullptr;
  TGroupBox* GroupBox2 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* Button1 = nullptr;

protected:
  void showEvent(QShowEvent* event) override;
};

// The one about box, set while it exists; the settings dialog shows it.
extern Tfrmdisc* frmdisc;
