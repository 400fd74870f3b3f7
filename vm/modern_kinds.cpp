#include "vm/modern_kinds.h"

#include <windows.h>

#include "payload/paths.h"
#include "payload/run_log.h"
#include "payload/wide_paths.h"
#include "vm/registry.h"
#include "vm/version_text.h"

static const char kJdkKey[] = "Software\\JavaSoft\\JDK";
static const char kJreKey[] = "Software\\JavaSoft\\JRE";

// Where an installer records the directory of each version it installed:
// key has one subkey per version; below that subkey (when not empty) lies
// the key whose value valueName names the installation directory.
struct VendorLayout {
    const char* key;
    const char* below;
    const char* valueName;
};

static const VendorLayout kVendorLayouts[] = {
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
    // Every Java 9+ installer that writes the JavaSoft keys also lists each
    // version there, even when CurrentVersion is missing or stale.
    {kJdkKey, "", "JavaHome"},
    {kJreKey, "", "JavaHome"},
};

// home joined with bin\java.exe into path; true when that file exists.
static bool FindJavaExe(const char* home, char* path)
{
    if (!CopyText(path, kTextBufferSize, home) || !AppendPath(path, "bin") ||
        !AppendPath(path, "java.exe"))
        return false;
    return FileExists(path);
}

// java.exe of the newest version that layout lists in view, into exePath.
// Versions whose directory holds no bin\java.exe are passed over.
static bool FindNewestListed(const VendorLayout& layout, RegistryView view, char* exePath)
{
    MachineKey versions(layout.key, view);
    char newest[kTextBufferSize];
    bool found = false;
    char version[kTextBufferSize];
    for (unsigned long index = 0; versions.SubkeyName(index, version); ++index) {
        if (found && CompareVersionTexts(version, newest) <= 0)
            continue;
        char valueKey[kTextBufferSize];
        char home[kTextBufferSize];
        char candidate[kTextBufferSize];
        if (!CopyText(valueKey, sizeof valueKey, layout.key) || !AppendPath(valueKey, version) ||
            (layout.below[0] != '\0' && !AppendPath(valueKey, layout.below)))
            continue;
        if (!ReadMachinePath(valueKey, layout.valueName, home, view) ||
            !FindJavaExe(home, candidate))
            continue;
        if (CopyText(newest, sizeof newest, version) &&
            CopyText(exePath, kTextBufferSize, candidate))
            found = true;
    }
    return found;
}

int ClassPathKind::MatchExecutable(const char* fullPath, const char* fileName)
{
    (void)fullPath;
    (void)fileName;
    return 0;
}

bool ClassPathKind::LayOutClassRun(const char* classDir, const char* className,
                                   const char* classArgs, char* arguments, const char** currentDir)
{
    *currentDir = NULL;
    return ComposeClassArguments(arguments, kArgumentsSize, "-cp ", classDir, className, classArgs);
}

int ModernJdkLocator::Locate()
{
    static const char* const keys[] = {kJdkKey, kJreKey};
    RegistryView views[kMostViews];
    int viewCount = ViewsToSearch(views);
    for (int view = 0; view < viewCount; ++view) {
        for (size_t key = 0; key < sizeof keys / sizeof keys[0]; ++key) {
            char javaHome[kTextBufferSize];
            char candidate[kTextBufferSize];
            if (ReadJavaHome(keys[key], javaHome, views[view]) && FindJavaExe(javaHome, candidate))
                return CopyText(exePath, sizeof exePath, candidate) ? 1 : 0;
        }
    }
    return 0;
}

int OtherVendorLocator::Locate()
{
    char candidate[kTextBufferSize];
    char javaHome[kTextBufferSize];
    wchar_t wideJavaHome[kTextBufferSize];
    // A longer value comes back as the size it needs, which does not fit.
    DWORD length = GetEnvironmentVariableW(L"JAVA_HOME", wideJavaHome, kTextBufferSize);
    LogLine("environment variable JAVA_HOME: %s", length == 0 ? "not set" : length < kTextBufferSize ? "set" : "too long");
    if (length > 0 && length < kTextBufferSize &&
        ToAnsiPath(wideJavaHome, javaHome) != kAnsiPathNone && FindJavaExe(javaHome, candidate))
        return CopyText(exePath, sizeof exePath, candidate) ? 1 : 0;

    RegistryView views[kMostViews];
    int viewCount = ViewsToSearch(views);
    for (int view = 0; view < viewCount; ++view) {
        for (size_t layout = 0; layout < sizeof kVendorLayouts / sizeof kVendorLayouts[0]; ++layout) {
            if (FindNewestListed(kVendorLayouts[layout], views[view], candidate))
                return CopyText(exePath, sizeof exePath, candidate) ? 1 : 0;
        }
    }
    return 0;
}
