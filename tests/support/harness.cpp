#include "harness.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <algorithm>
#include <stdexcept>

namespace wt {

void WriteFile(const std::string& path, const std::string& bytes)
{
    if (!(std::ofstream(P(path), std::ios::binary) << bytes))
        throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> List(const std::string& dir)
{
    std::vector<std::string> names;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(P(dir), missing))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ShortPath(const std::string& path)
{
    wchar_t shortPath[MAX_PATH];
    return Utf8(std::wstring(shortPath, GetShortPathNameW(Wide(path).c_str(), shortPath, MAX_PATH)));
}

Scratch::Scratch(const char* tag)
{
    static unsigned count = 0;
    do
        path = TempDir() + "\\wt-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    while (!CreateDirectoryA(path.c_str(), nullptr));
}

Process::Process(const std::string& commandLine, const std::string& currentDir, const std::string& tempDir)
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = CreateFileA((output_ / "stdout").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                     CREATE_ALWAYS, 0, nullptr);
    std::wstring environment;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry && !tempDir.empty(); entry += wcslen(entry) + 1) {
        if (_wcsnicmp(entry, L"TMP=", 4) != 0 && _wcsnicmp(entry, L"TEMP=", 5) != 0)
            environment.append(entry).push_back(L'\0');
    }
    FreeEnvironmentStringsW(strings);
    if (!tempDir.empty())
        environment += L"TMP=" + Wide(tempDir) + L'\0' + L"TEMP=" + Wide(tempDir) + L'\0';
    std::wstring line = Wide(commandLine);
    BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                  environment.empty() ? nullptr : &environment[0],
                                  currentDir.empty() ? nullptr : Wide(currentDir).c_str(), &startup, &info_);
    CloseHandle(startup.hStdOutput);
    if (!started)
        throw std::runtime_error("cannot start " + commandLine);
}

Process::~Process()
{
    if (Wait(0) == ~0u)
        TerminateProcess(info_.hProcess, 1), WaitForSingleObject(info_.hProcess, 5000);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
}

DWORD Process::Wait(DWORD timeoutMs)
{
    DWORD code = ~0u;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void InstallVm(const std::string& exePath, const std::string& config)
{
    MakeDirs(exePath.substr(0, exePath.rfind('\\')));
    std::filesystem::copy_file(P(VM_STUB), P(exePath), std::filesystem::copy_options::overwrite_existing);
    WriteFile(exePath.substr(0, exePath.rfind('.')) + ".cfg", config);
}

int Running(const char* exeName)
{
    int count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{sizeof entry};
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        count += _stricmp(entry.szExeFile, exeName) == 0;
    CloseHandle(snapshot);
    return count;
}

std::vector<std::string> RecordedRuns(const std::string& path)
{
    std::vector<std::string> runs;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        runs.push_back(line);
    return runs;
}

std::string InstallKind(Kind kind, const std::string& config, const std::string& home)
{
    std::string key = std::string("Software\\JavaSoft\\") +
                      (kind == kJdk ? "Java Development Kit" : kind == kJre ? "Java Runtime Environment" : "JDK");
    std::string exe = home + (kind == kJdk ? "\\Bin\\java.exe" : kind == kJre ? "\\Bin\\jre.exe" : "\\bin\\java.exe");
    if (kind == kJview) {
        exe = WindowsDir() + "\\jview.exe";
    } else if (kind == kTemurin64) {
        SetMachineValue("Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", home, true);
    } else {
        SetMachineValue(key, "CurrentVersion", "1.8");
        SetMachineValue(key + "\\1.8", "JavaHome", home);
    }
    InstallVm(exe, config);
    return exe;
}

void SetMachineValue(const std::string& key, const char* name, const std::string& value, bool view64, bool user)
{
    HKEY handle;
    if (RegCreateKeyExA(user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | (view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY), nullptr, &handle, nullptr))
        throw std::runtime_error("cannot create " + key);
    std::wstring text = Wide(value);
    RegSetValueExW(handle, Wide(name).c_str(), 0, REG_SZ, (const BYTE*)text.c_str(), (DWORD)(text.size() + 1) * 2);
    RegCloseKey(handle);
}

void ForgetAllVms()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            for (const char* key : {"Software\\JavaSoft", "Software\\Eclipse Adoptium", "Software\\Microsoft\\JDK",
                                    "Software\\Azul Systems", "Software\\BellSoft"}) {
                HKEY handle;
                if (RegOpenKeyExA(root, key, 0, KEY_ALL_ACCESS | view, &handle) == ERROR_SUCCESS) {
                    RegDeleteTreeA(handle, nullptr);
                    RegCloseKey(handle);
                    RegDeleteKeyExA(root, key, view, 0);
                }
            }
        }
    }
    // The C library's copy of the environment keeps PATH as the test began.
    SetEnvironmentVariableW(L"PATH", _wgetenv(L"PATH"));
    SetEnvironmentVariableA("JAVA_HOME", nullptr);
    DeleteFileA((WindowsDir() + "\\jview.exe").c_str());
    RemoveTree("C:\\vms");
}

void Pack(const std::string& output, const std::vector<wendle_pack::Entry>& entries)
{
    std::string stub = ReadFile(WENDLE_EXE);
    std::vector<uint8_t> payload = wendle_pack::EncodePayload(entries, (uint32_t)stub.size());
    WriteFile(output, stub + std::string(payload.begin(), payload.end()));
}

std::vector<wendle_pack::Entry> Settings(const std::string& requirement, const std::string& classFile)
{
    std::string bytes = ReadFile(classFile);
    return {wendle_pack::StringEntry("CommandLine", requirement),
            wendle_pack::StringEntry("URL", "https://wendle.example.org/java"),
            {wendle_pack::FileNamePart(classFile), 0, std::vector<uint8_t>(bytes.begin(), bytes.end())}};
}

