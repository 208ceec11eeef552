#include "support/modal_box.h"

#include <chrono>

#include "platform/forms.h"
#include "platform/testing.h"

namespace {
constexpr int kPollMs = 10;
using Clock = std::chrono::steady_clock;
} // namespace

struct ModalWatch::State {
  TForm* form;
  std::function<void()> answer;
  Clock::time_point deadline;
  bool watching = true;
  bool answered = false;
};

namespace {

// One look at the form from the message loop; the next is queued until the form is modal.
void Look(const std::shared_ptr<ModalWatch::State>& state) {
  if (!state->watching)
    return;
  TForm& form = *state->form;
  if (form.InModal() && form.Visible()) {
    state->watching = false;
    state->answered = true;
    state->answer();
    return;
  }
  if (Clock::now() > state->deadline) {
    state->watching = false;
    if (form.InModal())
      form.SetModalResult(kModalNotAnswered);
    return;
  }
  platform_test::Later([state] { Look(state); }, kPollMs);
}

} // namespace

ModalWatch::ModalWatch(TForm& form, std::function<void()> answer, int timeoutMs)
    : state_(std::make_shared<State>(
          State{&form, std::move(answer), Clock::now() + std::chrono::milliseconds(timeoutMs)})) {
  platform_test::Later([state = state_] { Look(state); });
}

ModalWatch::~ModalWatch() {
  state_->watching = false;
}

bool ModalWatch::Answered() const {
  return state_->answered;
}
