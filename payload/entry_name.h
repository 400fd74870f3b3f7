// The rule for a name that the launcher writes into a folder of its own:
// one path component that Windows creates as a plain file or folder there
// and nowhere else. Plain C++, so that wendle-pack applies the same rule.
#pragma once

// False for an empty name, "." and "..", the characters < > : " / \ | ? *
// and 0 to 31, bytes above 127 (their meaning depends on the code page), a
// trailing dot or blank (Windows drops them), the device names CON, PRN,
// AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$ and CONOUT$ with or without
// an extension, and the launcher's own files in its folder
// (TvqVersion.class, stdout.tmp, stdout0.tmp to stdout9.tmp); letter case
// ignored.
bool IsWritableEntryName(const char* name);
