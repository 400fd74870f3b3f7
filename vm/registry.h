// Read-only access to the machine's registry keys of installed Java VMs.
#pragma once

// Reads the value valueName of HKEY_LOCAL_MACHINE\keyName, whatever its type,
// as text into output (kTextBufferSize bytes). The key is opened for reading
// only: a standard user cannot open HKEY_LOCAL_MACHINE keys for all access.
// Returns false when the key or value is missing or the value does not fit.
bool ReadMachineValue(const char* keyName, const char* valueName, char* output);

// Reads "CurrentVersion" of keyName, then "JavaHome" of the subkey named by
// that version, into javaHome (kTextBufferSize bytes).
bool ReadJavaHome(const char* keyName, char* javaHome);
