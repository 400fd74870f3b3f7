#include "vm_doubles.h"

#include <cstdio>
#include <stdexcept>

namespace vm_doubles {

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

std::string WithoutExtension(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path;
    return path.substr(0, dot);
}

void CreateParentFolders(const std::string& path)
{
    for (size_t slash = path.find_first_of("\\/", 3); slash != std::string::npos;
         slash = path.find_first_of("\\/", slash + 1)) {
        std::string folder = path.substr(0, slash);
        if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            Fail("cannot create " + folder);
    }
}

void WriteFileText(const std::string& path, const std::string& text)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        Fail("cannot write " + path);
    size_t written = fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    if (written != text.size())
        Fail("short write to " + path);
}

void Install(const char* source, const std::string& exePath)
{
    CreateParentFolders(exePath);
    if (!CopyFileA(source, exePath.c_str(), FALSE))
        Fail(std::string("cannot copy ") + source + " to " + exePath);
}

// Every byte that could upset a line-based file is written as \xNN.
std::string Escape(const std::string& bytes)
{
    std::string text;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += (char)c;
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        }
    }
    return text;
}

}  // namespace

void InstallVmDouble(const std::string& exePath, const VmBehaviour& behaviour)
{
    Install(VM_DOUBLE_EXE, exePath);
    std::string config = "exit=" + std::to_string(behaviour.exitCode) + "\n";
    if (!behaviour.output.empty())
        config += "write=" + Escape(behaviour.output) + "\n";
    if (behaviour.bulkBytes > 0)
        config += "bulk=" + std::to_string(behaviour.bulkBytes) + "\n";
    if (behaviour.sleepMs > 0)
        config += "sleep=" + std::to_string(behaviour.sleepMs) + "\n";
    if (behaviour.crash)
        config += "crash=1\n";
    if (!behaviour.recordPath.empty())
        config += "record=" + behaviour.recordPath + "\n";
    WriteFileText(WithoutExtension(exePath) + ".cfg", config);
}

std::vector<VmRun> ReadVmRuns(const std::string& recordPath)
{
    std::vector<VmRun> runs;
    FILE* file = fopen(recordPath.c_str(), "rb");
    if (file == nullptr)
        return runs;
    VmRun run;
    char line[4096];
    while (fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        if (text == "--") {
            runs.push_back(run);
            run = VmRun();
        } else if (text.rfind("cmdline=", 0) == 0) {
            run.commandLine = text.substr(8);
        } else if (text.rfind("cwd=", 0) == 0) {
            run.currentDir = text.substr(4);
        } else if (text.rfind("stdout=", 0) == 0) {
            run.standardOutput = text.substr(7);
        }
    }
    fclose(file);
    return runs;
}

std::string JvmPath(JvmKind jvm)
{
    return jvm == JvmKind::FullJdk ? FULL_JDK_JAVA : BASE_RUNTIME_JAVA;
}

void InstallJavaBridge(const std::string& exePath, JvmKind jvm)
{
    std::string java = JvmPath(jvm);
    if (java.empty())
        throw std::runtime_error(std::string("the build found no ") +
                                 (jvm == JvmKind::FullJdk ? "Linux JDK" : "jlink") +
                                 ": install openjdk-17-jdk-headless and configure again");
    Install(JAVA_BRIDGE_EXE, exePath);
    WriteFileText(WithoutExtension(exePath) + ".jvm",
                  "java=" + java + "\npreload=" + EXIT_STATUS_RECORDER + "\n");
}

}  // namespace vm_doubles
