// The message hook sees the input of the main form and the windows it owns, never that of a box.
#include "platform/application.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include "platform/forms.h"
#include "support/qt_modal_box.h"

namespace {

class MessageHook : public ::testing::Test {
protected:
  MessageHook() {
    Application().DestroyForms();
    form_ = Application().CreateForm<TForm>();
    form_->setGeometry(0, 0, 200, 150);
    form_->show();
    Application().OnMessage = [this](TMsg& msg, bool&) {
      if (msg.message == WM_LBUTTONDOWN)
        pressedOn_.push_back(msg.hwnd);
    };
  }
  ~MessageHook() override { Application().DestroyForms(); }

  // A top-level window of its own, as a cover of another screen is.
  std::unique_ptr<QWidget> OtherWindow() {
    auto window = std::make_unique<QWidget>();
    window->setGeometry(300, 0, 100, 100);
    window->show();
    return window;
  }

  TForm* form_ = nullptr;
  std::vector<QObject*> pressedOn_;
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

  ClickThroughWindow(form_);
  EXPECT_EQ(pressedOn_, std::vector<QObject*>{form_->windowHandle()});
}

TEST_F(MessageHook, WindowsTheMainFormOwnsAreHookedOthersAreNot) {
  const auto cover = OtherWindow();
  const auto stranger = OtherWindow();
  Application().AddHookedWindow(cover.get());
  ClickThroughWindow(stranger.get());
  EXPECT_TRUE(pressedOn_.empty());
  ClickThroughWindow(cover.get());
  EXPECT_EQ(pressedOn_, std::vector<QObject*>{cover->windowHandle()});
}
