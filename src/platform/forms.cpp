// What every backend shares of a form: its keyboard (key preview, the Tab order, Enter and the
// default button, Escape, the arrow keys in a group of radio buttons), its modal display, what
// closing it means, and its captions fitted to their controls.
#include "platform/forms.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "platform/application.h"
#include "platform/backend.h"

namespace {

// Whether control and its ancestors are shown and enabled, so that it can take the keyboard.
bool CanFocus(const TControl& control) {
  for (const TControl* c = &control; c; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled())
      return false;
  }
  return true;
}

// The radio button Tab stops at in its group: the checked one, or the first while none is.
bool IsGroupsStop(const TControl& radio) {
  const std::vector<TControl*> radios = RadiosOf(*radio.Parent());
  const auto checked = std::find_if(radios.begin(), radios.end(), [](TControl* r) {
    return static_cast<TRadioButton*>(r)->Checked();
  });
  return (checked == radios.end() ? radios.front() : *checked) == &radio;
}

// The controls in the order Tab visits them: the listed ones, then the others as created.
std::vector<TControl*> TabSequence(const TForm& form, const std::vector<TControl*>& listed) {
  std::vector<TControl*> sequence;
  const auto add = [&sequence](TControl& control) {
    if (std::find(sequence.begin(), sequence.end(), &control) == sequence.end())
      sequence.push_back(&control);
  };
  for (TControl* control : listed)
    add(*control);
  ForEachControl(form, add);
  std::erase_if(sequence, [](TControl* control) {
    if (!control->TabStop() || !CanFocus(*control))
      return true;
    return control->ControlKind() == TControl::Kind::RadioButton && !IsGroupsStop(*control);
  });
  return sequence;
}

// The one after (or before) from in sequence, round the end; the first (or last) when from is
// not in it.
TControl* Neighbour(const std::vector<TControl*>& sequence, const TControl* from, bool forward) {
  const auto at = std::find(sequence.begin(), sequence.end(), from);
  if (at == sequence.end())
    return forward ? sequence.front() : sequence.back();
  const std::size_t index = std::size_t(at - sequence.begin());
  const std::size_t count = sequence.size();
  return sequence[forward ? (index + 1) % count : (index + count - 1) % count];
}

// The arrow keys move along the group as it stands on the screen (top to bottom, then left to
// right), stopping at its ends, and check the button they reach.
void MoveInRadioGroup(TControl& radio, bool forward) {
  std::vector<TControl*> radios = RadiosOf(*radio.Parent());
  std::erase_if(radios, [&radio](TControl* r) { return r != &radio && !CanFocus(*r); });
  std::stable_sort(radios.begin(), radios.end(), [](const TControl* a, const TControl* b) {
    return std::pair(a->Top(), a->Left()) < std::pair(b->Top(), b->Left());
  });
  const auto at = std::find(radios.begin(), radios.end(), &radio);
  if (forward ? at + 1 == radios.end() : at == radios.begin())
    return;
  TControl* next = forward ? *(at + 1) : *(at - 1);
  next->SetFocus();
  next->Click();
}
TControl* DefaultButtonOf(TForm& form) {
  TControl* found = nullptr;
  ForEachControl(form, [&found](TControl& control) {
    if (!found && IsPushButton(control) && static_cast<TButton&>(control).Default())
      found = &control;
  });
  return found;
}

bool IsArrow(int key) {
  return key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN;
}

constexpr int kSmallestPixels = 7;

// Whether control is seen when window is: it and its parents up to window are set to show.
bool ShownWithin(const TControl& control, const TControl& window) {
  for (const TControl* c = &control; c && c != &window; c = c->Parent()) {
    if (!c->Visible())
      return false;
  }
  return true;
}

} // namespace

void TForm::FitCaptions() {
  ForEachControl(*this, [this](TControl& control) {
    if (!ShownWithin(control, *this))
      return;
    while (!platform_backend::CaptionFits(control) && control.Font().Height > kSmallestPixels) {
      TFont smaller = control.Font();
      smaller.Height -= 1;
      control.SetFont(smaller);
    }
  });
}

void TForm::WidenClippedCaptions(std::initializer_list<TControl*> containers) {
  for (const TControl* container : containers) {
    for (const std::unique_ptr<TControl>& child : container->Controls()) {
      const Kind kind = child->ControlKind();
      if (kind != Kind::Label && kind != Kind::RadioButton)
        continue;
      const int needed =
          ScaleOf(*child).PixelsToHold(platform_backend::CaptionWidth(*child), child->Left());
      const int room = container->Width() - 2 - child->Left();
      if (needed > child->Width())
        child->SetWidth(std::min(needed, room));
    }
  }
}

