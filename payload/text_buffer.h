// Bounded text copies into the launcher's fixed buffers. Every copy into a
// fixed buffer goes through these two functions, so the bound is kept in one
// place.
#pragma once

#include <stddef.h>

// Every path, name and setting buffer of the launcher holds this many bytes
// (the Windows MAX_PATH), the terminating NUL included.
const size_t kTextBufferSize = 260;

// Copies source into dest, which holds destSize bytes. Returns true when the
// whole text fitted. When it does not fit, dest is left unchanged.
bool CopyText(char* dest, size_t destSize, const char* source);

// Appends source to the text in dest. Returns true when the result fitted;
// when it does not, dest is left unchanged.
bool AppendText(char* dest, size_t destSize, const char* source);

// The same for the few wide-character texts (paths as Windows gives them);
// destSize counts characters, not bytes.
bool CopyWideText(wchar_t* dest, size_t destSize, const wchar_t* source);
