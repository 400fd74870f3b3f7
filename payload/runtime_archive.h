// The Java runtime that an installer may bring for a PC without a suitable
// VM: the payload entry "runtime.tar", an uncompressed ustar archive of a
// Windows runtime image (bin\java.exe, lib\modules, conf\, legal\ ...), as
// wendle-pack writes it. It is unpacked straight from the launcher's own
// file, within the entry's bounds, and never trusted.
#pragma once

#include <windows.h>

#include "payload/file_handle.h"
#include "payload/payload_archive.h"

// The payload's own chunk, which is page-sized.
const DWORD kRuntimeChunkSize = kCopyChunkSize;

class RuntimeArchive {
public:
    // entry: the runtime's entry of the payload read from file.
    RuntimeArchive(FileHandle& file, const PayloadEntry& entry);
    virtual ~RuntimeArchive() {}

    // Checks every header first, then creates folder, which must not exist
    // yet, and writes the members into it. A runtime is used whole or not at
    // all: on a refused header or a failed write it returns false and leaves
    // nothing of folder.
    bool UnpackTo(const char* folder);

private:
    RuntimeArchive(const RuntimeArchive&);
    RuntimeArchive& operator=(const RuntimeArchive&);

    // One pass over the headers; members are written only when folder is
    // not null. buffer holds kRuntimeChunkSize bytes.
    bool Walk(const char* folder, char* buffer);

    FileHandle& file;
    DWORD dataOffset;
    DWORD length;
};
