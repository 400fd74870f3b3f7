// The payload appended behind the launcher's executable image: a chain of
// entries ("tvq", name, NUL, kind, length, data) and, in the last four bytes
// of the file, the offset of the first entry.
#pragma once

#include <windows.h>

#include "payload/file_handle.h"
#include "payload/text_buffer.h"

const size_t kEntryNameSize = 20;   // name and NUL
// The entry of the Java runtime that an installer may bring: unpacked into a
// folder of its own when no installed VM suits, never extracted as it is.
const char kRuntimeEntry[] = "runtime.tar";
// The settings that wendle-pack --jvm-option and --arg pack, each a command
// line's text, quoted: the JVM options for the installer's VM, and the
// installer's own arguments. Both optional; a launcher that does not know
// them extracts them as files like any other entry, and the jar's bootstrap
// reads the first one from there.
const char kJvmOptionsEntry[] = "WendleJvmOptions";
const char kArgumentsEntry[] = "WendleArguments";
// The class that starts an installer jar; it hands the JVM options to the
// VM that runs the jar, so its own VM runs without them.
const char kBootstrapClassFile[] = "WendleJar.class";
const int kMaxPayloadEntries = 10;
// Page-sized: a write that ends inside a page makes every following write
// slower, and 64 KiB takes a copy as fast as CopyFileA's.
const DWORD kCopyChunkSize = 65536;

class PayloadEntry {
public:
    PayloadEntry(const char* name, DWORD kind, DWORD length, DWORD dataOffset);
    virtual ~PayloadEntry() {}

    // Reads the entry's text into destination (size bytes).
    // Returns false when the text has no NUL within the buffer or within the
    // entry's own data.
    bool ReadString(FileHandle& file, char* destination, size_t size = kTextBufferSize);
    // Writes the entry's data to a new file at targetPath. Throws when the
    // target cannot be created, the entry's kind is not 0 or the copy fails;
    // a target that was created is then deleted again.
    void ExtractTo(FileHandle& file, const char* targetPath);
    // ExtractTo the directory joined with name. Throws ERROR_FILENAME_EXCED_RANGE
    // when the joined path does not fit.
    void ExtractToDir(FileHandle& file, const char* directory, const char* name);

    char name[kEntryNameSize];
    DWORD kind;
    DWORD length;
    DWORD dataOffset;
};

class PayloadArchive {
public:
    PayloadArchive();
    virtual ~PayloadArchive();

    // Opens the file at path (the program's own, in a run) and reads the
    // entry chain behind it.
    void ReadDirectoryFrom(const char* path);
    // Extracts every entry from firstSlot on into directory, but the runtime.
    void ExtractAll(const char* directory, int firstSlot);
    // The entry named name (letter case ignored), or null.
    PayloadEntry* FindEntry(const char* name) const;
    void Close();

    int CountEntries() const;

    PayloadEntry* entries[kMaxPayloadEntries];
    FileHandle file;

private:
    PayloadArchive(const PayloadArchive&);
    PayloadArchive& operator=(const PayloadArchive&);

    void Clear();
    void WalkChain(DWORD position, DWORD payloadEnd);
};

// Where the payload's trailer ends: fileSize, or, in a signed executable, the
// offset of the certificate table that signing appends behind the trailer.
// The security directory of the PE headers names that table; it counts only
// when the headers are intact and the table ends exactly at the end of the
// file, as signing tools write it. A damaged directory, or one that points
// outside the file or at a table that other bytes follow, is ignored: the
// file is read as unsigned.
DWORD FindPayloadEnd(FileHandle& file, DWORD fileSize);

// Copies count bytes from source's position to target's position in chunks
// of kCopyChunkSize. Throws when a read or a write fails or the source ends
// early (ERROR_HANDLE_EOF); only the source's own bytes reach the target.
// Returns the number of chunks written.
DWORD CopyBytes(FileHandle& source, FileHandle& target, DWORD count);
