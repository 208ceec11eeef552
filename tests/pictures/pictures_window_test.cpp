// The window of the picture import as a user works it: a folder chosen, the bar at its end, what
// was written said and what was skipped listed; closing while photos are read stops the import
// with nothing written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pictures/picture_import.h"
#include "pictures/pictures_window.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/testing.h"
#include "support/pictures.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class PicturesWindow : public ::testing::Test {
protected:
  PicturesWindow() {
    WriteBytes(Photos() / "a.jpg", JpegOf(ColourBlocks(120, 80)));
    WriteBytes(Photos() / "b.jpg", JpegOf(ColourBlocks(90, 60)));
    const std::vector<std::uint8_t> whole = JpegOf(ColourBlocks(200, 100));
    WriteBytes(Photos() / "c-cut.jpg", {whole.begin(), whole.begin() + 400});
    WriteWholeFile(Photos() / "d-notes.txt", "a list of the photos");
    platform_test::SetSelectFolderResponder([this](const SelectFolderRequest& request) {
      requests_.push_back(request);
      return answer_;
    });
    answer_ = Photos().string();
  }
  ~PicturesWindow() override { platform_test::SetSelectFolderResponder({}); }

  // On drive C:, which every test leaves as it found it.
  fs::path Photos() const { return root_.DriveC() / "photos"; }
  std::vector<std::string> Listed(const TPicturesForm& form) const {
    std::vector<std::string> items;
    for (int i = 0; i < form.SkippedList->Count(); ++i)
      items.push_back(form.SkippedList->Item(i));
    return items;
  }

  TempRoot root_;
  std::vector<SelectFolderRequest> requests_;
  std::optional<std::string> answer_;
};

} // namespace

TEST_F(PicturesWindow, AChosenFolderIsImportedAndWhatWasSkippedIsListedWithTheReason) {
  TPicturesForm form;
  form.Show();
  for (TControl* control :
       {static_cast<TControl*>(form.ChooseButton), static_cast<TControl*>(form.RestoreButton)})
    EXPECT_TRUE(control->Enabled());

  form.ChooseButton->Click();
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].title, "Choose a folder of photos");
  EXPECT_EQ(form.ProgressBar1->Position(), form.ProgressBar1->Max());
  EXPECT_THAT(form.StatusLabel->Caption(), StartsWith("Wrote 38 pictures to "));
  EXPECT_THAT(form.StatusLabel->Caption(),
              HasSubstr(" from 2 of 3 photos, fitted to the primary screen's "));
  const std::vector<std::string> listed = Listed(form);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_THAT(listed[0], HasSubstr("c-cut.jpg: the file is cut short"));
  EXPECT_THAT(listed[1], HasSubstr("d-notes.txt: TXT is not a format"));
  EXPECT_EQ(form.SkippedLabel->Caption(), "Skipped files (2):");
  EXPECT_TRUE(form.ChooseButton->Enabled());
  EXPECT_TRUE(form.CloseButton->Enabled());
  const std::vector<fs::path> files = pictures::CatalogueFiles();
  EXPECT_EQ(ReadWholeFile(files[2]), ReadWholeFile(files[0]));

  // The picker opens where the last folder was; cancelled, it leaves everything as it is.
  answer_.reset();
  const std::string summary = form.StatusLabel->Caption();
  form.ChooseButton->Click();
  ASSERT_EQ(requests_.size(), 2u);
  EXPECT_EQ(requests_[1].initialFolder, Photos().string());
  EXPECT_EQ(form.StatusLabel->Caption(), summary);
  EXPECT_EQ(Listed(form).size(), 2u);
}

TEST_F(PicturesWindow, ClosingWhilePhotosAreReadStopsWithNothingWrittenAndThenCloses) {
  const std::vector<fs::path> files = pictures::CatalogueFiles();
  fs::create_directories(files[0].parent_path());
  for (const fs::path& file : files)
    WriteWholeFile(file, "old");
  TPicturesForm form;
  form.Show();
  // The close arrives while the first photo's step lets the window answer.
  platform_test::Later([&] { form.Close(); });
  form.ChooseButton->Click();
  EXPECT_FALSE(form.Working());
  EXPECT_THAT(form.StatusLabel->Caption(), StartsWith("Stopped before anything was written."));
  EXPECT_FALSE(form.Visible());
  for (const fs::path& file : files)
    EXPECT_EQ(ReadWholeFile(file), "old") << file;
}
