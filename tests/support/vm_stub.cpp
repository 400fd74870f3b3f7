// Stands in for a Java VM executable (java.exe, jre.exe, jview.exe). The
// command line is the launcher's, so the stub's behaviour comes from
// "<own path less extension>.cfg", one key=value a line:
//   record=PATH   append "command line|current directory" to PATH
//   write=TEXT    write TEXT to standard output
//   sleep=MS      then sleep
//   meet=A|B      then create file A and wait up to 10 s for file B (another
//                 VM's A); without it, exit with 1
//   exit=N        then exit with N
//   java=PATH     instead: run this Linux JVM on the class and arguments of
//                 the command line ("Class args", "-cp DIR Class args" or
//                 "-cp:p DIR Class args", VM options in front of either);
//                 its verdict is its exit status
//   preload=PATH  a library that records the JVM's whole exit status (Linux
//                 keeps 8 bits of it: 314 arrives as 58)
//   version=N     the class runs as on a VM of feature version N (AsVersion)
#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "wine_unix.h"

namespace {

std::string Utf8(const wchar_t* text)
{
    char out[MAX_PATH * 4];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

// The class directory goes through readlink: Wine's Unix paths pass through
// "dosdevices/c:", and Java would split a class path at that colon.
const char kRunJvm[] =
    "cp=$(readlink -f -- \"$1\")$5 && java=$2 && export LD_PRELOAD=$3 WENDLE_EXIT_STATUS_FILE=$4 "
    "&& shift 5 && exec \"$java\" -cp \"$cp\" \"$@\" >/dev/null";

UINT RunJvm(std::map<std::string, std::string>& config)
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring classDir = std::filesystem::current_path().wstring();
    std::vector<std::string> rest;   // the VM options (less the class path), the class, its arguments
    for (int index = 1; index < count; ++index) {
        bool option = rest.empty() || rest.back()[0] == '-';
        if (option && index + 1 < count && (wcscmp(words[index], L"-cp") == 0 || wcscmp(words[index], L"-cp:p") == 0))
            classDir = words[++index];
        else
            rest.push_back(Utf8(words[index]));
    }
    wchar_t status[MAX_PATH];
    GetTempFileNameW(L"Z:\\tmp", L"jvm", 0, status);
    std::vector<std::string> args = {"/bin/sh", "-c", kRunJvm, "vm_stub", wine::UnixPath(classDir), config["java"],
                                     config["preload"], wine::UnixPath(status), ""};
    if (config.count("version")) {
        args.back() = ":" AS_VERSION_DIR;
        args.insert(args.end(), {"AsVersion", config["version"]});
    }
    args.insert(args.end(), rest.begin(), rest.end());
    UINT shortStatus = wine::RunUnix(args);
    // The whole status, when the recorder wrote one.
    std::string whole;
    std::getline(std::ifstream(status), whole);
    DeleteFileW(status);
    return whole.empty() ? shortStatus : (UINT)std::stoul(whole);
}

}  // namespace

int main()
{
    wchar_t self[MAX_PATH * 2];
    std::filesystem::path path(std::wstring(self, GetModuleFileNameW(nullptr, self, MAX_PATH * 2)));
    std::ifstream file(path.replace_extension(".cfg"));
    std::map<std::string, std::string> config;
    for (std::string line; std::getline(file, line);) {
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            config[line.substr(0, equals)] = line.substr(equals + 1, line.find_last_not_of('\r') - equals);
    }
    if (config.count("java"))
        ExitProcess(RunJvm(config));
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof dir, dir);
    if (config.count("record"))
        std::ofstream(config["record"], std::ios::app | std::ios::binary) << GetCommandLineA() << "|" << dir << "\n";
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), config["write"].data(), (DWORD)config["write"].size(), &written, nullptr);
    Sleep(strtoul(config["sleep"].c_str(), nullptr, 10));
    if (config.count("meet")) {
        std::string meet = config["meet"], other = meet.substr(meet.find('|') + 1);
        std::ofstream(meet.substr(0, meet.find('|')));
        for (int wait = 0; !std::filesystem::exists(other); ++wait, Sleep(20))
            if (wait == 500)
                ExitProcess(1);
    }
    ExitProcess(strtoul(config["exit"].c_str(), nullptr, 10));
}
