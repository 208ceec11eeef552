// One form with a control of every kind, for the tests of the controls on every backend.
#pragma once

#include "platform/forms.h"

class TestForm : public TForm {
public:
  TestForm() : TForm("TForm1") {
    SetCaption("quilldorn");
    SetBorderStyle(TBorderStyle::bsDialog);
    SetClientSize(400, 300);
    Title = Add<TLabel>("Title", "A label");
    Title->SetBounds(8, 8, 200, 16);
    Group = Add<TGroupBox>("Group", "Choose");
    Group->SetBounds(8, 30, 180, 80);
    First = Group->Add<TRadioButton>("First", "First");
    First->SetBounds(8, 16, 100, 18);
    Second = Group->Add<TRadioButton>("Second", "Second");
    Second->SetBounds(8, 40, 100, 18);
    List = Add<TListBox>("List");
    List->SetBounds(200, 30, 120, 80);
    Memo = Add<TMemo>("Memo");
    Memo->SetBounds(8, 120, 180, 60);
    Panel = Add<TPanel>("Panel");
    Panel->SetBounds(200, 120, 60, 40);
    Panel->SetColor(clTeal);
    Panel->SetBevel(TPanelBevel::bvLowered, 1);
    Ok = Add<TButton>("Ok", "OK");
    Ok->SetBounds(200, 260, 75, 25);
    Cancel = Add<TButton>("Cancel", "Cancel");
    Cancel->SetBounds(290, 260, 75, 25);
    Ok->OnClick = [this] { ++okClicks; };
    Cancel->OnClick = [this] { ++cancelClicks; };
  }

  TLabel* Title;
  TGroupBox* Group;
  TRadioButton* First;
  TRadioButton* Second;
  TListBox* List;
  TMemo* Memo;
  TPanel* Panel;
  TButton* Ok;
  TButton* Cancel;
  int okClicks = 0;
  int cancelClicks = 0;
};
