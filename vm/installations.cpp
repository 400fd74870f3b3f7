#include "vm/installations.h"

#include <windows.h>
#include <string.h>

#include "payload/paths.h"
#include "payload/run_log.h"
#include "payload/text_buffer.h"
#include "payload/wide_paths.h"
#include "vm/real_path.h"
#include "vm/registry.h"
#include "vm/version_text.h"

// Where an installer records the folder of each version it installed: key
// has one subkey per version; below that subkey (when not empty) lies the
// key whose value valueName names the folder.
struct VendorLayout {
    const char* key;
    const char* below;
    const char* valueName;
};

static const VendorLayout kVendorLayouts[] = {
    {"Software\\JavaSoft\\JDK", "", "JavaHome"},
    {"Software\\JavaSoft\\JRE", "", "JavaHome"},
    // Versions besides the one CurrentVersion names (the original kinds').
    {"Software\\JavaSoft\\Java Development Kit", "", "JavaHome"},
    {"Software\\JavaSoft\\Java Runtime Environment", "", "JavaHome"},
    // Eclipse Temurin: Software\Eclipse Adoptium\JDK\17.0.9.9\hotspot\MSI.
    {"Software\\Eclipse Adoptium\\JDK", "hotspot\\MSI", "Path"},
    {"Software\\Eclipse Adoptium\\JRE", "hotspot\\MSI", "Path"},
    // Microsoft Build of OpenJDK, made with the same installer.
    {"Software\\Microsoft\\JDK", "hotspot\\MSI", "Path"},
    // Azul Zulu: Software\Azul Systems\Zulu\zulu-17 (zulu-17-jre for a
    // JRE); a 32-bit Zulu on 64-bit Windows writes "Zulu 32-bit".
    {"Software\\Azul Systems\\Zulu", "", "InstallationPath"},
    {"Software\\Azul Systems\\Zulu 32-bit", "", "InstallationPath"},
    // BellSoft Liberica: Software\BellSoft\Liberica\jdk-17 (jre-17).
    {"Software\\BellSoft\\Liberica", "", "InstallationPath"},
};

// Folders that Java is unpacked into: each subfolder of below that matches
// pattern, joined with inside, holds bin\java.exe.
struct UnpackFolder {
    const char* below;
    const char* pattern;
    const char* inside;
};

static const UnpackFolder kProgramFilesFolders[] = {
    {"Java", "*", ""},
    {"Eclipse Adoptium", "*", ""},
    {"Zulu", "*", ""},
    {"BellSoft", "*", ""},
    {"Amazon Corretto", "*", ""},
    {"Microsoft", "jdk-*", ""},
};

static const UnpackFolder kUserFolders[] = {
    {".jdks", "*", ""},
    {"scoop\\apps", "*", "current"},
};

// folder joined with bin\java.exe into path; true when that file exists.
static bool FindJavaExe(const char* folder, char* path)
{
    return CopyText(path, kTextBufferSize, folder) && AppendPath(path, "bin\\java.exe") &&
           FileExists(path);
}

static void OfferFolder(InstallationSink& sink, const char* folder)
{
    char javaExe[kTextBufferSize];
    if (FindJavaExe(folder, javaExe))
        sink.Found(javaExe);
}

class SubkeyListing : public NameListing {
public:
    explicit SubkeyListing(const RegistryKey& key) : key_(key), index_(0) {}
    virtual bool First(char* name)
    {
        index_ = 0;
        return key_.SubkeyName(index_, name);
    }
    virtual bool Next(char* name) { return key_.SubkeyName(++index_, name); }

private:
    const RegistryKey& key_;
    unsigned long index_;
};

