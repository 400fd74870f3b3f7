#include "ui/vm_select_dialog.h"

#include "app/launcher_app.h"
#include "payload/exception.h"
#include "res/resource.h"
#include "ui/dialog_layout.h"
#include "ui/no_vm_dialog.h"
#include "vm/vm_locator.h"

static const size_t kQuestionSize = 300;

void CenterDialog(HWND window)
{
    HWND reference = (HWND)GetWindowLongPtrA(window, GWLP_HWNDPARENT);
    if (reference == NULL)
        reference = GetDesktopWindow();
    RECT dialogRect;
    RECT referenceRect;
    GetWindowRect(window, &dialogRect);
    GetWindowRect(reference, &referenceRect);
    int width = dialogRect.right - dialogRect.left;
    int height = dialogRect.bottom - dialogRect.top;
    int left = CenteredOffset(referenceRect.right - referenceRect.left, width);
    int top = CenteredOffset(referenceRect.bottom - referenceRect.top, height);
    MoveWindow(window, left, top, width, height, FALSE);
}

void ShowVmSelectDialog()
{
    LauncherApp* app = GetLauncherApp();
    DialogBoxParamA(app->instance, MAKEINTRESOURCEA(IDD_VM_SELECT), NULL, VmSelectDialogProc, 0);
}

void LaunchFromDialog(HWND dialog, VmLocator* vm)
{
    try {
        GetLauncherApp()->LaunchInstaller(dialog, vm);
    } catch (CException* error) {
        // As for any failure of the run: nothing is shown, the dialogs close
        // and the clean-up follows.
        delete error;
    }
}

static void SearchAndFill(HWND dialog)
{
    LauncherApp* app = GetLauncherApp();
    ShowCursor(TRUE);
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    app->vms.Search(app->requirement);
    ShowCursor(FALSE);

    HWND list = GetDlgItem(dialog, IDC_VM_LIST);
    int count = 0;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (!app->vms.IsFound(slot) || !app->vms.slots[slot]->suitable)
            continue;
        // The list sorts its items, so the slot travels as the item's data.
        LRESULT position = SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)app->vms.slots[slot]->exePath);
        SendMessageA(list, CB_SETITEMDATA, (WPARAM)position, (LPARAM)slot);
        ++count;
    }
    if (count == 0) {
        ShowWindow(dialog, SW_HIDE);
        DialogBoxParamA(app->instance, MAKEINTRESOURCEA(IDD_NO_VM), NULL, NoVmDialogProc, 0);
        EndDialog(dialog, 1);
        return;
    }
    char status[kTextBufferSize];
    status[0] = '\0';
    LoadStringA(app->instance, count == 1 ? IDS_ONE_VM_FOUND : IDS_SEVERAL_VMS_FOUND, status,
                sizeof status);
    SetDlgItemTextA(dialog, IDC_STATUS, status);
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

static void LaunchSelected(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_VM_LIST);
    LRESULT position = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (position == CB_ERR)
        return;
    LRESULT slot = SendMessageA(list, CB_GETITEMDATA, (WPARAM)position, 0);
    if (slot == CB_ERR || slot < 0 || slot >= kVmSlots)
        return;
    VmLocator* vm = GetLauncherApp()->vms.slots[slot];
    if (vm == NULL)
        return;
    LaunchFromDialog(dialog, vm);
    EndDialog(dialog, 1);
}

static void ConfirmCancel(HWND dialog)
{
    LauncherApp* app = GetLauncherApp();
    char question[kQuestionSize];
    question[0] = '\0';
    LoadStringA(app->instance, IDS_CANCEL_QUESTION, question, sizeof question);
    if (MessageBoxA(dialog, question, app->title, MB_YESNO | MB_ICONWARNING) == IDYES)
        EndDialog(dialog, 2);
}

INT_PTR CALLBACK VmSelectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CenterDialog(dialog);
        // Posted, not called: the search starts once the dialog is on screen.
        PostMessageA(dialog, WM_BEGIN_SEARCH, 0, 0);
        break;
    case WM_BEGIN_SEARCH:
        SearchAndFill(dialog);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            LaunchSelected(dialog);
        else if (LOWORD(wParam) == IDCANCEL)
            ConfirmCancel(dialog);
        break;
    }
    return 0;
}
