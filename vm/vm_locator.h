// One kind of installed Java VM: how to find its executable, how to
// recognise one named by the user, and how to run a Java class with it.
#pragma once

#include <stddef.h>

#include "payload/text_buffer.h"
#include "vm/vm_process.h"

// The result of a VM run that counts as "suitable": the probe's exit status,
// or a captured first output byte "T".
const int VM_SUITABLE = 314;
// Exec's result when the child cannot be started.
const int kCannotStart = -1;
// How long a probe run is waited for; a VM that has not answered by then is
// ended. The installer's run is waited for without limit (LaunchInstaller
// sets waitMs to INFINITE for it).
const unsigned long kVmWaitMs = 20000;
// Sizes of the argument text and of the whole command line, from the bounds
// the launcher keeps elsewhere: a class folder, a class name and the class's
// arguments (the requirement string) of up to kTextBufferSize - 1 characters
// each, the folder perhaps quoted, after the longest option ("-cp:p ").
const size_t kLongestOptionLength = 6;
const size_t kArgumentsSize = kLongestOptionLength + (kTextBufferSize - 1 + 2) + 1 +
                              (kTextBufferSize - 1) + 1 + (kTextBufferSize - 1) + 1;
// A double quote, the executable's path, a double quote and a blank, then
// the argument text.
const size_t kCommandLineSize = 1 + (kTextBufferSize - 1) + 2 + kArgumentsSize;

class VmLocator {
public:
    VmLocator() : suitable(0), waitMs(kVmWaitMs) { exePath[0] = '\0'; }
    virtual ~VmLocator() {}

    // Accepts a user-named executable by its file name; on success fullPath
    // becomes exePath.
    virtual int MatchExecutable(const char* fullPath, const char* fileName) = 0;
    // Looks for this kind's executable; on success fills exePath.
    virtual int Locate() = 0;
    // 1 when the probe class in the run's folder workDir, run with
    // requirement, answers VM_SUITABLE.
    virtual int Check(const char* workDir, const char* requirement);
    // Runs exePath with arguments as a child process in currentDir (null:
    // the launcher's) and waits for it up to waitMs, ending it at that limit:
    // VM_SUITABLE when its first output byte is "T", else its exit code
    // (STILL_ACTIVE when it had to be ended); kCannotStart when it cannot be
    // started. Its standard output goes to a capture file in captureDir;
    // without one it goes nowhere.
    virtual int Exec(const char* arguments, const char* currentDir = NULL,
                     const char* captureDir = NULL);
    // Runs class className from classDir (the run's folder, which takes the
    // capture file too) with classArgs (may be null).
    virtual int RunClass(const char* classDir, const char* className, const char* classArgs);
    // This kind's run of class className from classDir with classArgs: the
    // argument text (kArgumentsSize bytes) and the current directory it needs
    // (null: any). False when it does not fit.
    virtual bool LayOutClassRun(const char* classDir, const char* className, const char* classArgs,
                                char* arguments, const char** currentDir) = 0;

    // The probe as a run of its own, for a search that probes several VMs
    // side by side, its output in captureName of workDir: false when it
    // cannot start.
    bool StartCheck(const char* workDir, const char* requirement, const char* captureName);
    // True once the started probe has answered or reached waitMs (then it is
    // ended); suitable then holds the verdict.
    bool CollectCheck();
    // Ends a probe still running; it is not suitable.
    void StopCheck();
    bool IsChecking() const { return check.IsRunning(); }
    HANDLE CheckHandle() const { return check.Handle(); }
    unsigned long CheckTimeLeft() const { return check.TimeLeft(waitMs); }

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

    VmProcess check;
};

// The argument text of a class run: option (may be null), then the class
// directory (quoted when it holds a blank), className and, when present, a
// blank and classArgs. Returns false when it does not fit size bytes.
bool ComposeClassArguments(char* output, size_t size, const char* option, const char* classDir,
                           const char* className, const char* classArgs);

// A double quote, exePath, a double quote, a blank and the arguments.
bool ComposeCommandLine(char* output, size_t size, const char* exePath, const char* arguments);
