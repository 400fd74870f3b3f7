#include "vm/vm_locator.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "app/launcher_app.h"

static const char kProbeClassName[] = "TvqVersion";
// No drive letter: the capture file lies in the root of the current drive.
static const char kCaptureFile[] = "\\stdout.tmp";

int VmLocator::AcceptNamed(const char* fullPath, const char* fileName, const char* const* names)
{
    for (; *names != NULL; ++names) {
        if (_stricmp(fileName, *names) == 0)
            return CopyText(exePath, sizeof exePath, fullPath) ? 1 : 0;
    }
    return 0;
}

int VmLocator::Check(const char* requirement)
{
    return RunClass(GetLauncherApp()->tempDir, kProbeClassName, requirement) == VM_SUITABLE ? 1 : 0;
}

int VmLocator::Exec(const char* arguments)
{
    char commandLine[kCommandLineSize];
    if (!ComposeCommandLine(commandLine, sizeof commandLine, exePath, arguments))
        return kCannotStart;

    // Inheritable, or the child's writes to its standard output are lost.
    // Nobody else may read or write it; deleting is shared so that the file
    // can be deleted while a VM that outlived the wait still holds it: it
    // then goes when that VM ends instead of staying in the drive's root.
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    HANDLE capture = CreateFileA(kCaptureFile, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                 &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = capture;
    PROCESS_INFORMATION child;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, TRUE, DETACHED_PROCESS, NULL, NULL,
                        &startup, &child)) {
        CloseHandle(capture);
        remove(kCaptureFile);
        return kCannotStart;
    }
    // A child still running after the wait is left running; it reports
    // STILL_ACTIVE (259) as its exit code, which is not suitable.
    WaitForSingleObject(child.hProcess, kVmWaitMs);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    char firstByte = 'X';
    DWORD got = 0;
    SetFilePointer(capture, 0, NULL, FILE_BEGIN);
    ReadFile(capture, &firstByte, 1, &got, NULL);
    CloseHandle(capture);
    remove(kCaptureFile);
    return firstByte == 'T' ? VM_SUITABLE : (int)exitCode;
}

// A directory with a blank would split into several words, so it is quoted;
// its trailing backslash is dropped so that it cannot escape the closing
// quote. A directory without a blank goes in exactly as it is.
static bool AppendClassDir(char* output, size_t size, const char* classDir)
{
    if (strpbrk(classDir, " \t") == NULL)
        return AppendText(output, size, classDir);
    char unslashed[kTextBufferSize];
    if (!CopyText(unslashed, sizeof unslashed, classDir))
        return false;
    size_t length = strlen(unslashed);
    if (length > 0 && unslashed[length - 1] == '\\')
        unslashed[length - 1] = '\0';
    return AppendText(output, size, "\"") && AppendText(output, size, unslashed) &&
           AppendText(output, size, "\"");
}

bool ComposeClassArguments(char* output, size_t size, const char* option, const char* classDir,
                           const char* className, const char* classArgs)
{
    if (size == 0)
        return false;
    output[0] = '\0';
    bool fits = true;
    if (option != NULL)
        fits = AppendText(output, size, option) && AppendClassDir(output, size, classDir) &&
               AppendText(output, size, " ");
    fits = fits && AppendText(output, size, className);
    if (classArgs != NULL)
        fits = fits && AppendText(output, size, " ") && AppendText(output, size, classArgs);
    if (!fits)
        output[0] = '\0';
    return fits;
}

bool ComposeCommandLine(char* output, size_t size, const char* exePath, const char* arguments)
{
    if (size == 0)
        return false;
    output[0] = '\0';
    bool fits = AppendText(output, size, "\"") && AppendText(output, size, exePath) &&
                AppendText(output, size, "\" ") && AppendText(output, size, arguments);
    if (!fits)
        output[0] = '\0';
    return fits;
}
