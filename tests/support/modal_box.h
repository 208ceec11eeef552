// Modal windows answered as a user would: from inside their modal display, once they are shown.
#pragma once

#include <functional>
#include <memory>

class TForm;

// Runs answer once form is shown modally (inside its modal loop), for as long as the watch lives: a
// form that never goes modal leaves no watch behind to answer it later. Without an answer within
// timeoutMs the modal display is ended with kModalNotAnswered, so a test cannot hang in it.
class ModalWatch {
public:
  ModalWatch(TForm& form, std::function<void()> answer, int timeoutMs = 10000);
  ~ModalWatch();
  ModalWatch(const ModalWatch&) = delete;
  ModalWatch& operator=(const ModalWatch&) = delete;

  // Whether answer has run.
  bool Answered() const;

  struct State;

private:
  std::shared_ptr<State> state_;
};

// The modal result of a display that no answer ended.
constexpr int kModalNotAnswered = -1;
