// The common-dialog and shell functions of the no-VM dialog. comdlg32 and
// shell32 serve that dialog only, so they are loaded from System32 when it
// first calls one of these, which spares every other run their start-up
// cost (a third of a search's time under Wine). Where a DLL or function
// cannot be had, the call fails as the user's cancel would.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

BOOL OpenFileDialog(OPENFILENAMEA* request);
LPITEMIDLIST BrowseForFolder(BROWSEINFOA* request);
BOOL PathFromItem(LPCITEMIDLIST item, char* path);
void FreeItem(LPITEMIDLIST item);
void OpenWithShell(HWND owner, const char* verb, const char* file);
