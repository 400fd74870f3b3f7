// Helpers shared by the Windows-side tests: scratch folders, whole-file reads
// and writes, child processes with captured output, packed test installers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;

// A fresh, empty folder under the temporary directory, removed with its
// contents when the object goes.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag);
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void RemoveTree(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);
void WriteText(const std::string& path, const std::string& text);
Bytes ReadBytes(const std::string& path);
bool PathExists(const std::string& path);
// Names of the files and folders directly in a folder, sorted.
std::vector<std::string> ListDir(const std::string& path);
std::string TempDir();
std::string CurrentDir();

// A small class file: CA FE BA BE and size - 4 further bytes of a fixed pattern.
Bytes FakeClassFile(size_t size);

// Copies the release Wendle.exe and appends a payload built by wendle-pack.
void PackInstaller(const std::string& output, const std::string& requirement,
                   const std::string& url, const std::string& classPath);
// Copies the release Wendle.exe and appends raw bytes (for malformed payloads).
void AppendToStub(const std::string& output, const Bytes& tail);

struct ProcessResult {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string output;   // standard output, as written
};

struct RunOptions {
    DWORD timeoutMs = 60000;
    std::string currentDir;   // empty: the test's own
    std::string tempDir;      // empty: inherited; else TMP and TEMP point here
};

// Starts a command line and waits; its standard output is captured. A child
// still running at the timeout is killed and reported as timed out.
ProcessResult RunProcess(const std::string& commandLine, const RunOptions& options = {});

// A process started without waiting, for tests that drive its windows.
class ChildProcess {
public:
    explicit ChildProcess(const std::string& commandLine, const RunOptions& options = {});
    ~ChildProcess();
    DWORD id() const { return info_.dwProcessId; }
    // Waits for the end; returns false on timeout.
    bool Wait(DWORD timeoutMs, DWORD* exitCode);

private:
    PROCESS_INFORMATION info_{};
};

}  // namespace test_support