void TForm::KeepDevicePixels() {
  ChangeScale([this] { keepDevicePixels_ = true; });
}

void TForm::MonitorScaleChanged(TScale scale) {
  ChangeScale([this, scale] { monitorScale_ = scale; });
}

void TForm::ChangeScale(const std::function<void()>& change) {
  const TScale before = Scale();
  // Every place in the window's own pixels, read while the backend still speaks the old scale.
  std::vector<std::pair<TControl*, TRect>> places;
  ForEachControl(
      *this, [&places](TControl& control) { places.emplace_back(&control, control.BoundsRect()); });
  change();
  if (Scale() == before)
    return;
  // Fonts first: a label that takes the height of its text measures it as it is set.
  platform_backend::Update(*this, platform_backend::TAspect::Font);
  for (const auto& [control, place] : places) {
    platform_backend::Update(*control, platform_backend::TAspect::Font);
    control->SetBounds(place);
    platform_backend::Update(*control, platform_backend::TAspect::Look);
  }
}

void TForm::SetTabOrder(std::initializer_list<TControl*> order) {
  tabOrder_.assign(order.begin(), order.end());
}

void TForm::SetKeyPreview(bool preview) {
  keyPreview_ = preview;
}

TControl* TForm::FirstTabStop() const {
  const std::vector<TControl*> sequence = TabSequence(*this, tabOrder_);
  return sequence.empty() ? nullptr : sequence.front();
}

void TForm::DeliverKey(int key) {
  RunHandler([this, key] { OnKeyDown(key); });
}

bool TForm::HandleKey(int key, bool shift, bool system) {
  if (keyPreview_ && OnKeyDown) {
    DeliverKey(key);
    return true;
  }
  if (system)
    return false;
  TControl* focused = platform_backend::FocusedControl(*this);
  const Kind kind = focused ? focused->ControlKind() : Kind::Form;
  switch (key) {
  case VK_TAB: {
    if (kind == Kind::Memo && static_cast<TMemo*>(focused)->WantTabs())
      return false;
    const std::vector<TControl*> sequence = TabSequence(*this, tabOrder_);
    if (!sequence.empty())
      platform_backend::FocusByTab(*Neighbour(sequence, focused, !shift));
    return true;
  }
  case VK_RETURN:
    if (kind == Kind::Memo)
      return false;
    // In a window with a default button a focused button takes Enter itself; in one without,
    // Enter presses no button at all.
    if (TControl* byDefault = DefaultButtonOf(*this)) {
      (focused && IsPushButton(*focused) ? focused : byDefault)->Click();
      return true;
    }
    [[fallthrough]];
  case VK_ESCAPE:
    if (OnKeyDown)
      DeliverKey(key);
    return true;
  default:
    break;
  }
  if (kind == Kind::RadioButton && IsArrow(key)) {
    MoveInRadioGroup(*focused, key == VK_RIGHT || key == VK_DOWN);
    return true;
  }
  // Keys a button has no use for reach the form, as do those pressed on the form itself; a push
  // button does nothing with an arrow key.
  const bool button = kind == Kind::RadioButton || (focused && IsPushButton(*focused));
  if ((!focused || (button && key != VK_SPACE)) && OnKeyDown) {
    DeliverKey(key);
    return true;
  }
  return focused && IsPushButton(*focused) && IsArrow(key);
}

int TForm::ShowModal() {
  modalResult_ = mrNone;
  inModal_ = true;
  platform_backend::RunModal(*this, [this] { return modalResult_ != mrNone; });
  inModal_ = false;
  if (modalResult_ == mrNone)
    modalResult_ = mrCancel;
  Hide();
  return modalResult_;
}

void TForm::SetModalResult(int result) {
  modalResult_ = result;
  if (inModal_ && result != mrNone)
    platform_backend::EndModal(*this);
}

bool TForm::InModal() const {
  return inModal_;
}

bool TForm::QueryClose() {
  if (OnCloseQuery && !AskHandler(OnCloseQuery, true))
    return false;
  if (!inModal_)
    return true;
  // Closing a modal form ends its modal display; ShowModal hides it.
  SetModalResult(modalResult_ == mrNone ? mrCancel : modalResult_);
  return false;
}

void TForm::Closed() {
  if (Application().MainForm() == this)
    Application().Quit();
}
