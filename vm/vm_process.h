// One Java VM started as a child process, its standard output captured in a
// file that its caller names (in the run's folder). Several may run at once:
// each has its own capture file and is told its current directory, never
// sharing the launcher's.
#pragma once

#include <windows.h>

#include "payload/text_buffer.h"

class VmProcess {
public:
    VmProcess() : exitCode(0), process(NULL), capture(INVALID_HANDLE_VALUE), startedAt(0) { capturePath[0] = '\0'; }
    ~VmProcess() { Finish(); }

    // Starts commandLine with currentDir (null: the launcher's) as its
    // current directory and its output in the file captureFile (null or
    // empty: nowhere). False when it cannot be started; nothing is then left
    // behind.
    bool Start(char* commandLine, const char* currentDir, const char* captureFile);
    bool IsRunning() const { return process != NULL; }
    HANDLE Handle() const { return process; }
    // True once the VM has ended or has run for limitMs.
    bool IsDue(unsigned long limitMs) const;
    // The milliseconds left of limitMs, 0 when none.
    unsigned long TimeLeft(unsigned long limitMs) const;
    // Ends the run: a VM still running is terminated. Returns VM_SUITABLE when
    // its first output byte is "T", else its exit status, STILL_ACTIVE (259)
    // for a VM that had to be terminated; 0 when nothing runs.
    int Finish();

    // The exit status that the last Finish read, whatever the output.
    DWORD exitCode;

private:
    VmProcess(const VmProcess&);
    VmProcess& operator=(const VmProcess&);

    HANDLE process;
    HANDLE capture;
    DWORD startedAt;
    char capturePath[kTextBufferSize];
};

// Waits for process to end, handling the thread's window messages meanwhile
// (a program that sends to every top-level window waits for the launcher's
// too, hidden or not).
void WaitHandlingMessages(HANDLE process);
