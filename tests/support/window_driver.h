// Finds and works the windows of another process as a user would: reads
// captions and control texts, clicks buttons. Used by the end-to-end tests.
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
// All visible top-level windows of the process.
std::vector<HWND> TopLevelWindows(DWORD processId);

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int controlId);
// Wine returns only the first character of some cross-process ANSI text
// queries; this reads the control's text as UTF-16 and converts it to the
// given code page (CP_ACP by default).
std::string ControlTextWide(HWND dialog, int controlId, UINT codePage = CP_ACP);
// Posted, not sent: a click that opens a modal window would otherwise block
// until that window closes.
void Click(HWND dialog, int controlId);

// A message box: its text (control 0xFFFF) and which buttons it has.
struct MessageBoxView {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    bool hasOk = false, hasYes = false, hasNo = false, hasCancel = false;
};
MessageBoxView ReadMessageBox(HWND window);

}  // namespace test_support
