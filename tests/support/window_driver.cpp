#include "window_driver.h"

namespace test_support {

namespace {

struct Search {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context)
{
    Search* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId)
{
    Search search{processId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, const char* className, DWORD timeoutMs, const char* caption)
{
    DWORD started = GetTickCount();
    do {
        for (HWND window : TopLevelWindows(processId)) {
            if (ClassOf(window) != className)
                continue;
            if (caption == nullptr || WindowText(window) == caption)
                return window;
        }
        Sleep(20);
    } while (GetTickCount() - started < timeoutMs);
    return nullptr;
}

std::string WindowText(HWND window)
{
    char text[4096] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::string ControlText(HWND dialog, int controlId)
{
    return WindowText(GetDlgItem(dialog, controlId));
}

std::string ControlTextWide(HWND dialog, int controlId, UINT codePage)
{
    wchar_t wide[4096] = L"";
    SendMessageTimeoutW(GetDlgItem(dialog, controlId), WM_GETTEXT, 4096,
                        reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 5000, nullptr);
    char text[8192] = "";
    WideCharToMultiByte(codePage, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

void Click(HWND dialog, int controlId)
{
    PostMessageA(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

MessageBoxView ReadMessageBox(HWND window)
{
    MessageBoxView view;
    view.window = window;
    view.caption = WindowText(window);
    view.text = ControlText(window, 0xFFFF);
    view.hasOk = GetDlgItem(window, IDOK) != nullptr;
    view.hasYes = GetDlgItem(window, IDYES) != nullptr;
    view.hasNo = GetDlgItem(window, IDNO) != nullptr;
    view.hasCancel = GetDlgItem(window, IDCANCEL) != nullptr;
    return view;
}

}  // namespace test_support
