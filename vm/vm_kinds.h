// The three original kinds of Java VM: the Java Development Kit and the Java
// Runtime Environment, found through their registry keys (in the process's
// own registry view, else in the 64-bit one), and the Microsoft VM,
// jview.exe in the Windows directory. The kinds for today's installations
// are in vm/modern_kinds.h.
#pragma once

#include "vm/vm_locator.h"

// java.exe of the JDK key; runs a class with the class directory as the VM's
// current directory.
class JdkLocator : public VmLocator {
public:
    virtual int MatchExecutable(const char* fullPath, const char* fileName);
    virtual int Locate();
    virtual bool LayOutClassRun(const char* classDir, const char* className, const char* classArgs,
                                char* arguments, const char** currentDir);
};

// jre.exe, else java.exe, of the JRE key; passes the class directory with -cp.
class JreLocator : public VmLocator {
public:
    virtual int MatchExecutable(const char* fullPath, const char* fileName);
    virtual int Locate();
    virtual bool LayOutClassRun(const char* classDir, const char* className, const char* classArgs,
                                char* arguments, const char** currentDir);
};

// jview.exe in the Windows directory; passes the class directory with -cp:p
// and makes it the VM's current directory too.
class MsVmLocator : public VmLocator {
public:
    virtual int MatchExecutable(const char* fullPath, const char* fileName);
    virtual int Locate();
    virtual bool LayOutClassRun(const char* classDir, const char* className, const char* classArgs,
                                char* arguments, const char** currentDir);
};
