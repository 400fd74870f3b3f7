// Stands in for a Java VM executable (java.exe, jre.exe, jview.exe, ...).
// The command line belongs to whoever starts it, so its behaviour comes from
// "<own path without extension>.cfg" beside it, one key=value a line:
//   record=PATH  append the command line, current directory and the state of
//                the standard output handle to PATH, ended by a line "--"
//   write=TEXT   write TEXT to standard output; \n \r \\ and \xNN escapes
//   bulk=N       then write N further bytes of filler
//   sleep=MS     then sleep MS milliseconds
//   crash=1      then raise an access violation
//   exit=N       exit status, decimal or 0x hex (default 0)
// Without a .cfg it exits with 0 and does nothing else.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Config {
    std::string record;
    std::string write;
    unsigned long long bulk = 0;
    DWORD sleepMs = 0;
    bool crash = false;
    UINT exitCode = 0;
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char kind = text[++i];
        if (kind == 'n') {
            out += '\n';
        } else if (kind == 'r') {
            out += '\r';
        } else if (kind == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            out += (char)(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += kind;   // "\\" and anything unknown stand for themselves
        }
    }
    return out;
}

std::string OwnPathWithoutExtension()
{
    char path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string stem(path, length);
    size_t dot = stem.find_last_of('.');
    size_t slash = stem.find_last_of("\\/");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        stem.erase(dot);
    return stem;
}

Config ReadConfig()
{
    Config config;
    FILE* file = fopen((OwnPathWithoutExtension() + ".cfg").c_str(), "rb");
    if (file == nullptr)
        return config;
    char line[4096];
    while (fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        size_t equals = text.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = text.substr(0, equals);
        std::string value = text.substr(equals + 1);
        if (key == "record")
            config.record = value;
        else if (key == "write")
            config.write = Unescape(value);
        else if (key == "bulk")
            config.bulk = strtoull(value.c_str(), nullptr, 10);
        else if (key == "sleep")
            config.sleepMs = (DWORD)strtoul(value.c_str(), nullptr, 10);
        else if (key == "crash")
            config.crash = value == "1";
        else if (key == "exit")
            config.exitCode = (UINT)strtoll(value.c_str(), nullptr,
                                            value.rfind("0x", 0) == 0 ? 16 : 10);
    }
    fclose(file);
    return config;
}

// A zero-byte write is refused for a handle that this process does not own
// (the parent's handle was not inheritable) or that lacks write access.
const char* StandardOutputState(HANDLE output)
{
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return "none";
    DWORD written = 0;
    if (WriteFile(output, "", 0, &written, nullptr))
        return "writable";
    return GetLastError() == ERROR_INVALID_HANDLE ? "invalid" : "not writable";
}

void AppendRecord(const std::string& path, HANDLE output)
{
    char directory[MAX_PATH * 2] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    std::string text = std::string("cmdline=") + GetCommandLineA() + "\ncwd=" + directory +
                       "\nstdout=" + StandardOutputState(output) + "\n--\n";
    // Several doubles may record into one file, one after another.
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(file);
}

void WriteAll(HANDLE output, const char* data, size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(output, data, (DWORD)size, &written, nullptr) || written == 0)
            return;
        data += written;
        size -= written;
    }
}

// Ends the process with the exception code as its status, as Windows does
// for a program that asked for no fault dialog. Wine ignores that request
// and starts winedbg, which then holds the process (and its capture file).
LONG WINAPI EndOnFault(EXCEPTION_POINTERS* fault)
{
    TerminateProcess(GetCurrentProcess(), fault->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndOnFault);
    Config config = ReadConfig();
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!config.record.empty())
        AppendRecord(config.record, output);
    WriteAll(output, config.write.data(), config.write.size());
    if (config.bulk > 0) {
        static char filler[65536];
        memset(filler, '.', sizeof filler);
        for (unsigned long long left = config.bulk; left > 0;) {
            size_t chunk = left < sizeof filler ? (size_t)left : sizeof filler;
            WriteAll(output, filler, chunk);
            left -= chunk;
        }
    }
    if (config.sleepMs > 0)
        Sleep(config.sleepMs);
    if (config.crash)
        *(volatile int*)nullptr = 0;
    ExitProcess(config.exitCode);
}
