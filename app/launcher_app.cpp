#include "app/launcher_app.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "payload/exception.h"
#include "payload/paths.h"
#include "res/resource.h"
#include "ui/vm_select_dialog.h"
#include "vm/vm_locator.h"

static LauncherApp theApp;

LauncherApp* GetLauncherApp()
{
    return &theApp;
}

LauncherApp::LauncherApp() : instance(NULL), interactive(0)
{
    requirement[0] = '\0';
    tempDir[0] = '\0';
    title[0] = '\0';
    installerClassFile[0] = '\0';
    downloadUrl[0] = '\0';
}

const char* SkipBlanks(const char* text)
{
    if (text == NULL)
        return "";
    while (*text == ' ' || *text == '\t')
        ++text;
    return text;
}

const char* CommandLineTail(const char* commandLine)
{
    if (commandLine == NULL)
        return "";
    if (*commandLine == '"') {
        ++commandLine;
        while (*commandLine != '\0' && *commandLine != '"')
            ++commandLine;
        if (*commandLine == '"')
            ++commandLine;
    } else {
        while (*commandLine != '\0' && *commandLine != ' ' && *commandLine != '\t')
            ++commandLine;
    }
    return SkipBlanks(commandLine);
}

void LauncherApp::Run(const char* commandTail)
{
    commandTail = SkipBlanks(commandTail);
    interactive = commandTail[0] == '\0' ? 1 : 0;
    // A requirement cut to fit could accept VMs that the whole one rejects,
    // so a tail that does not fit is refused: no probe, no report.
    if (!CopyText(requirement, sizeof requirement, commandTail))
        return;
    LoadStringA(instance, IDS_TITLE, title, sizeof title);
    if (GetTempDir(tempDir) == 0)
        ThrowWin32Error(ERROR_PATH_NOT_FOUND);
    WriteProbeClass();
    if (interactive)
        RunInteractive();
    else
        RunProbe();
}

bool LauncherApp::ReadPayloadSettings()
{
    archive.ReadDirectory();
    PayloadEntry* requirementEntry = archive.entries[0];
    PayloadEntry* urlEntry = archive.entries[1];
    PayloadEntry* classEntry = archive.entries[2];
    if (requirementEntry == NULL || _stricmp(requirementEntry->name, "commandline") != 0)
        return false;
    if (urlEntry == NULL || _stricmp(urlEntry->name, "url") != 0)
        return false;
    if (classEntry == NULL)
        return false;
    if (!requirementEntry->ReadString(archive.file, requirement))
        return false;
    if (!urlEntry->ReadString(archive.file, downloadUrl))
        return false;
    return CopyText(installerClassFile, sizeof installerClassFile, classEntry->name);
}

void LauncherApp::RunInteractive()
{
    if (ReadPayloadSettings()) {
        ShowVmSelectDialog();
        return;
    }
    char usage[kTextBufferSize];
    usage[0] = '\0';
    LoadStringA(instance, IDS_USAGE, usage, sizeof usage);
    MessageBoxA(NULL, usage, title, MB_ICONINFORMATION);
}

void LauncherApp::RunProbe()
{
    vms.ProbeAndReport(requirement);
}

void LauncherApp::GetProbeClassPath(char* path)
{
    path[0] = '\0';
    if (!CopyText(path, kTextBufferSize, tempDir) || !AppendPath(path, kProbeClassFileName))
        ThrowWin32Error(ERROR_FILENAME_EXCED_RANGE);
}

void LauncherApp::WriteProbeClass()
{
    char path[kTextBufferSize];
    GetProbeClassPath(path);
    // Looked up in the process's own module: the probe travels with the
    // executable that runs, not with a module handle passed around.
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(kProbeClassResourceId),
                                kProbeClassResourceType);
    if (found == NULL)
        ThrowWin32Error(GetLastError());
    DWORD size = SizeofResource(NULL, found);
    HGLOBAL loaded = LoadResource(NULL, found);
    if (loaded == NULL)
        ThrowWin32Error(GetLastError());
    const void* bytes = LockResource(loaded);
    FileHandle probe;
    probe.CreateWrite(path);
    try {
        probe.Write(bytes, size);
    } catch (CException*) {
        // A half-written probe would make every VM look unsuitable; remove it.
        probe.Close();
        DeleteFileA(path);
        throw;
    }
    probe.Close();
}

void LauncherApp::DeleteProbeClass()
{
    // Without a temporary directory no probe was written, and the joined
    // name would point at the root of the current drive.
    if (tempDir[0] == '\0')
        return;
    char path[kTextBufferSize];
    if (CopyText(path, sizeof path, tempDir) && AppendPath(path, kProbeClassFileName))
        remove(path);
}

void FormatMessageText(char* output, size_t outputSize, const char* format, va_list arguments)
{
    if (outputSize == 0)
        return;
    // _vsnprintf leaves the buffer unterminated when the text fills it.
    _vsnprintf(output, outputSize - 1, format, arguments);
    output[outputSize - 1] = '\0';
}

void LauncherApp::ShowMessage(HWND owner, UINT stringId, UINT style, ...)
{
    char format[kMessageBufferSize];
    char text[kMessageBufferSize];
    format[0] = '\0';
    text[0] = '\0';
    LoadStringA(instance, stringId, format, sizeof format);
    va_list arguments;
    va_start(arguments, style);
    FormatMessageText(text, sizeof text, format, arguments);
    va_end(arguments);
    MessageBoxA(owner, text, title, style);
}

bool LauncherApp::LaunchInstaller(HWND dialog, VmLocator* vm)
{
    (void)dialog;
    char className[kTextBufferSize];
    CopyText(className, sizeof className, installerClassFile);
    StripExtension(className);
    ShowCursor(TRUE);
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    archive.ExtractAll(tempDir, 0);
    ShowCursor(FALSE);
    vm->RunClass(tempDir, className, NULL);
    return true;
}

void LauncherApp::Cleanup()
{
    if (tempDir[0] != '\0')
        archive.DeleteExtracted(tempDir, 0);
    archive.Close();
    DeleteProbeClass();
}
