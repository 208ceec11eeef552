// The window of the picture import: a folder of photos chosen, the work shown as it goes on, and
// what was written and skipped afterwards.
#pragma once

#include <functional>
#include <string>

#include "pictures/picture_import.h"
#include "platform/forms.h"

class TPicturesForm : public TForm {
public:
  TPicturesForm();

  void ChooseButtonClick();
  void RestoreButtonClick();
  void CloseButtonClick();
  bool FormCloseQuery();

  bool Working() const { return working_; }

  TLabel* IntroLabel = nullptr;
  TButton* ChooseButton = nullptr;
  TButton* RestoreButton = nullptr;
  TProgressBar* ProgressBar1 = nullptr;
  TLabel* StatusLabel = nullptr;
  TLabel* SkippedLabel = nullptr;
  TListBox* SkippedList = nullptr;
  TButton* CloseButton = nullptr;

private:
  // Runs an import or a restore with the buttons held, the bar following it and the window
  // answering meanwhile; then shows its summary and what it left out.
  void Work(const std::function<pictures::Report(const pictures::ProgressFn&)>& run,
            const std::function<std::string(const pictures::Report&)>& summary);
  bool Step(int done, int total, const std::string& name);
  void ShowProblems(const pictures::Report& report);

  std::string lastFolder_;
  bool working_ = false;
  bool closeAsked_ = false;
};
