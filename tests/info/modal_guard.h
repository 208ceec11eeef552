// Runs a form's modal display with a step queued inside it, and a bound on how long it may last.
#pragma once

#include <functional>

#include <QTimer>

#include "platform/forms.h"

// The result a modal display ends with when the step never ends it.
constexpr int kModalTimedOut = -1;

inline int ShowModalWith(TForm& form, std::function<void()> step) {
  QTimer::singleShot(0, &form, std::move(step));
  QTimer bound;
  bound.setSingleShot(true);
  QObject::connect(&bound, &QTimer::timeout, &form, [&form] {
    if (form.InModal())
      form.SetModalResult(kModalTimedOut);
  });
  bound.start(10000);
  return form.ShowModal();
}