std::vector<wendle_pack::Entry> EntriesOf(const std::string& exe)
{
    std::string bytes = ReadFile(exe);
    std::vector<uint8_t> file(bytes.begin(), bytes.end());
    std::vector<wendle_pack::ListedEntry> listed;
    std::string error;
    if (!wendle_pack::ReadPayload(file, &listed, &error))
        throw std::runtime_error(exe + ": " + error);
    std::vector<wendle_pack::Entry> entries;
    for (const auto& entry : listed)
        entries.push_back({entry.name, entry.kind, {file.begin() + entry.dataOffset, file.begin() + entry.dataOffset + entry.length}});
    return entries;
}

wendle_pack::Entry RuntimeEntry(const std::string& dir)
{
    std::vector<wendle_pack::RuntimeMember> members;
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<wendle_pack::OutputPiece> pieces;
    std::string error, tar;
    if (!wendle_pack::ScanRuntimeFolder(dir, &members, &error))
        throw std::runtime_error(dir + ": " + error);
    wendle_pack::TarPieces(members, &blocks, &pieces);
    for (const auto& piece : pieces)
        tar += piece.bytes ? std::string(piece.bytes->begin(), piece.bytes->end()) : ReadFile(*piece.path);
    return {"runtime.tar", 0, std::vector<uint8_t>(tar.begin(), tar.end())};
}

namespace {

struct WindowSearch {
    DWORD processId;
    const std::function<bool(HWND)>& wanted;
    HWND found;
};

BOOL CALLBACK TryWindow(HWND window, LPARAM context)
{
    WindowSearch* search = (WindowSearch*)context;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && search->wanted(window))
        search->found = window;
    return search->found == nullptr;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &answer);
    return (LRESULT)answer;
}

}  // namespace

HWND WaitForWindow(DWORD processId, const std::function<bool(HWND)>& wanted, DWORD timeoutMs)
{
    WindowSearch search{processId, wanted, nullptr};
    for (DWORD started = GetTickCount(); !search.found && GetTickCount() - started <= timeoutMs; Sleep(20))
        EnumWindows(TryWindow, (LPARAM)&search);
    return search.found;
}

std::string Text(HWND window)
{
    std::wstring text(Ask(window, WM_GETTEXTLENGTH, 0, 0) + 1, L'\0');
    text.resize(Ask(window, WM_GETTEXT, text.size(), (LPARAM)&text[0]));
    return Utf8(text);
}

// Wide messages: across processes Wine answers the ANSI CB_GETLBTEXT with
// the first character only.
std::vector<std::string> ComboItems(HWND dialog, int id, int* selected)
{
    HWND combo = GetDlgItem(dialog, id);
    std::vector<std::string> items;
    for (LRESULT index = 0, count = Ask(combo, CB_GETCOUNT, 0, 0); index < count; ++index) {
        std::wstring text(Ask(combo, CB_GETLBTEXTLEN, index, 0) + 1, L'\0');
        text.resize(Ask(combo, CB_GETLBTEXT, index, (LPARAM)&text[0]));
        items.push_back(Utf8(text));
    }
    if (selected != nullptr)
        *selected = (int)Ask(combo, CB_GETCURSEL, 0, 0);
    return items;
}

std::string LauncherString(UINT id, LANGID language, const char* exe)
{
    HMODULE launcher = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC block = FindResourceExW(launcher, (LPCWSTR)RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    const WCHAR* entry = block ? (const WCHAR*)LockResource(LoadResource(launcher, block)) : nullptr;
    for (UINT skip = id % 16; entry != nullptr && skip > 0; --skip)
        entry += 1 + *entry;
    return entry != nullptr ? Utf8(std::wstring(entry + 1, *entry)) : "(missing)";
}

std::string Caption(HWND window)
{
    wchar_t text[512];
    return Utf8(std::wstring(text, GetWindowTextW(window, text, 512)));
}

std::string LauncherVersion()
{
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(WENDLE_EXE, &ignored);
    std::vector<char> block(size + 1);
    char* text = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(WENDLE_EXE, 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion", (void**)&text, &length))
        return "(missing)";
    return text;
}

Session::Session(const std::vector<wendle_pack::Entry>& entries, const std::string& args, const std::string& exe,
                 const std::string& tempDir)
    : tempDir(tempDir.empty() ? temp.path : tempDir)
{
    if (exe.empty())
        Pack(dir / "setup.exe", entries);
    MakeDirs(this->tempDir);
    process.reset(new Process(Quoted(exe.empty() ? dir / "setup.exe" : exe) + args, dir.path, this->tempDir + "\\"));
}

HWND Session::Wait(bool (*wanted)(HWND), DWORD timeoutMs)
{
    HWND window = WaitForWindow(process->id(), wanted, timeoutMs);
    EXPECT_NE(nullptr, window) << "the window did not open";
    return window;
}

Session::Box Session::NextBox()
{
    HWND box = Wait(IsBox, 30000);
    return {box, GetWindow(box, GW_OWNER), ItemText(box, 0xFFFF), Text(box)};
}

void Session::Answer(const Box& box, int button)
{
    Click(box.window, button);
    for (int wait = 0; wait < 500 && IsWindow(box.window); ++wait)
        Sleep(10);
}

void Session::End(DWORD exitCode)
{
    EXPECT_EQ(exitCode, process->Wait()) << "exit code";
    EXPECT_EQ(std::vector<std::string>{}, List(tempDir)) << "left in the temporary directory";
    EXPECT_FALSE(Exists("C:\\stdout.tmp"));
}

}  // namespace wt
