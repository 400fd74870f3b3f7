#include "timing.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace bench {

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

double TimeProcess(const std::string& commandLine, const std::string& currentDir,
                   DWORD expectedExit)
{
    // Standard handles on the null device: otherwise Wine hands the child
    // this console's, and the launcher's report would mix with the samples.
    static HANDLE nowhere = [] {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        return CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inheritable, OPEN_EXISTING, 0, nullptr);
    }();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nowhere;
    startup.hStdOutput = nowhere;
    startup.hStdError = nowhere;
    PROCESS_INFORMATION child{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    double started = NowMs();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        currentDir.c_str(), &startup, &child))
        Fail("cannot start " + commandLine);
    WaitForSingleObject(child.hProcess, INFINITE);
    double elapsed = NowMs() - started;
    DWORD exitCode = 1;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (exitCode != expectedExit)
        Fail(commandLine + " exited with " + std::to_string(exitCode) + ", not " +
             std::to_string(expectedExit));
    return elapsed;
}

void PrintSamples(const std::string& key, const char* unit, const std::vector<double>& values)
{
    printf("samples %s %s", key.c_str(), unit);
    for (double value : values)
        printf(" %.6f", value);
    printf("\n");
    fflush(stdout);
}

void PrintNote(const std::string& text)
{
    printf("note %s\n", text.c_str());
    fflush(stdout);
}

void Fail(const std::string& what)
{
    throw std::runtime_error(what + " (last error " + std::to_string(GetLastError()) + ")");
}

std::string Option(int argc, char** argv, const char* name)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (strcmp(argv[i], name) == 0)
            return argv[i + 1];
    }
    Fail(std::string("missing option ") + name);
}

int IntOption(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (strcmp(argv[i], name) == 0)
            return atoi(argv[i + 1]);
    }
    return fallback;
}

}  // namespace bench
