// The settings dialog: the options as radio buttons, the sound files as a list.
#pragma once

#include "platform/forms.h"

class QPushButton;

class TForm2 : public TForm {
  Q_OBJECT
public:
  TForm2();
  ~TForm2() override;

  void FormCreate() override;
  void cmdcloseClick();

  QPushButton* cmdclose = nullptr;
};
