#include "app/launcher_app.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "app/command_options.h"
#include "payload/exception.h"
#include "payload/paths.h"
#include "payload/run_log.h"
#include "payload/runtime_archive.h"
#include "payload/wide_paths.h"
#include "payload/work_folder.h"
#include "res/resource.h"
#include "ui/vm_select_dialog.h"
#include "vm/vm_locator.h"

// In .bss by name: with -fdata-sections MinGW's GCC would give each its own
// .data$ section, 32 KB of zeros in the executable.
static char vmOptionsText[kCommandLineSize] __attribute__((section(".bss")));
static char packedArgsText[kCommandLineSize] __attribute__((section(".bss")));
static LauncherApp theApp;

LauncherApp* GetLauncherApp()
{
    return &theApp;
}

LauncherApp::LauncherApp()
    : instance(NULL), interactive(0), silent(0), exitStatus(0), userArgs(NULL),
      vmOptions(vmOptionsText), packedArgs(packedArgsText), installerRunning(false)
{
    vmOptions[0] = '\0';
    packedArgs[0] = '\0';
    requirement[0] = '\0';
    tempDir[0] = '\0';
    workDir[0] = '\0';
    title[0] = L'\0';
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
    LoadStringW(instance, IDS_TITLE, title, kTextBufferSize);
    if (commandTail[0] == '-' && commandTail[1] == '-') {
        CommandOptions options;
        bool valid = ReadCommandOptions(commandTail, &options);
        silent = options.silent ? 1 : 0;
        // Windows' own boxes (a DLL missing, a VM that crashed) would block an
        // unattended run; the probes and the installer's VM inherit the mode.
        if (silent)
            SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
        if (options.logPath[0] != '\0')
            OpenRunLog(options.logPath);
        LogLine("Wendle %s, command line: %s", kLauncherVersion, GetCommandLineA());
        if (!valid) {
            LogLine("refused: an option that is not known, or --log without its file");
            exitStatus = kExitBadOption;
            ShowUsage();
            return;
        }
        userArgs = options.installerArgs;
        commandTail = options.requirement != NULL ? options.requirement : "";
    }
    interactive = commandTail[0] == '\0' ? 1 : 0;
    // Until the installer has run or the user has decided, the installation
    // has not started; probe mode always ends with 0.
    exitStatus = interactive ? kExitCannotStart : 0;
    // A requirement cut to fit could accept VMs that the whole one rejects,
    // so a tail that does not fit is refused: no probe, no report.
    if (!CopyText(requirement, sizeof requirement, commandTail))
        return;
    wchar_t wideTempDir[kTextBufferSize];
    if (!GetWideTempDir(wideTempDir))
        ThrowWin32Error(ERROR_PATH_NOT_FOUND);
    if (!UseAnsiPath(wideTempDir, tempDir))
        return;
    CreateWorkDir();
    LogLine("temporary folder %s, run folder %s", tempDir, workDir);
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
    LogLine("no ANSI name for %ls", widePath);
    if (interactive && !silent) {
        CutAtLastBackslash(widePath);
        ShowCannotRunHere(widePath);
    }
    return false;
}

// Wide throughout: the folder's name is what the ANSI code page cannot hold.
void LauncherApp::ShowCannotRunHere(const wchar_t* folder)
{
    wchar_t format[kMessageBufferSize];
    wchar_t text[kMessageBufferSize];
    format[0] = L'\0';
    LoadStringW(instance, IDS_CANNOT_RUN_HERE, format, kMessageBufferSize);
    // _snwprintf leaves the buffer unterminated when the text fills it.
    _snwprintf(text, kMessageBufferSize - 1, format, folder);
    text[kMessageBufferSize - 1] = L'\0';
    MessageBoxW(NULL, text, title, MB_ICONINFORMATION);
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
    return CopyText(installerClassFile, sizeof installerClassFile, classEntry->name) &&
           ReadLongSetting(kJvmOptionsEntry, vmOptions) &&
           ReadLongSetting(kArgumentsEntry, packedArgs);
}

bool LauncherApp::ReadLongSetting(const char* name, char* value)
{
    value[0] = '\0';
    PayloadEntry* entry = archive.FindEntry(name);
    return entry == NULL || entry->ReadString(archive.file, value, kCommandLineSize);
}

void LauncherApp::RunInteractive()
{
    wchar_t wideProgramPath[kTextBufferSize];
    char programPath[kTextBufferSize];
    if (!GetWideModulePath(instance, wideProgramPath))
        ThrowWin32Error(GetLastError());
    if (!UseAnsiPath(wideProgramPath, programPath))
        return;
    // A payload that cannot be read (a failed read, a file of 4 GB or more)
    // is shown the usage as one without settings is: never an end without a
    // word.
    bool readable = false;
    try {
        readable = ReadPayloadSettings(programPath);
    } catch (CException* error) {
        delete error;
    }
    if (!readable) {
        LogLine("no payload that the launcher can read");
        ShowUsage();
    } else if (silent) {
        RunSilent();
    } else {
        ShowVmSelectDialog();
    }
}

