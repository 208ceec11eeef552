// What every backend shares of the application: its forms, the hooked windows, and the general
// error box.
#include "platform/application.h"

#include <algorithm>

#include "platform/dialogs.h"
#include "platform/forms.h"

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
