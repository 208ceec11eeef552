// What every backend shares: the tree of controls, what a control holds and what setting it
// means, and the list box's own copy of its entries.
#include "platform/controls.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/forms.h"
#include "platform/graphics.h"

using platform_backend::TAspect;

TForm* TControl::Form() {
  TControl* control = this;
  while (control->parent_)
    control = control->parent_;
  return control->kind_ == Kind::Form ? static_cast<TForm*>(control) : nullptr;
}

void TControl::Adopt(std::unique_ptr<TControl> control) {
  children_.push_back(std::move(control));
}

void ForEachControl(const TControl& root, const std::function<void(TControl&)>& visit) {
  for (const std::unique_ptr<TControl>& child : root.Controls()) {
    visit(*child);
    ForEachControl(*child, visit);
  }
}

bool IsPushButton(const TControl& control) {
  return control.ControlKind() == TControl::Kind::Button ||
         control.ControlKind() == TControl::Kind::BitBtn;
}

std::vector<TControl*> RadiosOf(const TControl& parent) {
  std::vector<TControl*> radios;
  for (const std::unique_ptr<TControl>& child : parent.Controls()) {
    if (child->ControlKind() == TControl::Kind::RadioButton)
      radios.push_back(child.get());
  }
  return radios;
}

void TControl::Click() {
  if (!Enabled())
    return;
  if (kind_ == Kind::RadioButton)
    static_cast<TRadioButton*>(this)->SetChecked(true);
  RunHandlerIfSet(OnClick);
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

void TControl::SetCaption(const std::string& caption) {
  caption_ = caption;
  platform_backend::Update(*this, TAspect::Caption);
}

void TControl::SetFont(const TFont& font) {
  font_ = font;
  ownFont_ = true;
  platform_backend::Update(*this, TAspect::Font);
}

void TControl::SetColor(TColor colour) {
  color_ = colour;
  ownColor_ = true;
  platform_backend::Update(*this, TAspect::Color);
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

void TListBox::AddItem(const std::string& text) {
  items_.push_back(text);
  platform_backend::ItemAdded(*this);
}

void TListBox::DeleteItem(int index) {
  if (index < 0 || index >= Count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  items_.erase(items_.begin() + index);
  platform_backend::ItemDeleted(*this, index);
  // One entry stays highlighted while there are any: the one that took the deleted one's place.
  if (Count() > 0 && ItemIndex() < 0)
    SetItemIndex(std::min(index, Count() - 1));
}

void TLabel::SetWordWrap(bool wrap) {
  wordWrap_ = wrap;
  platform_backend::Update(*this, TAspect::Look);
}

void TLabel::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  platform_backend::Update(*this, TAspect::Look);
}

void TLabel::SetLayout(TTextLayout layout) {
  layout_ = layout;
  platform_backend::Update(*this, TAspect::Look);
}

void TButton::SetDefault(bool isDefault) {
  default_ = isDefault;
  platform_backend::Update(*this, TAspect::Look);
}

void TBitBtn::SetKind(TBitBtnKind kind) {
  // bkCustom keeps whatever picture the button has.
  if (kind == TBitBtnKind::bkCustom)
    return;
  kind_ = kind;
  glyph_ = TPixels();
  platform_backend::Update(*this, TAspect::Look);
}

void TBitBtn::SetGlyph(const TBitmap& glyph) {
  kind_ = TBitBtnKind::bkCustom;
  glyph_ = glyph.Pixels().Copy();
  platform_backend::Update(*this, TAspect::Look);
}

void TBitBtn::SetMargin(int margin) {
  margin_ = margin;
  platform_backend::Update(*this, TAspect::Look);
}

void TPanel::SetBevel(TPanelBevel outer, int width) {
  bevel_ = outer;
  bevelWidth_ = std::max(width, 0);
  platform_backend::Update(*this, TAspect::Look);
}

void TListBox::SetItemHeight(int pixels) {
  itemHeight_ = pixels;
  platform_backend::Update(*this, TAspect::Look);
}

bool TRadioButton::Checked() const {
  return platform_backend::Checked(*this);
}

// Checking one unchecks the others of its group.
void TRadioButton::SetChecked(bool checked) {
  if (!checked) {
    platform_backend::SetChecked(*this, false);
    return;
  }
  for (TControl* radio : RadiosOf(*Parent()))
    platform_backend::SetChecked(static_cast<TRadioButton&>(*radio), radio == this);
}

void TMemo::SetWantTabs(bool want) {
  wantTabs_ = want;
  platform_backend::Update(*this, TAspect::Look);
}

void TMemo::SetScrollBars(TScrollStyle style) {
  scrollBars_ = style;
  platform_backend::Update(*this, TAspect::Look);
}

void TProgressBar::SetMax(int max) {
  max_ = std::max(max, 1);
  position_ = std::clamp(position_, 0, max_);
  platform_backend::Update(*this, TAspect::Look);
}

void TProgressBar::SetPosition(int position) {
  position_ = std::clamp(position, 0, max_);
  platform_backend::Update(*this, TAspect::Look);
}

void TScrollBox::SetRange(int width, int height) {
  rangeWidth_ = width;
  rangeHeight_ = height;
  platform_backend::Update(*this, TAspect::Look);
}

TLabel* WrappedLabel(TControl& parent, std::string name, std::string text, const TRect& bounds) {
  auto* label = parent.Add<TLabel>(std::move(name), std::move(text));
  label->SetWordWrap(true);
  label->SetLayout(TTextLayout::tlTop);
  label->SetBounds(bounds);
  return label;
}
