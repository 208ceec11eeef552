// What a backend writes so that the platform runs on its desktop, and what it calls of the shared
// layer. Everything else a window needs (what a control holds and what setting it means, the
// keyboard within a form, modal display, the hook on input, the general error box) the shared
// layer does once. A third backend writes the functions of the first part, and the constructors
// and the native members of the API's classes that name a backend's "peer" or "native" state.
// Not for the windows: they use the API's own headers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

class TControl;
class TForm;
class TListBox;
class TMemo;
class TRadioButton;
struct MessageBoxRequest;
struct OpenFileRequest;
struct SelectFolderRequest;

namespace platform_backend {

// ---- What a backend writes ----

// A property that the control holds changed; its peer shows the new value.
enum class TAspect {
  Caption,
  Font,  // the control's own; those of its controls that take it from their parent follow
  Color, // the same
  Look,  // what only its kind has: a label's wrapping, a button's glyph, a panel's bevel...
};
void Update(TControl& control, TAspect aspect);

// The list box's entry added last, or the one that stood at index, came or went.
void ItemAdded(TListBox& list);
void ItemDeleted(TListBox& list, int index);

// The state the user changes, which the peer keeps.
bool Checked(const TRadioButton& radio);
void SetChecked(TRadioButton& radio, bool checked);

// Whether control's caption, drawn in its font, fits inside it without being cut off (or, word-
// wrapped, running below it), as the desktop measures and lays it out. Controls without a caption
// fit.
bool CaptionFits(const TControl& control);
// The width a label's or radio button's caption needs on one line, its indicator included.
int CaptionWidth(const TControl& control);

// The control of form that has the keyboard; null when none has, or the form itself.
TControl* FocusedControl(const TForm& form);
// Gives control the keyboard as Tab does (a memo's text is then selected where the desktop does).
void FocusByTab(TControl& control);

// Shows form modally and handles messages until done() or the application is asked to quit;
// EndModal wakes the waiting loop once done() holds. The shared layer hides the form after.
void RunModal(TForm& form, const std::function<bool()>& done);
void EndModal(TForm& form);

// Work was posted from some thread: the loop's thread is to call RunPostedWork soon.
void WakeForPostedWork();
// From now on, call MonitorsChanged once the desktop's news of changed monitors is in.
void WatchMonitorChanges();

// The primary screen's width and height in device pixels; 0 x 0 when there is none.
std::pair<int, int> PrimaryScreenPixels();
// Bits per pixel of the primary screen now.
int ScreenDepth();
// Hides or shows the pointer over every window of the program.
void SetPointerHidden(bool hidden);
// The desktop's "open" of an address.
void OpenInShell(const std::string& address);
// The modal box and the file-open dialog themselves (see dialogs.h).
int ShowMessageBox(const MessageBoxRequest& request);
std::optional<std::string> ShowOpenFileDialog(const OpenFileRequest& request);
std::optional<std::string> ShowFolderDialog(const SelectFolderRequest& request);

// ---- What a backend calls ----

// An input message (numbered as in application.h) taken from the queue for form's window: the
// application's hook sees it first when the form is hooked; whether the hook kept it.
bool OfferToHook(TForm* form, unsigned message, std::uintptr_t wParam = 0,
                 std::intptr_t lParam = 0);
// (A key pressed on a form, before the control with the keyboard sees it, goes to
// TForm::HandleKey.)
// Runs the work posted so far, on the loop's thread.
void RunPostedWork();
// Tells the watchers of WatchMonitors.
void MonitorsChanged();

} // namespace platform_backend
