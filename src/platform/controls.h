// The controls a window is built from, in the desktop's vocabulary. A control belongs to the
// control it is created on (its parent) and lives as long as that one; a backend gives each a
// native counterpart (its peer) and draws it the way the desktop does.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/pixels.h"
#include "platform/types.h"

class TForm;
class TBitmap;

// Where a backend keeps a control's native counterpart; each backend defines it.
struct TControlPeer;

class TControl {
public:
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;
  virtual ~TControl();

  // The control's name as the window's description gives it ("Radtime1"); tests find controls by
  // it.
  const std::string& Name() const { return name_; }
  TControl* Parent() const { return parent_; }
  TForm* Form();
  // The controls created on this one, in creation order (later ones drawn above earlier ones).
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return children_; }

  // Creates a control on this one. Its pointer stays valid while this control exists.
  template <class Control, class... Args> Control* Add(std::string name, Args&&... args) {
    auto control = std::make_unique<Control>(*this, std::move(name), std::forward<Args>(args)...);
    Control* raw = control.get();
    Adopt(std::move(control));
    return raw;
  }

  // Bounds relative to the parent's client area; as the backend has them, so a backend that had
  // to widen a caption reports the width it gave.
  TRect BoundsRect() const;
  void SetBounds(const TRect& bounds);
  void SetBounds(int left, int top, int width, int height) {
    SetBounds({left, top, width, height});
  }
  int Left() const { return BoundsRect().Left; }
  int Top() const { return BoundsRect().Top; }
  int Width() const { return BoundsRect().Width; }
  int Height() const { return BoundsRect().Height; }
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);
  // The area inside any frame the control draws around itself, relative to its own top-left.
  TRect ClientRect() const;

  // Whether the control is set to show; a control on a hidden parent can be Visible.
  bool Visible() const;
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Whether the user can use it; a disabled control draws its caption greyed.
  bool Enabled() const;
  void SetEnabled(bool enabled);

  // The text the control shows; for a form, its title.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // A control takes its parent's font until it is given one of its own.
  TFont Font() const;
  void SetFont(const TFont& font);
  // The ground colour; a control takes its parent's until it is given one.
  TColor Color() const;
  void SetColor(TColor colour);
  // Whether the control takes its font, or its ground colour, from its parent.
  bool ParentFont() const { return !ownFont_; }
  bool ParentColor() const { return !ownColor_; }

  // Whether the keyboard focus is on this control now.
  bool Focused() const;
  void SetFocus();
  // Whether Tab stops at the control.
  bool TabStop() const;
  void SetTabStop(bool stop);

  // A click by mouse, by Space on the focused control, or by Click().
  std::function<void()> OnClick;
  // Acts as a user's click would: nothing when the control is disabled.
  void Click();

  TControlPeer& Peer() const { return *peer_; }

  // What the control is; backends draw and drive each kind its own way.
  enum class Kind {
    Form,
    Label,
    Button,
    BitBtn,
    RadioButton,
    GroupBox,
    Panel,
    ListBox,
    Image,
    Memo,
    ScrollBox,
    ProgressBar
  };
  Kind ControlKind() const { return kind_; }

protected:
  TControl(TControl* parent, std::string name, Kind kind, std::string caption = {});

private:
  void Adopt(std::unique_ptr<TControl> control);

  TControl* parent_;
  std::string name_;
  Kind kind_;
  std::string caption_;
  std::unique_ptr<TControlPeer> peer_;
  TFont font_;
  TColor color_ = clBlack;
  bool ownFont_ = false;
  bool ownColor_ = false;
  std::vector<std::unique_ptr<TControl>> children_;
};

// The controls below root in creation order, root excluded.
void ForEachControl(const TControl& root, const std::function<void(TControl&)>& visit);
// Whether control is a push button, with a glyph or without.
bool IsPushButton(const TControl& control);
// The radio buttons created on parent, in creation order: one group.
std::vector<TControl*> RadiosOf(const TControl& parent);

enum class TTextLayout { tlTop, tlCenter };

// Text drawn on its parent's ground.
class TLabel : public TControl {
public:
  TLabel(TControl& parent, std::string name, std::string caption = {});
  // Breaks the caption into lines at word boundaries within the width.
  void SetWordWrap(bool wrap);
  // With word wrap: the height follows the text, keeping left, top and width.
  void SetAutoSize(bool autoSize);
  // Vertical placement of the text; centred unless set.
  void SetLayout(TTextLayout layout);
  // The height of one line of the caption's font.
  int LineHeight() const;

  bool WordWrap() const { return wordWrap_; }
  bool AutoSize() const { return autoSize_; }
  TTextLayout Layout() const { return layout_; }

private:
  bool wordWrap_ = false;
  bool autoSize_ = false;
  TTextLayout layout_ = TTextLayout::tlCenter;
};

