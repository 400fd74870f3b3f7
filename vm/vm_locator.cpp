#include "vm/vm_locator.h"

#include <windows.h>
#include <string.h>

#include "payload/paths.h"
#include "payload/run_log.h"

static const char kProbeClassName[] = "TvqVersion";
// In the run's own folder: standard users cannot create files in a drive's
// root, and two launchers must not share one capture file. The probes of a
// search have one each (VmTable names them).
static const char kCaptureFileName[] = "stdout.tmp";

int VmLocator::AcceptNamed(const char* fullPath, const char* fileName, const char* const* names)
{
    for (; *names != NULL; ++names) {
        if (_stricmp(fileName, *names) == 0)
            return CopyText(exePath, sizeof exePath, fullPath) ? 1 : 0;
    }
    return 0;
}

int VmLocator::Check(const char* workDir, const char* requirement)
{
    return RunClass(workDir, kProbeClassName, requirement) == VM_SUITABLE ? 1 : 0;
}

// captureDir joined with name into path; empty when there is no captureDir
// (the joined name would point at the root of the current drive) or the
// path does not fit.
static void CapturePath(const char* captureDir, const char* name, char* path)
{
    path[0] = '\0';
    if (captureDir != NULL && captureDir[0] != '\0' &&
        !(CopyText(path, kTextBufferSize, captureDir) && AppendPath(path, name)))
        path[0] = '\0';
}

int VmLocator::Exec(const char* arguments, const char* currentDir, const char* captureDir)
{
    char commandLine[kCommandLineSize];
    char capturePath[kTextBufferSize];
    CapturePath(captureDir, kCaptureFileName, capturePath);
    VmProcess vm;
    if (!ComposeCommandLine(commandLine, sizeof commandLine, exePath, arguments) ||
        !vm.Start(commandLine, currentDir, capturePath))
        return kCannotStart;
    if (waitMs == INFINITE)
        WaitHandlingMessages(vm.Handle());
    else
        WaitForSingleObject(vm.Handle(), waitMs);
    int result = vm.Finish();
    exitCode = vm.exitCode;
    return result;
}

int VmLocator::RunClass(const char* classDir, const char* className, const char* classArgs,
                        const char* vmOptions)
{
    char arguments[kArgumentsSize];
    char withOptions[kArgumentsSize];
    const char* currentDir = NULL;
    if (!LayOutClassRun(classDir, className, classArgs, arguments, &currentDir))
        return kCannotStart;
    if (vmOptions == NULL || vmOptions[0] == '\0')
        return Exec(arguments, currentDir, classDir);
    // In front of everything else: a VM takes what follows the class as the
    // class's own arguments.
    if (!CopyText(withOptions, sizeof withOptions, vmOptions) ||
        !AppendText(withOptions, sizeof withOptions, " ") ||
        !AppendText(withOptions, sizeof withOptions, arguments))
        return kCannotStart;
    return Exec(withOptions, currentDir, classDir);
}

bool VmLocator::StartCheck(const char* workDir, const char* requirement, const char* captureName)
{
    suitable = 0;
    char arguments[kArgumentsSize];
    char commandLine[kCommandLineSize];
    char capturePath[kTextBufferSize];
    const char* currentDir = NULL;
    CapturePath(workDir, captureName, capturePath);
    return LayOutClassRun(workDir, kProbeClassName, requirement, arguments, &currentDir) &&
           ComposeCommandLine(commandLine, sizeof commandLine, exePath, arguments) &&
           check.Start(commandLine, currentDir, capturePath);
}

bool VmLocator::CollectCheck()
{
    if (!check.IsDue(waitMs))
        return false;
    if (check.IsRunning()) {
        suitable = check.Finish() == VM_SUITABLE ? 1 : 0;
        LogLine("%s: %s", exePath, suitable ? "suitable" : "not suitable: the probe did not answer yes");
    }
    return true;
}

void VmLocator::StopCheck()
{
    check.Finish();
    suitable = 0;
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
