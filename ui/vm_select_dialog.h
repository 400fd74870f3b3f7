// The VM selection dialog (template IDD_VM_SELECT): searches the VMs once it
// is shown, lists the suitable ones and launches the installer with the one
// the user confirms. Also CenterDialog, which both dialogs use.
#pragma once

#include <windows.h>

void CenterDialog(HWND window);

// Runs the dialog modally, without an owner window.
void ShowVmSelectDialog();

INT_PTR CALLBACK VmSelectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

class VmLocator;
// LaunchInstaller for a dialog: a failure (an entry that cannot be
// extracted) is absorbed here, so that no exception crosses the window
// manager's dispatch. Either way the installer's dialog is done with.
void LaunchFromDialog(HWND dialog, VmLocator* vm);
