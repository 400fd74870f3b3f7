// One kind of installed Java VM: how to find its executable, how to
// recognise one named by the user, and how to run a Java class with it.
#pragma once

#include "payload/text_buffer.h"

// The result of a VM run that counts as "suitable": the probe's exit status,
// or a captured first output byte "T".
const int VM_SUITABLE = 314;

class VmLocator {
public:
    VmLocator() : suitable(0) { exePath[0] = '\0'; }
    virtual ~VmLocator() {}

    virtual int MatchExecutable(const char* fullPath, const char* fileName) = 0;
    virtual int Locate() = 0;
    virtual int Check(const char* requirement);
    virtual int Exec(const char* arguments);
    virtual int RunClass(const char* classDir, const char* className, const char* classArgs) = 0;

    int suitable;
    char exePath[kTextBufferSize];

private:
    VmLocator(const VmLocator&);
    VmLocator& operator=(const VmLocator&);
};