// A label on parent whose caption wraps within bounds, from their top.
TLabel* WrappedLabel(TControl& parent, std::string name, std::string text, const TRect& bounds);

class TButton : public TControl {
public:
  TButton(TControl& parent, std::string name, std::string caption = {});
  // The default button of a window takes Enter that no focused control takes. In a window that
  // has one, a focused button takes Enter itself; in a window without, Enter presses nothing.
  void SetDefault(bool isDefault);
  bool Default() const { return default_; }

protected:
  TButton(TControl& parent, std::string name, Kind kind, std::string caption);

private:
  bool default_ = false;
};

enum class TBitBtnKind { bkCustom, bkOK };

// A push button with a picture (its glyph) beside its caption and a caption colour of its own.
class TBitBtn : public TButton {
public:
  TBitBtn(TControl& parent, std::string name, std::string caption = {});
  // bkOK takes the desktop's own OK picture.
  void SetKind(TBitBtnKind kind);
  // The glyph's pixels whose colour is the bottom-left pixel's are transparent.
  void SetGlyph(const TBitmap& glyph);
  // Pixels between the left edge and the glyph; -1 centres glyph and caption together.
  void SetMargin(int margin);
  // Pixels between the glyph and the caption.
  static constexpr int kSpacing = 4;

  // bkOK until a glyph of its own is set, and the other way round.
  TBitBtnKind GlyphKind() const { return kind_; }
  const TPixels& Glyph() const { return glyph_; }
  int Margin() const { return margin_; }

private:
  TBitBtnKind kind_ = TBitBtnKind::bkCustom;
  TPixels glyph_;
  int margin_ = -1;
};

// One of a group: checking one unchecks the others created on the same parent.
class TRadioButton : public TControl {
public:
  TRadioButton(TControl& parent, std::string name, std::string caption = {});
  bool Checked() const;
  void SetChecked(bool checked);
};

// A captioned frame around controls, drawn etched (a shadow line with a light line beside it).
class TGroupBox : public TControl {
public:
  TGroupBox(TControl& parent, std::string name, std::string caption = {});
};

enum class TPanelBevel { bvNone, bvLowered, bvRaised };

// A rectangle that hides what lies behind it, with a bevelled edge.
class TPanel : public TControl {
public:
  TPanel(TControl& parent, std::string name);
  void SetBevel(TPanelBevel outer, int width);
  TPanelBevel Bevel() const { return bevel_; }
  int BevelWidth() const { return bevelWidth_; }

private:
  TPanelBevel bevel_ = TPanelBevel::bvNone;
  int bevelWidth_ = 1;
};

// A single-selection list of text entries. One entry stays highlighted while there are any: the
// user can move the highlight, never clear it.
class TListBox : public TControl {
public:
  TListBox(TControl& parent, std::string name);
  int Count() const;
  // An entry's text exactly as it was added, whatever the screen can show of its bytes.
  const std::string& Item(int index) const;
  void AddItem(const std::string& text);
  void DeleteItem(int index);
  // The highlighted entry, -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int index);
  void SetItemHeight(int pixels);
  // 0 until set: the desktop's own.
  int ItemHeight() const { return itemHeight_; }

private:
  std::vector<std::string> items_;
  int itemHeight_ = 0;
};

enum class TScrollStyle { ssNone, ssVertical };

// Editable text of several lines.
class TMemo : public TControl {
public:
  TMemo(TControl& parent, std::string name);
  std::string Text() const;
  void SetText(const std::string& text);
  void SetScrollBars(TScrollStyle style);
  // False: Tab moves the focus on instead of typing a tab character.
  void SetWantTabs(bool want);
  bool WantTabs() const { return wantTabs_; }
  TScrollStyle ScrollBars() const { return scrollBars_; }

private:
  bool wantTabs_ = true;
  TScrollStyle scrollBars_ = TScrollStyle::ssNone;
};

// A client-filling area whose content scrolls over a fixed range.
class TScrollBox : public TControl {
public:
  TScrollBox(TControl& parent, std::string name);
  // The content's size; the content widens to the view when the view is wider.
  void SetRange(int width, int height);
  int RangeWidth() const { return rangeWidth_; }
  int RangeHeight() const { return rangeHeight_; }

private:
  int rangeWidth_ = 0;
  int rangeHeight_ = 0;
};

// A bar that fills from the left as work goes on: Position of Max.
class TProgressBar : public TControl {
public:
  TProgressBar(TControl& parent, std::string name);
  // Max is at least 1; the position is held to 0..Max.
  void SetMax(int max);
  void SetPosition(int position);
  int Max() const { return max_; }
  int Position() const { return position_; }

private:
  int max_ = 100;
  int position_ = 0;
};
