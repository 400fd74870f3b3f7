#include "window_driver.h"

#include <algorithm>

#include "box_icon_hook.h"

namespace test_support {

namespace {

const UINT kAnswerMs = 5000;

struct Search {
    DWORD processId;
    bool hiddenToo;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context)
{
    Search* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && (search->hiddenToo || IsWindowVisible(window)))
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> Collect(DWORD processId, bool hiddenToo)
{
    Search search{processId, hiddenToo, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Narrow(const wchar_t* wide, UINT codePage)
{
    int size = WideCharToMultiByte(codePage, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string text(size - 1, '\0');
    WideCharToMultiByte(codePage, 0, wide, -1, &text[0], size, nullptr, nullptr);
    return text;
}

std::wstring Widen(const std::string& text, UINT codePage)
{
    int size = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1)
        MultiByteToWideChar(codePage, 0, text.c_str(), -1, &wide[0], size);
    return wide;
}

std::string TextOf(HWND window, UINT codePage)
{
    if (window == nullptr)
        return std::string();
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &length);
    std::vector<wchar_t> wide(length + 1, L'\0');
    SendMessageTimeoutW(window, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()),
                        SMTO_ABORTIFHUNG, kAnswerMs, nullptr);
    return Narrow(wide.data(), codePage);
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMs, &answer))
        return -1;
    return static_cast<LRESULT>(answer);
}

// The icon control of a message box: its one static child with SS_ICON.
HWND IconControl(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassName(child) == "Static" &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return child;
    }
    return nullptr;
}

// An icon handle means something only in the process that loaded it, so the
// box's icon is read there, by a hook library on the box's thread.
BoxIcon IconOf(HWND box)
{
    HWND control = IconControl(box);
    if (control == nullptr)
        return BoxIcon::None;
    static HMODULE hookLibrary = LoadLibraryA(BOX_ICON_HOOK_DLL);
    HOOKPROC hookProc = hookLibrary == nullptr
                            ? nullptr
                            : reinterpret_cast<HOOKPROC>(
                                  reinterpret_cast<void*>(GetProcAddress(hookLibrary, BOX_ICON_HOOK_PROC)));
    if (hookProc == nullptr)
        return BoxIcon::Unknown;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, hookProc, hookLibrary,
                                   GetWindowThreadProcessId(box, nullptr));
    if (hook == nullptr)
        return BoxIcon::Unknown;
    RemovePropA(box, BOX_ICON_PROPERTY);
    Ask(box, RegisterWindowMessageA(BOX_ICON_REQUEST), GetDlgCtrlID(control), 0);
    INT_PTR answer = reinterpret_cast<INT_PTR>(GetPropA(box, BOX_ICON_PROPERTY));
    UnhookWindowsHookEx(hook);
    switch (answer) {
    case BOX_ICON_NONE:
        return BoxIcon::None;
    case BOX_ICON_INFORMATION:
        return BoxIcon::Information;
    case BOX_ICON_WARNING:
        return BoxIcon::Warning;
    case BOX_ICON_ERROR:
        return BoxIcon::Error;
    case BOX_ICON_QUESTION:
        return BoxIcon::Question;
    }
    return BoxIcon::Unknown;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId)
{
    return Collect(processId, false);
}

std::vector<HWND> AllTopLevelWindows(DWORD processId, const char* className)
{
    std::vector<HWND> windows = Collect(processId, true);
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [&](HWND window) { return ClassName(window) != className; }),
                  windows.end());
    return windows;
}

HWND WaitForWindow(DWORD processId, const char* className, DWORD timeoutMs, const char* caption)
{
    DWORD started = GetTickCount();
    do {
        for (HWND window : TopLevelWindows(processId)) {
            if (ClassName(window) != className)
                continue;
            if (caption == nullptr || WindowText(window) == caption)
                return window;
        }
        Sleep(20);
    } while (GetTickCount() - started < timeoutMs);
    return nullptr;
}

HWND WaitForNewWindow(DWORD processId, const char* className, const std::vector<HWND>& known,
                      DWORD timeoutMs)
{
    DWORD started = GetTickCount();
    do {
        for (HWND window : TopLevelWindows(processId)) {
            if (ClassName(window) == className &&
                std::find(known.begin(), known.end(), window) == known.end())
                return window;
        }
        Sleep(20);
    } while (GetTickCount() - started < timeoutMs);
    return nullptr;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs)
{
    DWORD started = GetTickCount();
    for (;;) {
        if (!IsWindow(window) || !IsWindowVisible(window))
            return true;
        if (GetTickCount() - started >= timeoutMs)
            return false;
        Sleep(20);
    }
}

