#include "vm/vm_process.h"

#include <string.h>

#include "payload/run_log.h"
#include "payload/text_buffer.h"
#include "vm/vm_locator.h"

// How long a terminated VM is given to go: until then it holds its capture
// file open, and the run's folder could not be removed.
static const DWORD kTerminateWaitMs = 5000;

bool VmProcess::Start(char* commandLine, const char* currentDir, const char* captureFile)
{
    Finish();
    // Nobody else may read or write it; deleting is shared so that a VM that
    // somehow outlives its run cannot keep the name. A capture file that
    // cannot be created leaves the result to the exit code.
    if (captureFile != NULL && captureFile[0] != '\0' &&
        CopyText(capturePath, sizeof capturePath, captureFile))
        capture = CreateFileA(capturePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    // Inheritable while this child starts, or its writes to its standard
    // output are lost; only then, or every VM started meanwhile would hold
    // it too, and its name could not be created again until they end.
    if (capture != INVALID_HANDLE_VALUE)
        SetHandleInformation(capture, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = capture;
    PROCESS_INFORMATION child;
    BOOL started = CreateProcessA(NULL, commandLine, NULL, NULL, TRUE, DETACHED_PROCESS, NULL,
                                  currentDir, &startup, &child);
    DWORD error = GetLastError();
    if (capture != INVALID_HANDLE_VALUE)
        SetHandleInformation(capture, HANDLE_FLAG_INHERIT, 0);
    if (!started) {
        LogLine("cannot start %s: error %lu", commandLine, error);
        Finish();
        return false;
    }
    LogLine("started %s", commandLine);
    CloseHandle(child.hThread);
    process = child.hProcess;
    startedAt = GetTickCount();
    return true;
}

unsigned long VmProcess::TimeLeft(unsigned long limitMs) const
{
    // Unsigned arithmetic keeps this right across the tick count's wrap.
    DWORD elapsed = GetTickCount() - startedAt;
    return elapsed >= limitMs ? 0 : limitMs - elapsed;
}

bool VmProcess::IsDue(unsigned long limitMs) const
{
    return process == NULL || WaitForSingleObject(process, 0) == WAIT_OBJECT_0 ||
           TimeLeft(limitMs) == 0;
}

int VmProcess::Finish()
{
    exitCode = 0;
    bool ran = process != NULL;
    bool ended = false;
    if (ran) {
        if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process, STILL_ACTIVE);
            WaitForSingleObject(process, kTerminateWaitMs);
            ended = true;
        }
        GetExitCodeProcess(process, &exitCode);
        CloseHandle(process);
        process = NULL;
    }
    char firstByte = 'X';
    if (capture != INVALID_HANDLE_VALUE) {
        DWORD got = 0;
        SetFilePointer(capture, 0, NULL, FILE_BEGIN);
        ReadFile(capture, &firstByte, 1, &got, NULL);
        CloseHandle(capture);
        capture = INVALID_HANDLE_VALUE;
        DeleteFileA(capturePath);
    }
    capturePath[0] = '\0';
    if (ran)
        LogLine("%s after %lu ms: exit status %lu, first output byte %c", ended ? "ended at its time limit" : "ended",
                GetTickCount() - startedAt, exitCode, firstByte);
    return firstByte == 'T' ? VM_SUITABLE : (int)exitCode;
}

void WaitHandlingMessages(HANDLE process)
{
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1)
            return;
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            // The run's own end is decided by the VM; a quit that arrives
            // meanwhile is kept for the loop that owns it.
            if (message.message == WM_QUIT) {
                PostQuitMessage((int)message.wParam);
                WaitForSingleObject(process, INFINITE);
                return;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
