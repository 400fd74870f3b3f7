// Path and text functions over the launcher's 260-byte buffers
// (kTextBufferSize). Every buffer argument that is changed or written holds
// kTextBufferSize bytes.
#pragma once

// Pointer to the last character, or null for empty text.
char* LastChar(char* text);
// Pointer to the last occurrence of byte, scanning backwards; never finds the
// terminating NUL.
char* FindLastChar(char* text, char byte);

// Empty text becomes "\"; otherwise a backslash is appended unless the text
// already ends in one. Returns false, text unchanged, when it would not fit.
bool AddBackslash(char* text);
// Removes one trailing backslash, if any.
void RemoveBackslash(char* text);

// Joins directory and name with exactly one backslash between them: the
// directory gains a backslash unless it has one, and one trailing backslash
// of the name is dropped. Returns false, directory unchanged, when the joined
// path would not fit.
bool AppendPath(char* directory, const char* name);

// Cuts text at its last '.'. Returns false, text unchanged, when there is none.
bool StripExtension(char* text);

// Copies what follows the last backslash of path (one trailing backslash
// removed first) into output. Returns false, output unchanged, when the path
// has no backslash or does not fit a buffer.
bool GetFileNamePart(const char* path, char* output);

bool FileExists(const char* path);
