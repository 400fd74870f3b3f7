// The VMs of today's installations, which the roads of vm/installations.h
// find after the three original kinds: Java 9 dropped jre.exe and the old
// key names, and most vendors write only keys of their own.
#pragma once

#include "vm/vm_locator.h"

// One installation found by those roads, its java.exe already in exePath.
// A class runs as with the JRE kind ("-cp " and the class directory, the
// current directory untouched), and a file that the user names is never
// its (a user-named java.exe stays with the JDK kind).
class ClassPathKind : public VmLocator {
public:
    virtual int MatchExecutable(const char* fullPath, const char* fileName);
    // 1: the roads located it already.
    virtual int Locate();
    virtual bool LayOutClassRun(const char* classDir, const char* className, const char* classArgs,
                                char* arguments, const char** currentDir);
};
