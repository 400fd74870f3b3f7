#include "app/launcher_app.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "payload/exception.h"
#include "payload/paths.h"
#include "payload/runtime_archive.h"
#include "payload/wide_paths.h"
#include "payload/work_folder.h"
#include "res/resource.h"
#include "ui/vm_select_dialog.h"
#include "vm/vm_locator.h"

static LauncherApp theApp;

LauncherApp* GetLauncherApp()
{
    return &theApp;
}

LauncherApp::LauncherApp() : instance(NULL), interactive(0), installerRunning(false)
{
    requirement[0] = '\0';
    tempDir[0] = '\0';
    workDir[0] = '\0';
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
    wchar_t wideTempDir[kTextBufferSize];
    if (!GetWideTempDir(wideTempDir))
        ThrowWin32Error(ERROR_PATH_NOT_FOUND);
    if (!UseAnsiPath(wideTempDir, tempDir))
        return;
    CreateWorkDir();
    WriteProbeClass();
    if (interactive)
        RunInteractive();
    else
        RunProbe();
}

bool LauncherApp::UseAnsiPath(wchar_t* widePath, char* output)
{
    if (ToAnsiPath(widePath, output) != kAnsiPathNone)
        return true;
    // The payload, the probe or the installer would fail on a name that
    // Windows guessed; a message says what no silent end would.
    if (interactive) {
        CutAtLastBackslash(widePath);
        ShowCannotRunHere(widePath);
    }
    return false;
}

// Wide throughout: the folder's name is what the ANSI code page cannot hold.
void LauncherApp::ShowCannotRunHere(const wchar_t* folder)
{
    wchar_t caption[kTextBufferSize];
    wchar_t format[kMessageBufferSize];
    wchar_t text[kMessageBufferSize];
    caption[0] = L'\0';
    format[0] = L'\0';
    LoadStringW(instance, IDS_TITLE, caption, kTextBufferSize);
    LoadStringW(instance, IDS_CANNOT_RUN_HERE, format, kMessageBufferSize);
    // _snwprintf leaves the buffer unterminated when the text fills it.
    _snwprintf(text, kMessageBufferSize - 1, format, folder);
    text[kMessageBufferSize - 1] = L'\0';
    MessageBoxW(NULL, text, caption, MB_ICONINFORMATION);
}

void LauncherApp::CreateWorkDir()
{
    if (!CreateWorkFolder(tempDir, workDir))
        ThrowWin32Error(GetLastError());
}

void LauncherApp::RemoveWorkDir()
{
    if (workDir[0] == '\0')
        return;
    // Windows keeps a folder that is a process's current directory.
    SetCurrentDirectoryA(tempDir);
    RemoveFolderTree(workDir);
    workDir[0] = '\0';
}

bool LauncherApp::GetWorkPath(const char* name, char* path)
{
    // Without workDir the joined name would point at the root of the
    // current drive.
    path[0] = '\0';
    return workDir[0] != '\0' && CopyText(path, kTextBufferSize, workDir) && AppendPath(path, name);
}

bool LauncherApp::ReadPayloadSettings(const char* programPath)
{
    archive.ReadDirectoryFrom(programPath);
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
    wchar_t wideProgramPath[kTextBufferSize];
    char programPath[kTextBufferSize];
    if (!GetWideModulePath(instance, wideProgramPath))
        ThrowWin32Error(GetLastError());
    if (!UseAnsiPath(wideProgramPath, programPath))
        return;
    if (ReadPayloadSettings(programPath)) {
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
    vms.ProbeAndReport(workDir, requirement);
}

void LauncherApp::GetProbeClassPath(char* path)
{
    if (!GetWorkPath(kProbeClassFileName, path))
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
    char className[kTextBufferSize];
    CopyText(className, sizeof className, installerClassFile);
    StripExtension(className);
    ShowCursor(TRUE);
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    try {
        archive.ExtractAll(workDir, 0);
    } catch (CException* error) {
        // An installer started on a cut-off jar or data file would fail in
        // ways nobody could explain (a full disk, a setup file that could not
        // be read); the clean-up removes what was extracted.
        delete error;
        ShowCursor(FALSE);
        ShowMessage(dialog, IDS_CANNOT_EXTRACT, MB_ICONINFORMATION);
        return false;
    }
    ShowCursor(FALSE);
    // An installer may run for many minutes and read its other entries at
    // any time, so the clean-up has to wait for its VM to end. The wait
    // handles the thread's messages, so that the hidden dialog answers too.
    if (dialog != NULL)
        ShowWindow(dialog, SW_HIDE);
    installerRunning = true;
    unsigned long probeWait = vm->waitMs;
    vm->waitMs = INFINITE;
    vm->RunClass(workDir, className, NULL);
    vm->waitMs = probeWait;
    installerRunning = false;
    return true;
}

void LauncherApp::Cleanup()
{
    // A probe still running holds its capture file in workDir.
    vms.StopChecks();
    archive.Close();
    RemoveWorkDir();
}

bool LauncherApp::UnpackBundledRuntime(char* javaExe)
{
    PayloadEntry* entry = archive.FindEntry(kRuntimeEntry);
    char folder[kTextBufferSize];
    if (entry == NULL || !GetWorkPath(kBundledRuntimeFolder, folder))
        return false;
    ShowCursor(TRUE);
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    bool unpacked = RuntimeArchive(archive.file, *entry).UnpackTo(folder);
    ShowCursor(FALSE);
    if (unpacked && CopyText(javaExe, kTextBufferSize, folder) && AppendPath(javaExe, "bin\\java.exe"))
        return true;
    RemoveBundledRuntime();
    return false;
}

void LauncherApp::RemoveBundledRuntime()
{
    char folder[kTextBufferSize];
    if (GetWorkPath(kBundledRuntimeFolder, folder))
        RemoveFolderTree(folder);
}
