// The message hook sees the input of the main form and the windows it owns, never that of a box.
#include "platform/application.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <QMessageBox>
#include <QPushButton>

#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/testing.h"
#include "support/qt_modal_box.h"

namespace {

class MessageHook : public ::testing::Test {
protected:
  MessageHook() {
    Application().DestroyForms();
    form_ = Application().CreateForm<TForm>();
    form_->SetBounds(0, 0, 200, 150);
    form_->Show();
    Application().OnMessage = [this](TMsg& msg, bool&) {
      if (msg.message == WM_LBUTTONDOWN)
        pressedOn_.push_back(msg.hwnd);
    };
  }
  ~MessageHook() override { Application().DestroyForms(); }

  // A top-level window of its own, as a cover of another screen is.
  std::unique_ptr<TForm> OtherWindow() {
    auto window = std::make_unique<TForm>();
    window->SetBounds(300, 0, 100, 100);
    window->Show();
    return window;
  }

  TForm* form_ = nullptr;
  std::vector<TForm*> pressedOn_;
};

} // namespace

TEST_F(MessageHook, AnsweringTheErrorBoxWithTheMouseIsNotTheDisplaysInput) {
  bool answered = false;
  const auto watch = WhenABoxOpens([&](QMessageBox& box) {
    answered = true;
    ClickThroughWindow(ButtonOf(box, "OK"));
  });
  Application().ShowException(std::runtime_error("JPEG error #42"));
  EXPECT_TRUE(answered);
  EXPECT_TRUE(pressedOn_.empty());

  platform_test::ClickAt(*form_);
  EXPECT_EQ(pressedOn_, std::vector<TForm*>{form_});
}

TEST_F(MessageHook, WindowsTheMainFormOwnsAreHookedOthersAreNot) {
  const auto cover = OtherWindow();
  const auto stranger = OtherWindow();
  Application().AddHookedWindow(cover.get());
  platform_test::ClickAt(*stranger);
  EXPECT_TRUE(pressedOn_.empty());
  platform_test::ClickAt(*cover);
  EXPECT_EQ(pressedOn_, std::vector<TForm*>{cover.get()});
}

TEST_F(MessageHook, AWindowLeavesTheHookedSetWhenItIsDestroyed) {
  auto cover = OtherWindow();
  TForm* const gone = cover.get();
  Application().AddHookedWindow(gone);
  cover.reset();
  EXPECT_FALSE(Application().IsHookedWindow(gone));
}

TEST(Handlers, AnErrorEscapingAHandlerGoesToTheGeneralErrorBoxAndTheLoopGoesOn) {
  std::vector<std::string> boxes;
  platform_test::SetMessageBoxResponder([&](const MessageBoxRequest& request) {
    boxes.push_back(request.text);
    return IDOK;
  });
  TForm form;
  TButton* button = form.Add<TButton>("Button1", "Go");
  int clicks = 0;
  button->OnClick = [&] {
    ++clicks;
    throw std::runtime_error("Disk full");
  };
  button->Click();
  button->Click();
  platform_test::SetMessageBoxResponder(nullptr);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(boxes, (std::vector<std::string>{"Disk full.", "Disk full."}));
}