// The subfolders that a pattern (folder\jdk-*) matches, by names the ANSI
// functions can use: a name the code page cannot hold goes by its short form.
class FolderListing : public NameListing {
public:
    explicit FolderListing(const wchar_t* pattern) : pattern_(pattern), find_(INVALID_HANDLE_VALUE) {}
    virtual ~FolderListing() { Close(); }
    virtual bool First(char* name)
    {
        Close();
        find_ = FindFirstFileW(pattern_, &entry_);
        return find_ != INVALID_HANDLE_VALUE && (Usable(name) || Next(name));
    }
    virtual bool Next(char* name)
    {
        while (find_ != INVALID_HANDLE_VALUE && FindNextFileW(find_, &entry_)) {
            if (Usable(name))
                return true;
        }
        return false;
    }

private:
    void Close()
    {
        if (find_ != INVALID_HANDLE_VALUE)
            FindClose(find_);
        find_ = INVALID_HANDLE_VALUE;
    }
    bool Usable(char* name)
    {
        if (!(entry_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || entry_.cFileName[0] == L'.')
            return false;
        return HoldsInAnsi(entry_.cFileName, name) ||
               (entry_.cAlternateFileName[0] != L'\0' && HoldsInAnsi(entry_.cAlternateFileName, name));
    }

    const wchar_t* pattern_;
    HANDLE find_;
    WIN32_FIND_DATAW entry_;
};

static void FindListedVersions(InstallationSink& sink, const VendorLayout& layout, RegistryView view,
                               RegistryHive hive)
{
    RegistryKey versions(layout.key, view, hive);
    SubkeyListing listing(versions);
    char version[kTextBufferSize];
    char previous[kTextBufferSize];
    for (const char* after = NULL; NextNewest(listing, after, version); after = previous) {
        CopyText(previous, sizeof previous, version);
        char valueKey[kTextBufferSize];
        char home[kTextBufferSize];
        if (CopyText(valueKey, sizeof valueKey, layout.key) && AppendPath(valueKey, version) &&
            (layout.below[0] == '\0' || AppendPath(valueKey, layout.below)) &&
            ReadMachinePath(valueKey, layout.valueName, home, view, hive))
            OfferFolder(sink, home);
    }
}

// A folder named from the drive's root or a share. A relative one would be
// looked up in the launcher's current folder, typically the downloads next
// to setup.exe, where anybody may have put a java.exe.
static bool IsFullFolderPath(const wchar_t* path)
{
    wchar_t drive = (wchar_t)(path[0] | 0x20);
    return (drive >= L'a' && drive <= L'z' && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
           (path[0] == L'\\' && path[1] == L'\\');
}

// The environment variable name, a full path, into path (kTextBufferSize bytes).
static bool ReadPathVariable(const wchar_t* name, char* path)
{
    wchar_t value[kTextBufferSize];
    // A longer value comes back as the size it needs, which does not fit.
    DWORD length = GetEnvironmentVariableW(name, value, kTextBufferSize);
    LogLine("environment variable %ls: %s", name, length == 0 ? "not set" : length < kTextBufferSize ? "set" : "too long");
    return length > 0 && length < kTextBufferSize && IsFullFolderPath(value) &&
           ToAnsiPath(value, path) != kAnsiPathNone;
}

// Oracle's installers put a folder of java.exe launchers on PATH (javapath,
// as copies or as links to copies in javapath_target_*). A launcher starts
// the Java that the JavaSoft keys name, which their road finds; listed too,
// it would offer that Java twice.
static bool IsJavaPathLauncher(const char* javaExe)
{
    char realPath[kTextBufferSize];
    if (!GetRealPath(javaExe, realPath))
        return false;
    char* name = strrchr(realPath, '\\');
    if (name == NULL)
        return false;
    *name = '\0';
    const char* folder = strrchr(realPath, '\\');
    folder = folder != NULL ? folder + 1 : realPath;
    return _stricmp(folder, "javapath") == 0 || _strnicmp(folder, "javapath_target_", 16) == 0;
}

// java.exe in each folder of PATH, read from the environment block, in
// which PATH may be far longer than any path.
static void FindOnPath(InstallationSink& sink)
{
    wchar_t* block = GetEnvironmentStringsW();
    if (block == NULL)
        return;
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
        if (_wcsnicmp(entry, L"PATH=", 5) != 0)
            continue;
        for (const wchar_t* at = entry + 5; *at != L'\0';) {
            const wchar_t* end = wcschr(at, L';');
            size_t length = end != NULL ? (size_t)(end - at) : wcslen(at);
            wchar_t folder[kTextBufferSize];
            char ansiFolder[kTextBufferSize];
            char javaExe[kTextBufferSize];
            // A folder may be quoted, for a ';' in its name.
            const wchar_t* start = at;
            if (length >= 2 && start[0] == L'"' && start[length - 1] == L'"')
                ++start, length -= 2;
            if (length > 0 && length < kTextBufferSize) {
                wcsncpy(folder, start, length);
                folder[length] = L'\0';
                if (IsFullFolderPath(folder) && ToAnsiPath(folder, ansiFolder) != kAnsiPathNone &&
                    CopyText(javaExe, sizeof javaExe, ansiFolder) && AppendPath(javaExe, "java.exe") &&
                    FileExists(javaExe)) {
                    if (IsJavaPathLauncher(javaExe))
                        LogLine("%s: Oracle's javapath launcher, passed over", javaExe);
                    else
                        sink.Found(javaExe);
                }
            }
            at = end != NULL ? end + 1 : at + wcslen(at);
        }
        break;
    }
    FreeEnvironmentStringsW(block);
}

static void FindUnpacked(InstallationSink& sink, const char* root, const UnpackFolder& unpack)
{
    char pattern[kTextBufferSize];
    wchar_t widePattern[kTextBufferSize];
    if (!CopyText(pattern, sizeof pattern, root) || !AppendPath(pattern, unpack.below) ||
        !AppendPath(pattern, unpack.pattern) || !WidenAnsiText(pattern, widePattern))
        return;
    FolderListing listing(widePattern);
    char name[kTextBufferSize];
    char previous[kTextBufferSize];
    for (const char* after = NULL; NextNewest(listing, after, name); after = previous) {
        CopyText(previous, sizeof previous, name);
        char folder[kTextBufferSize];
        if (CopyText(folder, sizeof folder, root) && AppendPath(folder, unpack.below) &&
            AppendPath(folder, name) && (unpack.inside[0] == '\0' || AppendPath(folder, unpack.inside)))
            OfferFolder(sink, folder);
    }
}

void FindInstallations(InstallationSink& sink)
{
    static const RegistryHive hives[] = {kMachineHive, kUserHive};
    RegistryView views[kMostViews];
    int viewCount = ViewsToSearch(views);
    for (size_t hive = 0; hive < sizeof hives / sizeof hives[0]; ++hive) {
        for (int view = 0; view < viewCount; ++view) {
            for (size_t layout = 0; layout < sizeof kVendorLayouts / sizeof kVendorLayouts[0]; ++layout)
                FindListedVersions(sink, kVendorLayouts[layout], views[view], hives[hive]);
        }
    }

    char folder[kTextBufferSize];
    if (ReadPathVariable(L"JAVA_HOME", folder))
        OfferFolder(sink, folder);
    FindOnPath(sink);

    // A 32-bit process sees Program Files (x86) as ProgramFiles; the 64-bit
    // one is ProgramW6432 then. 32-bit Windows has one.
    char programFiles[2][kTextBufferSize];
    int roots = 0;
    if (ReadPathVariable(L"ProgramW6432", programFiles[roots]) ||
        ReadPathVariable(L"ProgramFiles", programFiles[roots]))
        ++roots;
    if (ReadPathVariable(L"ProgramFiles(x86)", programFiles[roots]) &&
        (roots == 0 || _stricmp(programFiles[0], programFiles[roots]) != 0))
        ++roots;
    for (int root = 0; root < roots; ++root) {
        for (size_t unpack = 0; unpack < sizeof kProgramFilesFolders / sizeof kProgramFilesFolders[0];
             ++unpack)
            FindUnpacked(sink, programFiles[root], kProgramFilesFolders[unpack]);
    }
    if (ReadPathVariable(L"USERPROFILE", folder)) {
        for (size_t unpack = 0; unpack < sizeof kUserFolders / sizeof kUserFolders[0]; ++unpack)
            FindUnpacked(sink, folder, kUserFolders[unpack]);
    }
}
