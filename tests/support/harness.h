// What the Windows-side tests share: files and folders, started processes,
// stand-in Java VMs and their registry keys, packed installers, and the
// windows of a running launcher worked as a user would.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tools/wendle-pack/pack_format.h"
#include "wine_unix.h"

namespace wt {

inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
// Files and folders, named in UTF-8.
inline std::filesystem::path P(const std::string& path) { return std::filesystem::u8path(path); }
inline std::string Utf8(const std::wstring& text) { return std::filesystem::path(text).u8string(); }
inline std::wstring Wide(const std::string& utf8) { return P(utf8).wstring(); }
void WriteFile(const std::string& path, const std::string& bytes);
// The whole file; empty when it is missing.
inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(P(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
inline bool Exists(const std::string& path) { return std::filesystem::exists(P(path)); }
std::vector<std::string> List(const std::string& dir);   // sorted names
inline void MakeDirs(const std::string& path) { std::filesystem::create_directories(P(path)); }
inline void RemoveTree(const std::string& path) { std::error_code ignored; std::filesystem::remove_all(P(path), ignored); }
// The temporary directory without its trailing backslash.
inline std::string TempDir() { return std::filesystem::temp_directory_path().parent_path().string(); }
// What a run names a folder below one outside the ANSI code page by.
std::string ShortPath(const std::string& path);
inline std::string UnixPath(const std::string& path) { return wine::UnixPath(Wide(path)); }

// A new folder below the temporary directory, removed with its contents.
struct Scratch {
    explicit Scratch(const char* tag);
    ~Scratch() { RemoveTree(path); }
    std::string operator/(const std::string& name) const { return path + "\\" + name; }
    std::string path;
};

// A started program whose standard output goes to a file. With tempDir set,
// TMP and TEMP point there.
class Process {
public:
    Process(const std::string& commandLine, const std::string& currentDir = "",
            const std::string& tempDir = "");
    ~Process();
    DWORD Wait(DWORD timeoutMs = 60000);   // the exit code; ~0u while it runs
    std::string Output() const { return ReadFile(output_ / "stdout"); }
    DWORD id() const { return info_.dwProcessId; }

private:
    Scratch output_{"out"};
    PROCESS_INFORMATION info_{};
};

// Stand-in Java VMs (vm_stub.exe), configured by key=value lines (exit=,
// write=, sleep=, record=); RealJvm() makes one run a Linux JVM, which with
// a version tells the probe that it is of that feature version.
inline std::string RealJvm(bool javaBaseOnly = false, const std::string& version = "")
{
    return std::string("java=") + (javaBaseOnly ? BASE_JAVA : FULL_JAVA) + "\npreload=" EXIT_RECORDER "\n" +
           (version.empty() ? "" : "version=" + version + "\n");
}
void InstallVm(const std::string& exePath, const std::string& config);
// How many processes of that executable name (as "java.exe") run.
int Running(const char* exeName);
// The runs that stubs with record=path made: "command line|current dir".
std::vector<std::string> RecordedRuns(const std::string& path);

// A VM of one kind, installed where that kind looks for it (below home;
// jview.exe in the Windows directory). Returns its path.
enum Kind { kJdk, kJre, kJview, kModern, kTemurin64 };
std::string InstallKind(Kind kind, const std::string& config, const std::string& home = "C:\\vms\\jdk");
// An HKLM value in the 32-bit registry view or, with view64, the 64-bit one;
// with user, the same under HKCU.
void SetMachineValue(const std::string& key, const char* name, const std::string& value, bool view64 = false,
                     bool user = false);
// Forgets every Java registry key (HKLM and HKCU), JAVA_HOME, what PATH
// gained, jview.exe and C:\vms.
void ForgetAllVms();
inline std::string WindowsDir() { return std::filesystem::path(_wgetenv(L"SystemRoot")).string(); }

// An installer: Wendle.exe and a payload of entries; the three settings.
void Pack(const std::string& output, const std::vector<wendle_pack::Entry>& entries);
std::vector<wendle_pack::Entry> Settings(const std::string& requirement, const std::string& classFile = INSTALLER_CLASS);
// The entries of a packed installer.
std::vector<wendle_pack::Entry> EntriesOf(const std::string& exe);
// The runtime entry of a Java runtime folder, as wendle-pack packs it.
wendle_pack::Entry RuntimeEntry(const std::string& dir);

// Windows of another process; texts in UTF-8.
HWND WaitForWindow(DWORD processId, const std::function<bool(HWND)>& wanted, DWORD timeoutMs = 30000);
std::string Text(HWND window);
inline std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }
std::vector<std::string> ComboItems(HWND dialog, int id, int* selected = nullptr);
inline bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
// Posted, as a click that opens a modal window must be.
inline void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
// Sent: for option buttons, done when this returns.
inline void Choose(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline void Type(HWND dialog, int id, const std::string& text) { SetDlgItemTextW(dialog, id, Wide(text).c_str()); }

inline bool IsSelection(HWND window) { return GetDlgItem(window, IDC_VM_LIST) != nullptr; }
inline bool IsNoVm(HWND window) { return GetDlgItem(window, IDC_OPT_DOWNLOAD) != nullptr; }
inline bool IsBox(HWND window) { return !GetDlgItem(window, IDC_STATUS) && GetDlgItem(window, 0xFFFF); }

// The launcher's string id in a language, read from Wendle.exe or exe.
std::string LauncherString(UINT id, LANGID language = 0x0409, const char* exe = WENDLE_EXE);
// A window's caption as Windows keeps it (GetWindowTextW), in UTF-8.
std::string Caption(HWND window);
// The FileVersion of Wendle.exe's version record.
std::string LauncherVersion();

// One started installer (exe, or entries packed behind Wendle.exe) with a
// temporary directory of its own (or tempDir); its current directory is dir.
class Session {
public:
    explicit Session(const std::vector<wendle_pack::Entry>& entries, const std::string& args = "",
                     const std::string& exe = "", const std::string& tempDir = "");
    HWND Wait(bool (*wanted)(HWND), DWORD timeoutMs = 90000);
    // The selection dialog once the search has filled the list.
    HWND Selection() { return Wait([](HWND w) { return IsSelection(w) && !ComboItems(w, IDC_VM_LIST).empty(); }); }
    // The message box that opens next.
    struct Box {
        HWND window, owner;
        std::string text, caption;
    };
    Box NextBox();
    // Clicks a button of the box and waits until it has gone.
    void Answer(const Box& box, int button);
    // The run ends with exitCode and nothing left in its temporary directory.
    void End(DWORD exitCode = 0);

    Scratch dir{"setup"};
    Scratch temp{"tmp"};
    std::string tempDir;
    std::unique_ptr<Process> process;
};

}  // namespace wt
