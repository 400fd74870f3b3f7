#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "tools/wendle-pack/pack_format.h"

namespace test_support {

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

// The current environment with TMP and TEMP replaced, as a CreateProcess block.
std::string EnvironmentWithTemp(const std::string& tempDir)
{
    std::string block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry; entry += strlen(entry) + 1) {
        if (_strnicmp(entry, "TMP=", 4) == 0 || _strnicmp(entry, "TEMP=", 5) == 0)
            continue;
        block.append(entry).push_back('\0');
    }
    FreeEnvironmentStringsA(strings);
    block.append("TMP=" + tempDir).push_back('\0');
    block.append("TEMP=" + tempDir).push_back('\0');
    block.push_back('\0');
    return block;
}

PROCESS_INFORMATION Start(const std::string& commandLine, const RunOptions& options,
                          HANDLE standardOutput)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (standardOutput != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = standardOutput;
    }
    std::string environment;
    if (!options.tempDir.empty())
        environment = EnvironmentWithTemp(options.tempDir);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                        environment.empty() ? nullptr : environment.data(),
                        options.currentDir.empty() ? nullptr : options.currentDir.c_str(),
                        &startup, &info))
        Fail("cannot start " + commandLine);
    return info;
}

}  // namespace

std::string TempDir()
{
    char buffer[MAX_PATH];
    DWORD length = GetTempPathA(sizeof buffer, buffer);
    std::string dir(buffer, length);
    if (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    return dir;
}

std::string CurrentDir()
{
    char dir[MAX_PATH];
    GetCurrentDirectoryA(sizeof dir, dir);
    return dir;
}

ScratchDir::ScratchDir(const std::string& tag)
{
    static unsigned counter = 0;
    for (;;) {
        path_ = TempDir() + "\\wt-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr))
            return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            Fail("cannot create " + path_);
    }
}

ScratchDir::~ScratchDir()
{
    RemoveTree(path_);
}

void RemoveTree(const std::string& path)
{
    for (const std::string& name : ListDir(path)) {
        std::string child = path + "\\" + name;
        DWORD attributes = GetFileAttributesA(child.c_str());
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            RemoveTree(child);
        else
            DeleteFileA(child.c_str());
    }
    RemoveDirectoryA(path.c_str());
}

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        Fail("cannot write " + path);
    size_t written = bytes.empty() ? 0 : fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    if (written != bytes.size())
        Fail("short write to " + path);
}

void WriteText(const std::string& path, const std::string& text)
{
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

Bytes ReadBytes(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr)
        Fail("cannot read " + path);
    Bytes bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(file);
    return bytes;
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListDir(const std::string& path)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

Bytes FakeClassFile(size_t size)
{
    Bytes bytes(size);
    const uint8_t magic[4] = {0xCA, 0xFE, 0xBA, 0xBE};
    for (size_t index = 0; index < size; ++index)
        bytes[index] = index < 4 ? magic[index] : (uint8_t)(index * 7 + 3);
    return bytes;
}

void PackInstaller(const std::string& output, const std::string& requirement,
                   const std::string& url, const std::string& classPath)
{
    std::string error;
    if (!wendle_pack::BuildPackedFile(WENDLE_EXE_PATH, requirement, url, classPath, output,
                                      &error))
        throw std::runtime_error("wendle-pack: " + error);
}

void AppendToStub(const std::string& output, const Bytes& tail)
{
    Bytes bytes = ReadBytes(WENDLE_EXE_PATH);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    WriteBytes(output, bytes);
}

ProcessResult RunProcess(const std::string& commandLine, const RunOptions& options)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        Fail("CreatePipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION info = Start(commandLine, options, writeEnd);
    CloseHandle(writeEnd);

    ProcessResult result;
    DWORD started = GetTickCount();
    for (;;) {
        DWORD available = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            char chunk[4096];
            DWORD got = 0;
            if (!ReadFile(readEnd, chunk, std::min<DWORD>(available, sizeof chunk), &got, nullptr) ||
                got == 0)
                break;
            result.output.append(chunk, got);
        }
        if (WaitForSingleObject(info.hProcess, 50) == WAIT_OBJECT_0)
            break;
        if (GetTickCount() - started > options.timeoutMs) {
            TerminateProcess(info.hProcess, 1);
            WaitForSingleObject(info.hProcess, 5000);
            result.timedOut = true;
            break;
        }
    }
    char chunk[4096];
    DWORD got = 0;
    DWORD available = 0;
    while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
        result.output.append(chunk, got);
    GetExitCodeProcess(info.hProcess, &result.exitCode);
    CloseHandle(readEnd);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return result;
}

ChildProcess::ChildProcess(const std::string& commandLine, const RunOptions& options)
    : info_(Start(commandLine, options, nullptr))
{
}

ChildProcess::~ChildProcess()
{
    DWORD code;
    if (GetExitCodeProcess(info_.hProcess, &code) && code == STILL_ACTIVE) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
}

bool ChildProcess::Wait(DWORD timeoutMs, DWORD* exitCode)
{
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

}  // namespace test_support
