#include "launcher_session.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "res/resource.h"
#include "window_driver.h"

namespace hardening {

const char kUsageText[] = "usage:\n\nWendle <version>:<vendor>:<os> ...";

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

// Presses a dialog's button by posting the command it sends. BM_CLICK can be
// lost when the dialog is not the active window, which with several
// launchers on screen at once it often is not.
void Press(HWND dialog, int buttonId)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 (LPARAM)GetDlgItem(dialog, buttonId));
}

// Answers one window; false when it is not ready for an answer yet.
bool Answer(HWND window, SelectionAnswer selection, std::vector<std::string>* seen)
{
    const std::string windowClass = test_support::ClassName(window);
    if (windowClass != "#32770") {
        seen->push_back("window " + windowClass + " \"" + test_support::WindowText(window) + "\"");
        PostMessageA(window, WM_CLOSE, 0, 0);
        return true;
    }
    if (HWND list = GetDlgItem(window, IDC_VM_LIST)) {
        // Until the search has filled the list the dialog may still hide
        // itself and hand over to the no-VM dialog.
        DWORD_PTR count = 0;
        if (!SendMessageTimeoutA(list, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 100, &count) ||
            count == 0 || count == DWORD_PTR(CB_ERR))
            return false;
        seen->push_back("selection");
        Press(window, selection == SelectionAnswer::Launch ? IDOK : IDCANCEL);
        return true;
    }
    if (GetDlgItem(window, IDC_OPT_DOWNLOAD) != nullptr) {
        seen->push_back("no-vm");
        Press(window, IDCANCEL);
        return true;
    }
    test_support::MessageBoxView box = test_support::ReadMessageBox(window);
    if (box.hasOk && box.text == kUsageText) {
        seen->push_back("usage");
        Press(window, IDOK);
    } else if (box.hasYes) {
        seen->push_back("question");
        Press(window, IDYES);
    } else {
        seen->push_back("message: " + box.text);
        Press(window, box.hasOk ? IDOK : IDCANCEL);
    }
    return true;
}

void ListInto(const std::string& root, const std::string& prefix, int depth,
              std::vector<std::string>* out)
{
    if (depth <= 0)
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out->push_back(prefix + name + "\\");
            ListInto(root + "\\" + name, prefix + name + "\\", depth - 1, out);
        } else {
            unsigned long long size =
                (unsigned long long)found.nFileSizeHigh << 32 | found.nFileSizeLow;
            out->push_back(prefix + name + " " + std::to_string(size));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

typedef char*(__cdecl* UnixFileNameFn)(LPCWSTR dosPath);
typedef int(__cdecl* UnixSpawnFn)(char* const* argv, int wait);

template <typename Fn>
Fn WineExport(const char* module, const char* name)
{
    return (Fn)(void*)GetProcAddress(GetModuleHandleA(module), name);
}

std::string UnixPath(const std::string& dosPath)
{
    UnixFileNameFn toUnix = WineExport<UnixFileNameFn>("kernel32.dll", "wine_get_unix_file_name");
    std::wstring wide(dosPath.begin(), dosPath.end());
    char* unixPath = toUnix(wide.c_str());
    if (unixPath == nullptr)
        Fail("no Unix path for " + dosPath);
    std::string result(unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// The link that names drive letter in the prefix: dosdevices holds "c:", so
// the folder of C:\'s Unix path is the one.
std::string DriveLink(char letter)
{
    std::string cDrive = UnixPath("C:\\");
    while (!cDrive.empty() && cDrive.back() == '/')
        cDrive.pop_back();
    size_t slash = cDrive.find_last_of('/');
    return cDrive.substr(0, slash + 1) + char(tolower(letter)) + ":";
}

int RunUnix(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return WineExport<UnixSpawnFn>("ntdll.dll", "__wine_unix_spawnvp")(argv.data(), 1);
}

void SetMachineValue(const std::string& key, const std::string& name, const std::string& value)
{
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        Fail("cannot create HKLM\\" + key);
    LONG status = RegSetValueExA(handle, name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS)
        Fail("cannot set " + name + " in HKLM\\" + key);
}

}  // namespace

bool UnderWine()
{
    return WineExport<UnixSpawnFn>("ntdll.dll", "__wine_unix_spawnvp") != nullptr &&
           WineExport<UnixFileNameFn>("kernel32.dll", "wine_get_unix_file_name") != nullptr;
}

RunTrace RunAnswering(const std::string& commandLine, const test_support::RunOptions& options,
                      SelectionAnswer selection, DWORD limitMs)
{
    RunTrace trace;
    const DWORD started = GetTickCount();
    test_support::ChildProcess launcher(commandLine, options);
    std::set<HWND> answered;
    for (;;) {
        if (launcher.Wait(20, &trace.exitCode)) {
            trace.ended = true;
            break;
        }
        if (GetTickCount() - started > limitMs)
            break;
        for (HWND window : test_support::TopLevelWindows(launcher.id())) {
            if (answered.count(window) == 0 && Answer(window, selection, &trace.windows))
                answered.insert(window);
        }
    }
    trace.elapsedMs = GetTickCount() - started;
    return trace;   // one still running is killed as launcher goes
}

std::vector<std::string> TreeListing(const std::string& root, int depth)
{
    std::vector<std::string> listing;
    ListInto(root, "", depth, &listing);
    std::sort(listing.begin(), listing.end());
    return listing;
}

bool MapDrive(char letter, const std::string& folder)
{
    const std::string drive = std::string(1, letter) + ":";
    if (GetDriveTypeA((drive + "\\").c_str()) != DRIVE_NO_ROOT_DIR)
        return false;   // taken
    if (UnderWine()) {
        // Wine keeps drive letters as links in the prefix; DefineDosDevice
        // reports success there without mapping anything.
        if (RunUnix({"/bin/ln", "-sfn", UnixPath(folder), DriveLink(letter)}) != 0)
            return false;
    } else if (!DefineDosDeviceA(0, drive.c_str(), folder.c_str())) {
        return false;
    }
    return GetFileAttributesA((drive + "\\").c_str()) != INVALID_FILE_ATTRIBUTES;
}

void UnmapDrive(char letter)
{
    const std::string drive = std::string(1, letter) + ":";
    if (UnderWine())
        RunUnix({"/bin/rm", "-f", DriveLink(letter)});
    else
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
}

void RegisterJdk(const std::string& javaHome)
{
    const std::string key = "Software\\JavaSoft\\Java Development Kit";
    SetMachineValue(key, "CurrentVersion", "1.1");
    SetMachineValue(key + "\\1.1", "JavaHome", javaHome);
}

void DeleteJavaSoftKeys()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\JavaSoft");
}

void WritePrivately(const std::string& path, const std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail("cannot create " + path);
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            CloseHandle(file);
            Fail("cannot write " + path);
        }
        done += written;
    }
    CloseHandle(file);
}

void EmptyFolder(const std::string& folder)
{
    for (const std::string& name : test_support::ListDir(folder)) {
        std::string path = folder + "\\" + name;
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            test_support::RemoveTree(path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
}

}  // namespace hardening
