// The kinds of Java VM that today's machines have: Java 9 and later under
// their own JavaSoft keys, and whatever JAVA_HOME or a current vendor's
// installer points at. Java 9 dropped jre.exe and the old key names, and most
// vendors write only keys of their own, so the three original kinds miss
// them all.
#pragma once

#include "vm/vm_locator.h"

// What both kinds share: a class runs as with the JRE kind ("-cp " and the
// class directory, the current directory untouched), and a file that the
// user names is never theirs (a user-named java.exe stays with the JDK kind).
class ClassPathKind : public VmLocator {
public:
    virtual int MatchExecutable(const char* fullPath, const char* fileName);
    virtual bool LayOutClassRun(const char* classDir, const char* className, const char* classArgs,
                                char* arguments, const char** currentDir);
};

// bin\java.exe below JavaHome of the current version of
// "Software\JavaSoft\JDK", else of "Software\JavaSoft\JRE".
class ModernJdkLocator : public ClassPathKind {
public:
    virtual int Locate();
};

// bin\java.exe below JAVA_HOME, else below the newest installation that a
// vendor's own registry keys list (Eclipse Temurin, Microsoft, Azul Zulu,
// BellSoft Liberica), else below the newest version listed under the Java 9
// JavaSoft keys, for a CurrentVersion that is missing or names a version no
// longer installed.
class OtherVendorLocator : public ClassPathKind {
public:
    virtual int Locate();
};
