#include "ui/vm_select_dialog.h"

#include <stdarg.h>
#include <string.h>

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
    // Wide: a wide dialog keeps a caption that the ANSI code page cannot hold.
    DialogBoxParamW(app->instance, MAKEINTRESOURCEW(IDD_VM_SELECT), NULL, VmSelectDialogProc, 0);
}

void LaunchFromDialog(HWND dialog, VmLocator* vm)
{
    // A message that reaches a hidden dialog while the installer runs must
    // not start a second one.
    if (GetLauncherApp()->installerRunning)
        return;
    try {
        GetLauncherApp()->LaunchInstaller(dialog, vm);
    } catch (CException* error) {
        // As for any failure of the run: nothing is shown, the dialogs close
        // and the clean-up follows.
        delete error;
    }
}

// The search runs while the dialog handles its messages: the probes are
// started at once and the timer looks in on them, so the window moves,
// repaints and can be cancelled while slow VMs start.
static const UINT_PTR kSearchTimer = 1;
static const UINT kSearchPollMs = 50;

// Nothing installed suits: the Java that the installer brings, when it
// brings one, is unpacked and probed, and the list is filled once more after
// its answer. A runtime that does not suit goes again at once, and so does
// one whose probe cannot start (a 64-bit runtime on 32-bit Windows, a policy
// against programs in the temporary folder): no timer would ever end it.
static bool ProbeBundledRuntime(HWND dialog)
{
    LauncherApp* app = GetLauncherApp();
    if (app->vms.slots[kRuntimeSlot] != NULL) {
        app->RemoveBundledRuntime();
        return false;
    }
    char javaExe[kTextBufferSize];
    if (!app->UnpackBundledRuntime(javaExe))
        return false;
    if (!app->vms.StartRuntimeCheck(javaExe, app->requirement)) {
        app->RemoveBundledRuntime();
        return false;
    }
    SetTimer(dialog, kSearchTimer, kSearchPollMs, NULL);
    return true;
}

static void FillList(HWND dialog)
{
    LauncherApp* app = GetLauncherApp();
    HWND list = GetDlgItem(dialog, IDC_VM_LIST);
    int count = 0;
    UINT statusId = IDS_ONE_VM_FOUND;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (!app->vms.IsFound(slot) || !app->vms.slots[slot]->suitable)
            continue;
        if (slot == kRuntimeSlot)
            statusId = IDS_OWN_JAVA;
        // The list sorts its items, so the slot travels as the item's data.
        LRESULT position = SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)app->vms.slots[slot]->exePath);
        SendMessageA(list, CB_SETITEMDATA, (WPARAM)position, (LPARAM)slot);
        ++count;
    }
    if (count == 0 && ProbeBundledRuntime(dialog))
        return;
    if (count == 0) {
        ShowWindow(dialog, SW_HIDE);
        DialogBoxParamW(app->instance, MAKEINTRESOURCEW(IDD_NO_VM), NULL, NoVmDialogProc, 0);
        EndDialog(dialog, 1);
        return;
    }
    char status[kTextBufferSize];
    status[0] = '\0';
    LoadStringA(app->instance, count == 1 ? statusId : IDS_SEVERAL_VMS_FOUND, status, sizeof status);
    SetDlgItemTextA(dialog, IDC_STATUS, status);
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

static void FormatText(char* output, size_t outputSize, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatMessageText(output, outputSize, format, arguments);
    va_end(arguments);
}

static void ShowSearchProgress(HWND dialog, int answered, int found)
{
    LauncherApp* app = GetLauncherApp();
    char format[kTextBufferSize];
    char status[kTextBufferSize];
    format[0] = '\0';
    LoadStringA(app->instance, IDS_SEARCHING, format, sizeof format);
    FormatText(status, sizeof status, format, answered, found);
    // Set only when it changes: the timer comes by far more often.
    char shown[kTextBufferSize];
    shown[0] = '\0';
    GetDlgItemTextA(dialog, IDC_STATUS, shown, sizeof shown);
    if (strcmp(shown, status) != 0)
        SetDlgItemTextA(dialog, IDC_STATUS, status);
}

static void ContinueSearch(HWND dialog)
{
    VmTable& vms = GetLauncherApp()->vms;
    if (!vms.CollectChecks()) {
        ShowSearchProgress(dialog, vms.CountAnswered(), vms.CountFound());
        return;
    }
    KillTimer(dialog, kSearchTimer);
    FillList(dialog);
}

static void BeginSearch(HWND dialog)
{
    LauncherApp* app = GetLauncherApp();
    app->vms.StartSearch(app->workDir, app->requirement);
    SetTimer(dialog, kSearchTimer, kSearchPollMs, NULL);
    ContinueSearch(dialog);
}

static void LaunchSelected(HWND dialog)
{
    // A click that waited in the queue while the installer was extracted
    // arrives during its run.
    if (GetLauncherApp()->installerRunning)
        return;
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
    // A click that waited in the queue while the installer was extracted:
    // the installer runs, and a question now would hold up its end.
    if (app->installerRunning)
        return;
    char question[kQuestionSize];
    question[0] = '\0';
    LoadStringA(app->instance, IDS_CANCEL_QUESTION, question, sizeof question);
    // The probes go on while the user decides; the list is filled once the
    // question has gone.
    bool searching = app->vms.IsChecking();
    if (searching)
        KillTimer(dialog, kSearchTimer);
    if (app->ShowText(dialog, question, MB_YESNO | MB_ICONWARNING) == IDYES) {
        app->exitStatus = kExitCancelled;
        app->vms.StopChecks();
        EndDialog(dialog, 2);
    } else if (searching) {
        SetTimer(dialog, kSearchTimer, kSearchPollMs, NULL);
    }
}

INT_PTR CALLBACK VmSelectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        GetLauncherApp()->SetCaption(dialog);
        CenterDialog(dialog);
        // Posted, not called: the search starts once the dialog is on screen.
        PostMessageA(dialog, WM_BEGIN_SEARCH, 0, 0);
        break;
    case WM_BEGIN_SEARCH:
        BeginSearch(dialog);
        break;
    case WM_TIMER:
        if (wParam == kSearchTimer && GetLauncherApp()->vms.IsChecking())
            ContinueSearch(dialog);
        break;
    case WM_SETCURSOR:
        // The working-in-the-background cursor: the dialog answers, but the
        // list is still to come.
        if (!GetLauncherApp()->vms.IsChecking())
            break;
        SetCursor(LoadCursorA(NULL, IDC_APPSTARTING));
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            LaunchSelected(dialog);
        else if (LOWORD(wParam) == IDCANCEL)
            ConfirmCancel(dialog);
        break;
    }
    return 0;
}
