// The no-VM dialog (template IDD_NO_VM): with no suitable VM found, the user
// can open the download page, run the installation with a VM executable
// named by hand, or save the installer class into a folder.
#pragma once

#include <windows.h>

INT_PTR CALLBACK NoVmDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
