// What every backend shares of the application: its forms, the hooked windows, and the general
// error box.
#include "platform/application.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "platform/backend.h"
#include "platform/dialogs.h"
#include "platform/forms.h"

namespace {

// Work handed over from any thread, run on the loop's thread.
struct PostedWork {
  std::mutex mutex;
  std::deque<std::function<void()>> work;
};

PostedWork& Posted() {
  static PostedWork posted;
  return posted;
}

} // namespace

TApplication& Application() {
  static TApplication application;
  return application;
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
    return message + ".";
  return message;
}

void RunHandler(const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& error) {
    Application().ShowException(error);
  } catch (...) {
    Application().ShowException(std::string("Unknown error"));
  }
}

void RunHandlerIfSet(const std::function<void()>& handler) noexcept {
  if (handler)
    RunHandler(handler);
}

bool AskHandler(const std::function<bool()>& handler, bool fallback) noexcept {
  bool answer = fallback;
  RunHandler([&] { answer = handler(); });
  return answer;
}

void TApplication::ShowException(const std::exception& error) {
  ShowException(error.what());
}

void TApplication::ShowException(const std::string& text) {
  try {
    MessageBox({ErrorBoxText(text), Title, TMsgDlgType::mtError, TMsgDlgButtons::mbOK});
  } catch (...) {
    // The box is the last resort; a failure to show it must not end the program.
  }
}

void TApplication::AddHookedWindow(TForm* window) {
  if (std::find(hookedWindows_.begin(), hookedWindows_.end(), window) == hookedWindows_.end())
    hookedWindows_.push_back(window);
}

void TApplication::RemoveHookedWindow(TForm* window) {
  std::erase(hookedWindows_, window);
}

bool TApplication::IsHookedWindow(const TForm* window) const {
  return window && (window == mainForm_ || std::find(hookedWindows_.begin(), hookedWindows_.end(),
                                                     window) != hookedWindows_.end());
}

void TApplication::Adopt(std::unique_ptr<TForm> form) {
  TForm* raw = form.get();
  forms_.push_back(std::move(form));
  if (!mainForm_)
    mainForm_ = raw;
  RunHandler([raw] { raw->FormCreate(); });
}

void TApplication::Run() {
  if (!mainForm_)
    return;
  mainForm_->ShowAfterCreation();
  RunMessageLoop();
}

void TApplication::DestroyForms() {
  OnMessage = nullptr;
  hookedWindows_.clear();
  while (!forms_.empty())
    forms_.pop_back();
  mainForm_ = nullptr;
}

bool platform_backend::OfferToHook(TForm* form, unsigned message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
  if (!message || !Application().OnMessage || !Application().IsHookedWindow(form))
    return false;
  TMsg msg{form, message, wParam, lParam};
  bool handled = false;
  RunHandler([&] { Application().OnMessage(msg, handled); });
  return handled;
}

void PostToMainThread(std::function<void()> work) {
  {
    std::lock_guard lock(Posted().mutex);
    Posted().work.push_back(std::move(work));
  }
  platform_backend::WakeForPostedWork();
}

void platform_backend::RunPostedWork() {
  for (;;) {
    std::function<void()> next;
    {
      std::lock_guard lock(Posted().mutex);
      if (Posted().work.empty())
        return;
      next = std::move(Posted().work.front());
      Posted().work.pop_front();
    }
    RunHandler(next);
  }
}