void LauncherApp::ShowUsage()
{
    if (silent)
        return;
    char usage[kTextBufferSize];
    usage[0] = '\0';
    LoadStringA(instance, IDS_USAGE, usage, sizeof usage);
    ShowText(NULL, usage, MB_ICONINFORMATION);
}

// The selection dialog's list is sorted; it selects the first item.
static VmLocator* FirstSuitable(const VmTable& vms)
{
    VmLocator* first = NULL;
    for (int slot = 0; slot < kVmSlots; ++slot) {
        if (vms.IsFound(slot) && vms.slots[slot]->suitable &&
            (first == NULL || lstrcmpiA(vms.slots[slot]->exePath, first->exePath) < 0))
            first = vms.slots[slot];
    }
    return first;
}

void LauncherApp::RunSilent()
{
    vms.Search(workDir, requirement);
    VmLocator* chosen = FirstSuitable(vms);
    char javaExe[kTextBufferSize];
    bool bringsJava = archive.FindEntry(kRuntimeEntry) != NULL;
    if (chosen == NULL && bringsJava && !UnpackBundledRuntime(javaExe)) {
        exitStatus = kExitCannotStart;   // its extraction failed
        return;
    }
    if (chosen == NULL && bringsJava) {
        if (vms.StartRuntimeCheck(javaExe, requirement)) {
            while (!vms.CollectChecks())
                Sleep(50);
        }
        chosen = FirstSuitable(vms);
        if (chosen == NULL)
            RemoveBundledRuntime();
    }
    if (chosen == NULL) {
        LogLine("no suitable Java");
        exitStatus = kExitNoSuitableJava;
        return;
    }
    LogLine("chosen: %s", chosen->exePath);
    LaunchInstaller(NULL, chosen);
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
    if (silent)
        return;
    char format[kMessageBufferSize];
    char text[kMessageBufferSize];
    format[0] = '\0';
    text[0] = '\0';
    LoadStringA(instance, stringId, format, sizeof format);
    va_list arguments;
    va_start(arguments, style);
    FormatMessageText(text, sizeof text, format, arguments);
    va_end(arguments);
    ShowText(owner, text, style);
}

int LauncherApp::ShowText(HWND owner, const char* text, UINT style)
{
    wchar_t wideText[kMessageBufferSize];
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wideText, kMessageBufferSize) == 0)
        wideText[0] = L'\0';
    return MessageBoxW(owner, wideText, title, style);
}

void LauncherApp::SetCaption(HWND dialog)
{
    SetWindowTextW(dialog, title);
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
        LogLine("cannot extract the payload: error %lu", error != NULL ? error->errorCode : 0);
        delete error;
        ShowCursor(FALSE);
        exitStatus = kExitCannotStart;
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
    // The packed arguments come first, then the user's, as they were given.
    char classArgs[kCommandLineSize];
    bool fits = CopyText(classArgs, sizeof classArgs, packedArgs);
    if (userArgs != NULL && userArgs[0] != '\0')
        fits = fits && (classArgs[0] == '\0' || AppendText(classArgs, sizeof classArgs, " ")) &&
               AppendText(classArgs, sizeof classArgs, userArgs);
    unsigned long probeWait = vm->waitMs;
    vm->waitMs = INFINITE;
    vm->exitCode = kExitCannotStart;
    // Options such as a debugger's port or a splash screen must reach one VM,
    // the one that runs the installer; the bootstrap passes them on to it.
    const char* options = _stricmp(installerClassFile, kBootstrapClassFile) == 0 ? NULL : vmOptions;
    int result = kCannotStart;
    if (fits)
        result = vm->RunClass(workDir, className, classArgs[0] != '\0' ? classArgs : NULL, options);
    else
        LogLine("the installer's arguments do not fit its command line");
    exitStatus = (int)vm->exitCode;
    if (result == kCannotStart)
        LogLine("the installer could not be started");
    else
        LogLine("the installer ended with exit status %d", exitStatus);
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
    if (unpacked && CopyText(javaExe, kTextBufferSize, folder) && AppendPath(javaExe, "bin\\java.exe")) {
        LogLine("the bundled runtime is unpacked into %s", folder);
        return true;
    }
    LogLine("the bundled runtime is refused: it cannot be unpacked whole");
    RemoveBundledRuntime();
    return false;
}

void LauncherApp::RemoveBundledRuntime()
{
    char folder[kTextBufferSize];
    if (GetWorkPath(kBundledRuntimeFolder, folder))
        RemoveFolderTree(folder);
}
