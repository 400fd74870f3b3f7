// Finds and works the windows of another process as a user would: reads
// captions, control texts, list items, check and enable states and message
// boxes; clicks buttons, types, chooses options, presses Enter and Escape.
// Used by the end-to-end tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test_support {

// The first visible top-level window of process processId with the given
// class ("#32770" for dialogs and message boxes), optionally with the given
// caption; null when none appears within timeoutMs.
HWND WaitForWindow(DWORD processId, const char* className, DWORD timeoutMs,
                   const char* caption = nullptr);
// The first visible top-level window of the process with the given class that
// is not one of known: a window that has just opened over the others.
HWND WaitForNewWindow(DWORD processId, const char* className, const std::vector<HWND>& known,
                      DWORD timeoutMs);
// All visible top-level windows of the process.
std::vector<HWND> TopLevelWindows(DWORD processId);
// All top-level windows of the process with the given class, hidden ones too.
std::vector<HWND> AllTopLevelWindows(DWORD processId, const char* className);
// True once window is destroyed or hidden; false when it is still up after
// timeoutMs.
bool WaitUntilGone(HWND window, DWORD timeoutMs);
// Returns once the thread of window has finished the message it was handling
// and is back in its message loop (or the window is gone): what a click
// started has then run to its end. Sent messages go before posted ones, so
// a click posted just before may still be waiting.
void Settle(HWND window);

std::string ClassName(HWND window);
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int controlId);
// Wine returns only the first character of some cross-process ANSI text
// queries; this reads the control's text as UTF-16 and converts it to the
// given code page (CP_ACP by default).
std::string ControlTextWide(HWND dialog, int controlId, UINT codePage = CP_ACP);
// The same for a window's own text (a caption).
std::string WindowTextWide(HWND window, UINT codePage = CP_ACP);

bool IsShown(HWND window);
// A control that exists and is enabled.
bool IsControlEnabled(HWND dialog, int controlId);
// A button (check box or option button) in the checked state.
bool IsChecked(HWND dialog, int controlId);
// The window's rectangle in screen coordinates.
RECT WindowRect(HWND window);
// The owner window (GW_OWNER): for a message box, the window it belongs to.
HWND OwnerOf(HWND window);

// A combo box or list as the user sees it: item texts in list order, each
// with its item data, and the selected position (-1 for none).
struct ListItem {
    std::string text;
    LRESULT data = 0;
};
struct ComboView {
    std::vector<ListItem> items;
    int selected = -1;
    std::string SelectedText() const;
};
ComboView ReadComboBox(HWND dialog, int controlId, UINT codePage = CP_ACP);

// Posted, not sent: a click that opens a modal window would otherwise block
// until that window closes.
void Click(HWND dialog, int controlId);
// Chooses an option button as a click does: it becomes checked, the others
// of its group unchecked, and the dialog has handled the notification when
// this returns.
void ChooseOption(HWND dialog, int controlId);
// Picks the item at position index of a drop-down list, as choosing it with
// the mouse does: it becomes the selection and the dialog has been notified
// when this returns.
void SelectListItem(HWND dialog, int controlId, int index);
// Replaces the text of an edit control, as typing it would.
void TypeText(HWND dialog, int controlId, const std::string& text, UINT codePage = CP_ACP);
// Key presses reach the dialog's message loop, which turns Enter into the
// default button's command and Escape into IDCANCEL.
void PressEnter(HWND dialog);
void PressEscape(HWND dialog);

// Which standard icon a message box shows. Read inside the box's process by
// a hook library (icon handles mean nothing elsewhere); Unknown when that
// library cannot be hooked in.
enum class BoxIcon { None, Information, Warning, Error, Question, Unknown };
const char* BoxIconName(BoxIcon icon);

// A message box: its text (control 0xFFFF), owner, buttons and icon.
struct MessageBoxView {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    bool hasOk = false, hasYes = false, hasNo = false, hasCancel = false;
    BoxIcon icon = BoxIcon::Unknown;
};
MessageBoxView ReadMessageBox(HWND window, UINT codePage = CP_ACP);

}  // namespace test_support
