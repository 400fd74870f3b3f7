// One kind of installed Java VM: how to find its executable, how to
// recognise one named by the user, and how to run a Java class with it.
#pragma once

#include <stddef.h>

#include "payload/text_buffer.h"

// The result of a VM run that counts as "suitable": the probe's exit status,
// or a captured first output byte "T".
const int VM_SUITABLE = 314;
// Exec's result when the child cannot be started.
const int kCannotStart = -1;
// How long a probe run is waited for. The installer's run is waited for
// without limit (LaunchInstaller sets waitMs to INFINITE for it).
const unsigned long kVmWaitMs = 20000;
// Sizes of the argument text and of the whole command line.
const size_t kArgumentsSize = 260;
const size_t kCommandLineSize = 520;

class VmLocator {
public:
    VmLocator() : suitable(0), waitMs(kVmWaitMs) { exePath[0] = '\0'; }
    virtual ~VmLocator() {}

    // Accepts a user-named executable by its file name; on success fullPath
    // becomes exePath.
    virtual int MatchExecutable(const char* fullPath, const char* fileName) = 0;
    // Looks for this kind's executable; on success fills exePath.
    virtual int Locate() = 0;
    // 1 when the probe class, run with requirement, answers VM_SUITABLE.
    virtual int Check(const char* requirement);
    // Runs exePath with arguments as a child process and waits for it up to
    // waitMs: VM_SUITABLE when its first output byte is "T", else its exit
    // code; kCannotStart when it cannot be started (or the command line does
    // not fit). Its standard output goes to a capture file in the run's
    // workDir; without a workDir it goes nowhere.
    virtual int Exec(const char* arguments);
    // Runs class className from classDir with classArgs (may be null).
    virtual int RunClass(const char* classDir, const char* className, const char* classArgs) = 0;

    int suitable;
    char exePath[kTextBufferSize];
    // How long Exec waits for the child, in milliseconds.
    unsigned long waitMs;

protected:
    // Accepts fileName when it equals one of names (null-terminated list),
    // letter case ignored.
    int AcceptNamed(const char* fullPath, const char* fileName, const char* const* names);

private:
    VmLocator(const VmLocator&);
    VmLocator& operator=(const VmLocator&);
};

// The argument text of a class run: option (may be null), then the class
// directory (quoted when it holds a blank), className and, when present, a
// blank and classArgs. Returns false when it does not fit size bytes.
bool ComposeClassArguments(char* output, size_t size, const char* option, const char* classDir,
                           const char* className, const char* classArgs);

// A double quote, exePath, a double quote, a blank and the arguments.
bool ComposeCommandLine(char* output, size_t size, const char* exePath, const char* arguments);
