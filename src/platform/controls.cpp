// What every backend shares: the tree of controls and the list box's own copy of its entries.
#include "platform/controls.h"

#include "platform/forms.h"

TForm* TControl::Form() {
  TControl* control = this;
  while (control->parent_)
    control = control->parent_;
  return control->kind_ == Kind::Form ? static_cast<TForm*>(control) : nullptr;
}

TControl* TControl::FindControl(const std::string& name) {
  if (name_ == name)
    return this;
  for (const std::unique_ptr<TControl>& child : children_) {
    if (TControl* found = child->FindControl(name))
      return found;
  }
  return nullptr;
}

void TControl::Adopt(std::unique_ptr<TControl> control) {
  children_.push_back(std::move(control));
}

void TControl::SetLeft(int left) {
  TRect bounds = BoundsRect();
  bounds.Left = left;
  SetBounds(bounds);
}

void TControl::SetTop(int top) {
  TRect bounds = BoundsRect();
  bounds.Top = top;
  SetBounds(bounds);
}

void TControl::SetWidth(int width) {
  TRect bounds = BoundsRect();
  bounds.Width = width;
  SetBounds(bounds);
}

void TControl::SetHeight(int height) {
  TRect bounds = BoundsRect();
  bounds.Height = height;
  SetBounds(bounds);
}

TFont TControl::Font() const {
  return ownFont_ || !parent_ ? font_ : parent_->Font();
}

TColor TControl::Color() const {
  return ownColor_ || !parent_ ? color_ : parent_->Color();
}

int TListBox::Count() const {
  return int(items_.size());
}

const std::string& TListBox::Item(int index) const {
  return items_.at(std::size_t(index));
}
