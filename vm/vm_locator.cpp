#include "vm/vm_locator.h"

#include <windows.h>
#include <string.h>

#include "app/launcher_app.h"

static const char kProbeClassName[] = "TvqVersion";
// In the run's own folder: standard users cannot create files in a drive's
// root, and two launchers must not share one capture file.
static const char kCaptureFileName[] = "stdout.tmp";

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
    return RunClass(GetLauncherApp()->workDir, kProbeClassName, requirement) == VM_SUITABLE ? 1 : 0;
}

static void CloseCapture(HANDLE capture, const char* path)
{
    if (capture == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(capture);
    DeleteFileA(path);
}

int VmLocator::Exec(const char* arguments)
{
    char commandLine[kCommandLineSize];
    if (!ComposeCommandLine(commandLine, sizeof commandLine, exePath, arguments))
        return kCannotStart;

    // Inheritable, or the child's writes to its standard output are lost.
    // Nobody else may read or write it; deleting is shared so that the file
    // can be deleted while a VM that outlived the wait still holds it: it
    // then goes when that VM ends. A capture file that cannot be created
    // leaves the result to the exit code.
    char capturePath[kTextBufferSize];
    HANDLE capture = INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    if (GetLauncherApp()->GetWorkPath(kCaptureFileName, capturePath))
        capture = CreateFileA(capturePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = capture;
    PROCESS_INFORMATION child;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, TRUE, DETACHED_PROCESS, NULL, NULL,
                        &startup, &child)) {
        CloseCapture(capture, capturePath);
        return kCannotStart;
    }
    // A probe still running after the wait is left running; it reports
    // STILL_ACTIVE (259) as its exit code, which is not suitable.
    WaitForSingleObject(child.hProcess, waitMs);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    char firstByte = 'X';
    DWORD got = 0;
    if (capture != INVALID_HANDLE_VALUE) {
        SetFilePointer(capture, 0, NULL, FILE_BEGIN);
        ReadFile(capture, &firstByte, 1, &got, NULL);
    }
    CloseCapture(capture, capturePath);
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
