// The base of every window: its frame and style, how it is shown (modeless, modal, over the whole
// screen), its keyboard order, and the handlers the desktop calls on it.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/scale.h"

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

enum class TBorderStyle {
  bsNone,     // no frame and no title bar
  bsDialog,   // a title bar alone, no system menu, close, minimise or maximise box; a fixed size
  bsSingle,   // a title bar and a fixed-size frame
  bsSizeable, // a title bar and a frame the user can resize; what a form has unless set
};

enum class TFormStyle { fsNormal, fsStayOnTop };

enum class TPosition {
  poDesigned,     // where the bounds put it
  poScreenCenter, // the whole window, frame included, centred on the primary screen
};

// The desktop's virtual-key codes, for the keys the windows and their tests speak of.
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;

class TForm : public TControl {
public:
  // windowClass: the name the desktop knows the window's kind by, which other programs can search
  // for ("TForm1").
  explicit TForm(std::string windowClass = "TForm");
  ~TForm() override;
  const std::string& WindowClass() const { return windowClass_; }

  // The creation handler; runs once, right after construction.
  virtual void FormCreate() {}
  // How the main form shows itself once its creation has finished.
  virtual void ShowAfterCreation() { Show(); }

  void SetBorderStyle(TBorderStyle style);
  void SetFormStyle(TFormStyle style);
  void SetPosition(TPosition position);
  // The window's picture in its title bar and the task list.
  void SetIcon(const TBitmap& icon);
  // The area inside the frame; the window keeps this size.
  void SetClientSize(int width, int height);
  // The whole window, frame included, on the screen. Until the desktop has framed the window the
  // frame counts as nothing.
  TRect OuterBounds() const;
  void SetOuterBounds(const TRect& outer);
  // Shows the window over the given screen area, above the desktop's panels, as a screen saver
  // covers its monitor; it takes the keyboard only through Activate.
  void ShowFullScreen(const TRect& area);
  // False: showing the window does not take the keyboard from the active one.
  void SetActivateOnShow(bool activate);
  // Puts the window in front and gives it the keyboard.
  void Activate();
  // The pointer is not drawn over this window.
  void HidePointer();

  // Shows the form and waits in a nested message loop until it sets a modal result or is closed
  // (mrCancel); the form is then hidden, not destroyed, and can be shown again.
  int ShowModal();
  void SetModalResult(int result);
  bool InModal() const;
  // Asks the form to close as the frame's close box would: OnCloseQuery may refuse. A closed main
  // form ends the message loop; a closed modal form ends its modal display.
  void Close();

  // Tab and Shift+Tab visit the controls in this order; controls not listed keep the order of
  // their creation after the listed ones. Within a group of radio buttons Tab stops only at the
  // checked one (at the first while none is checked), and the arrow keys move within the group.
  void SetTabOrder(std::initializer_list<TControl*> order);
  // Key preview: every key pressed while the form is active reaches OnKeyDown first, whichever
  // control has the focus; the key then goes nowhere else.
  void SetKeyPreview(bool preview);

  // A key pressed on the form: the desktop's virtual-key code.
  std::function<void(int key)> OnKeyDown;
  // Asked before the form closes; false keeps it open.
  std::function<bool()> OnCloseQuery;
  // The client area changed size.
  std::function<void()> OnResize;
  // The form is about to be shown.
  std::function<void()> OnShow;
  // The desktop's frame around the form became known or changed; OuterBounds tells the new size.
  std::function<void()> OnFrameChanged;

  // The window is laid out in the screen's device pixels whatever the desktop's display scale,
  // as a slideshow that shows each photo pixel for pixel is. Every other window follows the scale
  // of the monitor it is on.
  void KeepDevicePixels();
  // Device pixels per pixel of this window.
  TScale Scale() const { return keepDevicePixels_ ? TScale() : monitorScale_; }

  // Captions the host's substitute face draws too wide (or, word-wrapped, too tall) get a smaller
  // font, one pixel at a time; hidden controls are left alone.
  void FitCaptions();
  // Labels and radio buttons placed directly on these containers whose captions would be cut off
  // take the width they need, as far as their container has room.
  void WidenClippedCaptions(std::initializer_list<TControl*> containers);

  // ---- For the backend ----
  // A key pressed while the form is active, before the control with the keyboard sees it: key
  // preview, Tab and Shift+Tab, Enter and the default button, Escape, the arrow keys in a group
  // of radio buttons, and the keys that go to OnKeyDown. system: held with Alt, which only key
  // preview takes. Whether the key went no further.
  bool HandleKey(int key, bool shift, bool system = false);
  // The control Tab would visit first; null when there is none.
  TControl* FirstTabStop() const;
  // The frame's close box, Alt+F4 or Close() asks: whether the window may go. OnCloseQuery may
  // refuse; a modal form ends its modal display instead (mrCancel unless it has a result).
  bool QueryClose();
  // The window went at the user's or Close's request: a main form ends the message loop.
  void Closed();
  // The scale of the monitor the window is on became known or changed: its controls take their
  // places, fonts and looks again in device pixels. The backend sizes the window itself.
  void MonitorScaleChanged(TScale scale);

private:
  void DeliverKey(int key);
  // Runs change, then lays the window out again if it changed the scale.
  void ChangeScale(const std::function<void()>& change);

  std::string windowClass_;
  std::vector<TControl*> tabOrder_;
  bool keyPreview_ = false;
  int modalResult_ = mrNone;
  bool inModal_ = false;
  TScale monitorScale_;
  bool keepDevicePixels_ = false;
};
