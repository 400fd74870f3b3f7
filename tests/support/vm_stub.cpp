// Stands in for a Java VM executable (java.exe, jre.exe, jview.exe). The
// command line is the launcher's, so the stub's behaviour comes from
// "<own path less extension>.cfg", one key=value a line:
//   record=PATH   append "command line|current directory" to PATH
//   write=TEXT    write TEXT to standard output
//   sleep=MS      then sleep
//   exit=N        then exit with N
//   java=PATH     instead: run this Linux JVM on the class and arguments of
//                 the command line ("Class args", "-cp DIR Class args" or
//                 "-cp:p DIR Class args"); its verdict is its exit status
//   preload=PATH  a library that records the JVM's whole exit status (Linux
//                 keeps 8 bits of it: 314 arrives as 58)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, std::string> ReadConfig()
{
    wchar_t self[MAX_PATH * 2];
    std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH * 2));
    path = path.substr(0, path.rfind(L'.')) + L".cfg";
    std::map<std::string, std::string> config;
    FILE* file = _wfopen(path.c_str(), L"rb");
    char line[4096];
    while (file != nullptr && fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        text.erase(text.find_last_not_of("\r\n") + 1);
        size_t equals = text.find('=');
        if (equals != std::string::npos)
            config[text.substr(0, equals)] = text.substr(equals + 1);
    }
    if (file != nullptr)
        fclose(file);
    return config;
}

void Append(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(file);
}

std::string Utf8(const wchar_t* text)
{
    char out[MAX_PATH * 4];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

// Wine's own exports: Unix paths of Windows ones, and a Unix program run
// from a Windows one (it blocks and gives back the 8-bit status).
std::string UnixPath(const std::wstring& path)
{
    typedef char*(__cdecl * ToUnix)(LPCWSTR);
    ToUnix toUnix = (ToUnix)(void*)GetProcAddress(GetModuleHandleA("kernel32"),
                                                  "wine_get_unix_file_name");
    char* unix = toUnix(path.c_str());
    std::string result = unix != nullptr ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// The class directory goes through readlink: Wine's Unix paths pass through
// "dosdevices/c:", and Java would split a class path at that colon.
const char kRunJvm[] =
    "cp=$(readlink -f -- \"$1\") && java=$2 && export LD_PRELOAD=$3 WENDLE_EXIT_STATUS_FILE=$4 "
    "&& shift 4 && exec \"$java\" -cp \"$cp\" \"$@\" >/dev/null";

UINT RunJvm(std::map<std::string, std::string>& config)
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    wchar_t currentDir[MAX_PATH * 2];
    GetCurrentDirectoryW(MAX_PATH * 2, currentDir);
    int first = 1;
    std::wstring classDir = currentDir;
    if (count > 2 && (wcscmp(words[1], L"-cp") == 0 || wcscmp(words[1], L"-cp:p") == 0)) {
        classDir = words[2];
        first = 3;
    }
    wchar_t status[MAX_PATH];
    GetTempFileNameW(L"Z:\\tmp", L"jvm", 0, status);
    std::vector<std::string> args = {"/bin/sh", "-c", kRunJvm, "vm_stub", UnixPath(classDir), config.at("java"),
                                     config["preload"], UnixPath(status)};
    for (int index = first; index < count; ++index)
        args.push_back(Utf8(words[index]));
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    typedef int(__cdecl * Spawn)(char* const*, int);
    Spawn spawn = (Spawn)(void*)GetProcAddress(GetModuleHandleA("ntdll"), "__wine_unix_spawnvp");
    UINT shortStatus = (UINT)spawn(argv.data(), 1);
    // The whole status, when the recorder wrote one.
    FILE* file = _wfopen(status, L"rb");
    char text[32] = "";
    if (file != nullptr)
        fgets(text, sizeof text, file), fclose(file);
    DeleteFileW(status);
    return text[0] != '\0' ? (UINT)strtoul(text, nullptr, 10) : shortStatus;
}

}  // namespace

int main()
{
    std::map<std::string, std::string> config = ReadConfig();
    if (config.count("java"))
        ExitProcess(RunJvm(config));
    if (config.count("record")) {
        char dir[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof dir, dir);
        Append(config["record"], std::string(GetCommandLineA()) + "|" + dir + "\n");
    }
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), config["write"].data(),
              (DWORD)config["write"].size(), &written, nullptr);
    Sleep(strtoul(config["sleep"].c_str(), nullptr, 10));
    ExitProcess(strtoul(config["exit"].c_str(), nullptr, 10));
}
