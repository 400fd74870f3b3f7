#include "ui/no_vm_dialog.h"

#include <string.h>

#include "app/launcher_app.h"
#include "payload/exception.h"
#include "payload/paths.h"
#include "res/resource.h"
#include "ui/dialog_layout.h"
#include "ui/shell_functions.h"
#include "ui/vm_select_dialog.h"
#include "vm/vm_locator.h"

static const int kInstallerClassSlot = 2;

// Reads an edit field into text (kTextBufferSize bytes). A text that does not
// fit is refused rather than cut: a cut path names another file or folder.
static bool ReadField(HWND dialog, int controlId, char* text)
{
    text[0] = '\0';
    if (GetWindowTextLengthA(GetDlgItem(dialog, controlId)) >= (int)kTextBufferSize)
        return false;
    GetDlgItemTextA(dialog, controlId, text, kTextBufferSize);
    return true;
}

static void ApplyEnableRule(HWND dialog, int optionId)
{
    static const int controls[] = {IDC_VM_PATH, IDC_BROWSE_VM, IDC_SAVE_FOLDER, IDC_BROWSE_FOLDER};
    for (size_t index = 0; index < sizeof controls / sizeof controls[0]; ++index)
        EnableWindow(GetDlgItem(dialog, controls[index]),
                     IsEnabledForOption(controls[index], optionId));
}

static void OnInit(HWND dialog)
{
    GetLauncherApp()->SetCaption(dialog);
    CenterDialog(dialog);
    CheckRadioButton(dialog, IDC_OPT_DOWNLOAD, IDC_OPT_SAVE, IDC_OPT_DOWNLOAD);
    ApplyEnableRule(dialog, IDC_OPT_DOWNLOAD);
    SetDlgItemTextA(dialog, IDC_DOWNLOAD_URL, GetLauncherApp()->downloadUrl);
}

// Returns true when the installer was launched (or its launch failed quietly).
static bool RunWithNamedVm(HWND dialog)
{
    LauncherApp* app = GetLauncherApp();
    char path[kTextBufferSize];
    bool fits = ReadField(dialog, IDC_VM_PATH, path);
    if (fits && path[0] == '\0') {
        app->ShowMessage(dialog, IDS_NAME_A_VM, MB_ICONINFORMATION);
        return false;
    }
    if (!fits || !FileExists(path)) {
        app->ShowMessage(dialog, IDS_NO_VM_AT_PATH, MB_ICONINFORMATION);
        return false;
    }
    VmLocator* vm = app->vms.FindByExecutable(path);
    if (vm == NULL || !vm->Check(app->workDir, app->requirement)) {
        app->ShowMessage(dialog, IDS_NOT_A_VM, MB_ICONINFORMATION);
        return false;
    }
    LaunchFromDialog(dialog, vm);
    return true;
}

static void ShowCannotSave()
{
    LauncherApp* app = GetLauncherApp();
    char text[kTextBufferSize];
    text[0] = '\0';
    LoadStringA(app->instance, IDS_CANNOT_SAVE, text, sizeof text);
    app->ShowText(NULL, text, MB_ICONINFORMATION);
}

static bool SaveInstallerClass(HWND dialog)
{
    LauncherApp* app = GetLauncherApp();
    char path[kTextBufferSize];
    bool fits = ReadField(dialog, IDC_SAVE_FOLDER, path);
    if (fits && path[0] == '\0') {
        app->ShowMessage(dialog, IDS_NAME_A_FOLDER, MB_ICONINFORMATION);
        return false;
    }
    // A folder or joined path that would not fit is refused like any other
    // path that cannot be written: nothing is written and the user may try
    // again.
    PayloadEntry* installer = app->archive.entries[kInstallerClassSlot];
    if (!fits || installer == NULL || !AppendPath(path, app->installerClassFile)) {
        ShowCannotSave();
        return false;
    }
    try {
        installer->ExtractTo(app->archive.file, path);
    } catch (CException* error) {
        delete error;
        ShowCannotSave();
        return false;
    }
    app->ShowMessage(dialog, IDS_SAVED_TO, MB_ICONINFORMATION, path);
    return true;
}

static void BrowseForVm(HWND dialog)
{
    LauncherApp* app = GetLauncherApp();
    char filter[kTextBufferSize];
    char chosen[kTextBufferSize];
    filter[0] = '\0';
    chosen[0] = '\0';
    LoadStringA(app->instance, IDS_EXE_FILTER, filter, sizeof filter);
    ConvertFilterList(filter);

    OPENFILENAMEA request;
    memset(&request, 0, sizeof request);
    // The size of the classic structure, which every Windows version accepts.
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = dialog;
    request.hInstance = app->instance;
    request.lpstrFilter = filter;
    request.lpstrFile = chosen;
    request.nMaxFile = sizeof chosen;
    request.Flags = OFN_HIDEREADONLY;
    request.lpstrDefExt = "exe";
    if (OpenFileDialog(&request))
        SetDlgItemTextA(dialog, IDC_VM_PATH, chosen);
}

static void BrowseForFolder(HWND dialog)
{
    char folder[kTextBufferSize];
    folder[0] = '\0';
    BROWSEINFOA request;
    memset(&request, 0, sizeof request);
    request.pszDisplayName = folder;
    LPITEMIDLIST item = BrowseForFolder(&request);
    if (item == NULL)
        return;
    if (PathFromItem(item, folder))
        SetDlgItemTextA(dialog, IDC_SAVE_FOLDER, folder);
    FreeItem(item);
}

// True while OK's action runs. The probe of a named VM blocks, so a second
// click waits in the queue; the installer's wait or a message box then
// delivers it, and it must neither probe nor launch again.
static bool acting = false;

static void OnOk(HWND dialog)
{
    if (acting)
        return;
    acting = true;
    bool done = false;
    // Saving the class or opening the download page installs nothing.
    GetLauncherApp()->exitStatus = kExitNoSuitableJava;
    if (IsDlgButtonChecked(dialog, IDC_OPT_DOWNLOAD) == BST_CHECKED) {
        OpenWithShell(dialog, "open", GetLauncherApp()->downloadUrl);
        done = true;
    } else if (IsDlgButtonChecked(dialog, IDC_OPT_RUN_VM) == BST_CHECKED) {
        done = RunWithNamedVm(dialog);
    } else if (IsDlgButtonChecked(dialog, IDC_OPT_SAVE) == BST_CHECKED) {
        done = SaveInstallerClass(dialog);
    }
    acting = false;
    if (done)
        EndDialog(dialog, 1);
}

INT_PTR CALLBACK NoVmDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog);
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOk(dialog);
            break;
        case IDCANCEL:
            if (acting)   // waited in the queue while a probe or the installer ran
                break;
            GetLauncherApp()->exitStatus = kExitCancelled;
            EndDialog(dialog, 2);
            break;
        case IDC_BROWSE_VM:
            BrowseForVm(dialog);
            break;
        case IDC_BROWSE_FOLDER:
            BrowseForFolder(dialog);
            break;
        case IDC_OPT_DOWNLOAD:
        case IDC_OPT_RUN_VM:
        case IDC_OPT_SAVE:
            ApplyEnableRule(dialog, LOWORD(wParam));
            break;
        }
        break;
    }
    return 0;
}
