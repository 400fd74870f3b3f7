// Installs stand-ins for Java VMs where a test wants a VM executable:
//   vm_double.exe  - does what its configuration says (exit status, output,
//                    sleep, crash) and can record how it was started;
//   java_bridge.exe - runs a real Linux JVM on the class and arguments of
//                    the launcher's command line (all three VM kinds).
// Both read their configuration from a file beside the installed copy, named
// after it: C:\jdk\bin\java.exe reads C:\jdk\bin\java.cfg or java.jvm.
// Failures throw std::runtime_error.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vm_doubles {

// What an installed vm_double does, in this order: record, write output and
// bulk, sleep, crash, exit.
struct VmBehaviour {
    DWORD exitCode = 0;
    std::string output;                  // bytes written to standard output as they are
    unsigned long long bulkBytes = 0;    // then this many bytes of '.'
    DWORD sleepMs = 0;
    bool crash = false;                  // access violation: status 0xC0000005
    std::string recordPath;              // Windows path; each run appends a VmRun
};

// Copies vm_double.exe to exePath (creating missing folders) and writes its
// configuration beside it, replacing any earlier one.
void InstallVmDouble(const std::string& exePath, const VmBehaviour& behaviour = {});

// One start of a vm_double, as recorded.
struct VmRun {
    std::string commandLine;      // GetCommandLineA, exactly
    std::string currentDir;       // GetCurrentDirectoryA (no trailing backslash but at a root)
    std::string standardOutput;   // "writable", "not writable", "invalid" or "none"
};

// The runs recorded in recordPath, oldest first; none when the file is missing.
std::vector<VmRun> ReadVmRuns(const std::string& recordPath);

enum class JvmKind {
    FullJdk,        // JDK 17: has java.awt.event.ActionEvent, like a 1.1 VM
    JavaBaseOnly,   // jlink runtime of java.base: lacks it, like a 1.0 VM
};

// Copies java_bridge.exe to exePath (creating missing folders) and points it
// at that JVM. Throws when the build found no such JVM.
void InstallJavaBridge(const std::string& exePath, JvmKind jvm);

// The Unix path of that JVM's java binary; empty when the build found none.
std::string JvmPath(JvmKind jvm);

}  // namespace vm_doubles
