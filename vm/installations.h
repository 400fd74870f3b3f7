// The roads to every Java installation on the PC besides the three original
// kinds, in their fixed order:
//   1. every version that a vendor's registry keys list, newest first, key
//      by key (JavaSoft JDK and JRE of Java 9+, the old JavaSoft keys,
//      Eclipse Adoptium JDK and JRE, Microsoft, Azul Zulu and Zulu 32-bit,
//      BellSoft Liberica), in the machine's keys and then the user's, each in
//      the process's own registry view and then the other one;
//   2. JAVA_HOME;
//   3. each folder on PATH, in order (a link there, as in Oracle's
//      javapath, stands for the Java it leads to);
//   4. bin\java.exe one level below the folders that Java is unpacked into
//      without an installer, each newest first: Java, Eclipse Adoptium,
//      Zulu, BellSoft, Amazon Corretto and Microsoft's jdk-* below Program
//      Files (the 64-bit one first, then Program Files (x86)), then
//      %USERPROFILE%\.jdks and %USERPROFILE%\scoop\apps\*\current.
#pragma once

// Takes each java.exe that the roads reach, existing, in road order; the
// same installation may come more than once.
class InstallationSink {
public:
    virtual ~InstallationSink() {}
    virtual void Found(const char* javaExe) = 0;
};

void FindInstallations(InstallationSink& sink);
