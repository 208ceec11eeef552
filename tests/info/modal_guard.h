// Runs a form's modal display with a step queued inside it, and a bound on how long it may last.
#pragma once

#include <functional>
#include <memory>

#include "platform/forms.h"
#include "platform/testing.h"

// The result a modal display ends with when the step never ends it.
constexpr int kModalTimedOut = -1;

inline int ShowModalWith(TForm& form, std::function<void()> step) {
  platform_test::Later(std::move(step));
  // The bound may fire after this display has ended, or after the form is gone.
  auto showing = std::make_shared<bool>(true);
  platform_test::Later(
      [showing, &form] {
        if (*showing && form.InModal())
          form.SetModalResult(kModalTimedOut);
      },
      10000);
  const int result = form.ShowModal();
  *showing = false;
  return result;
}

// Waits until the shown form has the keyboard, as the window a user works in has.
inline bool Activated(TForm& form) {
  return platform_test::WaitUntil(
      [&form] { return form.Focused() || platform_test::FocusedControl(form) != nullptr; });
}
