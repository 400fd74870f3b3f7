// Read-only access to the machine's registry keys of installed Java VMs.
#pragma once

// Extra access bits that choose the registry view a key is opened in.
typedef unsigned long RegistryView;
// The view the process sees by itself: for a 32-bit launcher on 64-bit
// Windows that is the 32-bit view (Wow6432Node), for a 64-bit one the 64-bit
// view.
const RegistryView kOwnView = 0;
// The 64-bit view (KEY_WOW64_64KEY), where a 64-bit Java registers itself.
const RegistryView k64BitView = 0x0100;
// The 32-bit view (KEY_WOW64_32KEY), where a 32-bit Java registers itself.
const RegistryView k32BitView = 0x0200;

// True when this 32-bit process runs on 64-bit Windows (false for a 64-bit
// one). IsWow64Process is looked up at run time, so that the launcher still
// starts on systems that lack it (they run no 64-bit Java either).
bool RunsUnderWow64();

// The views a kind reads, in order, into views: its own view, then the other
// one where there is one: the 32-bit view for a 64-bit launcher, the 64-bit
// view for a 32-bit launcher under WOW64; 32-bit Windows has one view. A
// kind that finds its VM in one view does not read the next. Returns the
// count written (at most kMostViews).
const int kMostViews = 2;
int ViewsToSearch(RegistryView* views);

// Where a key lies: the machine's keys, or the user's own, where per-user
// installs write theirs.
enum RegistryHive { kMachineHive, kUserHive };

// A key opened for reading only: a standard user cannot open the machine's
// keys for all access. Closed when the object goes.
class RegistryKey {
public:
    RegistryKey(const char* keyName, RegistryView view, RegistryHive hive = kMachineHive);
    ~RegistryKey();
    // Reads valueName, whatever its type, as text into output
    // (kTextBufferSize bytes). False when it is missing or does not fit.
    bool ReadValue(const char* valueName, char* output) const;
    // Reads valueName, a path, as Windows stores it (wide) and converts it
    // with ToAnsiPath into output (kTextBufferSize bytes). False when it is
    // missing, does not fit or has no ANSI form.
    bool ReadPathValue(const char* valueName, char* output) const;
    // The name of the subkey at index into name (kTextBufferSize bytes).
    // False past the last subkey, or when a name does not fit.
    bool SubkeyName(unsigned long index, char* name) const;

private:
    RegistryKey(const RegistryKey&);
    RegistryKey& operator=(const RegistryKey&);
    void* handle_;
};

// Reads the value valueName of HKEY_LOCAL_MACHINE\keyName in view as text
// into output (kTextBufferSize bytes). Returns false when the key or value is
// missing or the value does not fit.
bool ReadMachineValue(const char* keyName, const char* valueName, char* output,
                      RegistryView view = kOwnView);

// The same for a value that holds a path (RegistryKey::ReadPathValue).
bool ReadMachinePath(const char* keyName, const char* valueName, char* output,
                     RegistryView view = kOwnView, RegistryHive hive = kMachineHive);

// Reads "CurrentVersion" of keyName, then "JavaHome" of the subkey named by
// that version as a path, into javaHome (kTextBufferSize bytes).
bool ReadJavaHome(const char* keyName, char* javaHome, RegistryView view = kOwnView);