void Settle(HWND window)
{
    // A sent message is taken up only when the receiving thread next asks
    // for messages, that is once the handler before it has returned.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
}

std::string ClassName(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string WindowText(HWND window)
{
    char text[4096] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, kAnswerMs, nullptr);
    return text;
}

std::string ControlText(HWND dialog, int controlId)
{
    return WindowText(GetDlgItem(dialog, controlId));
}

std::string ControlTextWide(HWND dialog, int controlId, UINT codePage)
{
    return TextOf(GetDlgItem(dialog, controlId), codePage);
}

std::string WindowTextWide(HWND window, UINT codePage)
{
    return TextOf(window, codePage);
}

bool IsShown(HWND window)
{
    return window != nullptr && IsWindow(window) && IsWindowVisible(window);
}

bool IsControlEnabled(HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    return control != nullptr && IsWindowEnabled(control);
}

bool IsChecked(HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    return control != nullptr && Ask(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

HWND OwnerOf(HWND window)
{
    return GetWindow(window, GW_OWNER);
}

std::string ComboView::SelectedText() const
{
    if (selected < 0 || selected >= static_cast<int>(items.size()))
        return std::string();
    return items[selected].text;
}

ComboView ReadComboBox(HWND dialog, int controlId, UINT codePage)
{
    ComboView view;
    HWND combo = GetDlgItem(dialog, controlId);
    if (combo == nullptr)
        return view;
    LRESULT count = Ask(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        LRESULT length = Ask(combo, CB_GETLBTEXTLEN, index, 0);
        std::vector<wchar_t> wide(length > 0 ? length + 1 : 1, L'\0');
        // Sent as UTF-16: the ANSI form crosses processes with one character.
        Ask(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide.data()));
        ListItem item;
        item.text = Narrow(wide.data(), codePage);
        item.data = Ask(combo, CB_GETITEMDATA, index, 0);
        view.items.push_back(item);
    }
    view.selected = static_cast<int>(Ask(combo, CB_GETCURSEL, 0, 0));
    return view;
}

void Click(HWND dialog, int controlId)
{
    PostMessageA(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

void ChooseOption(HWND dialog, int controlId)
{
    // Sent: choosing an option opens no window, and once the click returns
    // the dialog has handled its notification.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0, SMTO_NORMAL, 30000,
                        &ignored);
}

void SelectListItem(HWND dialog, int controlId, int index)
{
    HWND combo = GetDlgItem(dialog, controlId);
    Ask(combo, CB_SETCURSEL, index, 0);
    Ask(dialog, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void TypeText(HWND dialog, int controlId, const std::string& text, UINT codePage)
{
    std::wstring wide = Widen(text, codePage);
    SendMessageTimeoutW(GetDlgItem(dialog, controlId), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, kAnswerMs,
                        nullptr);
}

void PressEnter(HWND dialog)
{
    PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(dialog, WM_KEYUP, VK_RETURN, 0xC0000001);
}

void PressEscape(HWND dialog)
{
    PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0xC0000001);
}

const char* BoxIconName(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::None:
        return "none";
    case BoxIcon::Information:
        return "information";
    case BoxIcon::Warning:
        return "warning";
    case BoxIcon::Error:
        return "error";
    case BoxIcon::Question:
        return "question";
    case BoxIcon::Unknown:
        break;
    }
    return "unknown";
}

MessageBoxView ReadMessageBox(HWND window, UINT codePage)
{
    MessageBoxView view;
    view.window = window;
    view.owner = OwnerOf(window);
    view.caption = WindowTextWide(window, codePage);
    view.text = ControlTextWide(window, 0xFFFF, codePage);
    view.hasOk = GetDlgItem(window, IDOK) != nullptr;
    view.hasYes = GetDlgItem(window, IDYES) != nullptr;
    view.hasNo = GetDlgItem(window, IDNO) != nullptr;
    view.hasCancel = GetDlgItem(window, IDCANCEL) != nullptr;
    view.icon = IconOf(window);
    return view;
}

}  // namespace test_support
