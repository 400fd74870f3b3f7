// The run's own folder inside the temporary directory. The probe class, the
// capture file of each VM run and the extracted payload go there, never
// straight into the temporary directory: two launchers started together
// would write, read and delete each other's files there.
#pragma once

#include <windows.h>

// How many names are tried before a run gives up: each taken name costs one
// more try, and a run ends quietly when none is left.
const unsigned kWorkFolderTries = 100;

// The name of try attempt for the process processId, "wendle-<pid>-<attempt>",
// into output (kTextBufferSize bytes).
void ComposeWorkFolderName(char* output, unsigned long processId, unsigned attempt);

// Creates a new folder directly in parent (a directory path, with or without
// its trailing backslash) and writes its path, ending in a backslash, into
// folder (kTextBufferSize bytes). A name that exists already, as a folder or
// a file, is never used: the next name is tried. Returns false, with the
// reason as last error and folder empty, when no folder could be created.
bool CreateWorkFolder(const char* parent, char* folder);

// How a folder is removed: RemoveDirectoryW, or in tests a stand-in.
typedef BOOL(WINAPI* FolderRemover)(LPCWSTR path);

// Deletes folder with everything in it, whatever the installer put there:
// files and subfolders, read-only ones too. Links to other folders are
// removed without touching what they point at. What cannot be deleted (a
// file still open in another process) is left, and with it the folders
// above it.
void RemoveFolderTree(const char* folder, FolderRemover removeFolder = RemoveDirectoryW);
