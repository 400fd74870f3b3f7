// Keeps DLLs planted beside the executable from being loaded.
#pragma once

// Restricts the process's DLL search to System32 where the system offers it
// (SetDefaultDllDirectories, Windows 7 with KB2533623 and later). Returns
// false where it does not, and the default search order stays.
bool RestrictDllSearch();
