#include "pictures/pictures_window.h"

#include "pictures/summary.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace {

constexpr const char* kIntro =
    "Fills the 38 pictures of the Quillmor slideshow from a folder of your photos and the folders "
    "in it. They are turned upright and scaled down to fit this screen; with fewer than 38 "
    "photos, they are used in turn.";

// Holds the buttons while work goes on, and lets them go however it ends.
class WorkingState {
public:
  WorkingState(bool& working, std::initializer_list<TControl*> held)
      : working_(working), held_(held) {
    working_ = true;
    for (TControl* control : held_)
      control->SetEnabled(false);
  }
  ~WorkingState() {
    working_ = false;
    for (TControl* control : held_)
      control->SetEnabled(true);
  }
  WorkingState(const WorkingState&) = delete;
  WorkingState& operator=(const WorkingState&) = delete;

private:
  bool& working_;
  std::vector<TControl*> held_;
};

} // namespace

TPicturesForm::TPicturesForm() : TForm("TPicturesForm") {
  SetBorderStyle(TBorderStyle::bsSingle);
  SetPosition(TPosition::poScreenCenter);
  SetCaption("Quillmor Pictures");
  SetClientSize(480, 336);
  SetColor(clSilver);

  IntroLabel = WrappedLabel(*this, "IntroLabel", kIntro, {12, 12, 456, 42});
  ChooseButton = Add<TButton>("ChooseButton", "Choose a folder...");
  ChooseButton->SetBounds(12, 62, 150, 25);
  ChooseButton->SetDefault(true);
  ChooseButton->OnClick = [this] { ChooseButtonClick(); };
  RestoreButton = Add<TButton>("RestoreButton", "Restore the bundled pictures");
  RestoreButton->SetBounds(172, 62, 190, 25);
  RestoreButton->OnClick = [this] { RestoreButtonClick(); };

  ProgressBar1 = Add<TProgressBar>("ProgressBar1");
  ProgressBar1->SetBounds(12, 98, 456, 18);
  StatusLabel = WrappedLabel(*this, "StatusLabel", "", {12, 124, 456, 42});
  SkippedLabel = Add<TLabel>("SkippedLabel", "Skipped files:");
  SkippedLabel->SetBounds(12, 172, 200, 14);
  SkippedList = Add<TListBox>("SkippedList");
  SkippedList->SetBounds(12, 188, 456, 104);

  CloseButton = Add<TButton>("CloseButton", "Close");
  CloseButton->SetBounds(393, 302, 75, 25);
  CloseButton->OnClick = [this] { CloseButtonClick(); };
  OnCloseQuery = [this] { return FormCloseQuery(); };
  SetTabOrder({ChooseButton, RestoreButton, SkippedList, CloseButton});
  FitCaptions();
}

void TPicturesForm::ChooseButtonClick() {
  const std::optional<std::string> folder =
      SelectFolder({"Choose a folder of photos", lastFolder_});
  if (!folder)
    return;
  lastFolder_ = *folder;
  const pictures::Bound bound = pictures::ChooseBound(std::nullopt, true);
  Work(
      [&](const pictures::ProgressFn& progress) {
        return pictures::Import({platform::PathOfUtf8(*folder)}, bound.size, progress);
      },
      [&](const pictures::Report& report) {
        return pictures::ImportSummary(report, {*folder}, bound);
      });
}

void TPicturesForm::RestoreButtonClick() {
  Work([](const pictures::ProgressFn& progress) { return pictures::Restore(progress); },
       [](const pictures::Report& report) { return pictures::RestoreSummary(report); });
}

void TPicturesForm::CloseButtonClick() {
  Close();
}

// Closing while photos are read stops the import before it writes anything; once it writes, the
// window waits for the last file. Either way it closes when the work is over.
bool TPicturesForm::FormCloseQuery() {
  if (!working_)
    return true;
  closeAsked_ = true;
  StatusLabel->SetCaption("Stopping...");
  return false;
}

void TPicturesForm::Work(const std::function<pictures::Report(const pictures::ProgressFn&)>& run,
                         const std::function<std::string(const pictures::Report&)>& summary) {
  while (SkippedList->Count() > 0)
    SkippedList->DeleteItem(SkippedList->Count() - 1);
  ProgressBar1->SetPosition(0);
  StatusLabel->SetCaption("Working...");
  pictures::Report report;
  {
    WorkingState state(working_, {ChooseButton, RestoreButton, CloseButton});
    // Shown before the first photo, which may take a while.
    Application().ProcessMessages();
    report = run(
        [this](int done, int total, const std::string& name) { return Step(done, total, name); });
  }
  ProgressBar1->SetPosition(ProgressBar1->Max());
  StatusLabel->SetCaption(summary(report));
  ShowProblems(report);
  if (closeAsked_)
    Close();
}

bool TPicturesForm::Step(int done, int total, const std::string& name) {
  ProgressBar1->SetMax(total);
  ProgressBar1->SetPosition(done);
  if (!closeAsked_)
    StatusLabel->SetCaption("Working: " + name);
  Application().ProcessMessages();
  return !closeAsked_;
}

void TPicturesForm::ShowProblems(const pictures::Report& report) {
  for (const std::string& skipped : report.skipped)
    SkippedList->AddItem(skipped);
  for (const std::string& failed : report.failed)
    SkippedList->AddItem("Not written: " + failed);
  SkippedLabel->SetCaption("Skipped files (" + std::to_string(SkippedList->Count()) + "):");
}
