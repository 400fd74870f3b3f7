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
// The whole command line of a VM run, as CreateProcessA takes it: Windows
// carries 32767 characters. An installer's run holds its JVM options and
// its arguments (the packed ones, then those given after "--"), which may
// take that much; wendle-pack refuses packed ones that could not fit for
// every kind, and the arguments given after "--" get the room left.
const size_t kCommandLineSize = 32768;
// The argument text: the command line less a double quote, the executable's
// path, a double quote and a blank.
const size_t kArgumentsSize = kCommandLineSize - (1 + (kTextBufferSize - 1) + 2);

class VmLocator {
public:
    VmLocator() : suitable(0), waitMs(kVmWaitMs), exitCode(0) { exePath[0] = '\0'; }
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
    // vmOptions (may be null) go to the VM in front of the class.
    virtual int RunClass(const char* classDir, const char* className, const char* classArgs,
                         const char* vmOptions = NULL);
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
    // The exit status of the last child that Exec saw end, whatever its
    // output; left alone when none could be started.
    unsigned long exitCode;

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
