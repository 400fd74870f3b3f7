// One 512-byte header of the runtime archive that wendle-pack writes: POSIX
// ustar, regular files and folders only, each path in the name field with
// '/' between its parts. Plain C++ without windows.h, so that the payload
// fuzzer runs the launcher's own check natively.
#pragma once

#include <stddef.h>

const unsigned long kTarBlockSize = 512;

enum TarMember {
    kTarRefused,   // anything the launcher does not write
    kTarEnd,       // a block of zeros: the end of the archive
    kTarFile,
    kTarFolder,
};

// Reads the header block. room: the bytes of the archive behind the block,
// where the member's data and its padding to a whole block must fit. A
// header is taken only with its checksum right, the ustar magic, type '0'
// (or NUL) or '5', a path of at most 99 characters with nothing in the
// prefix field, no absolute path and no part that IsWritableEntryName
// refuses, and a folder of size 0. path (pathSize bytes) gets the path with
// backslashes and without a folder's trailing slash, size the data bytes.
TarMember ReadTarHeader(const unsigned char* block, unsigned long room, char* path,
                        size_t pathSize, unsigned long* size);
