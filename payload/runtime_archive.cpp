#include "payload/runtime_archive.h"

#include <stdlib.h>

#include "payload/exception.h"
#include "payload/paths.h"
#include "payload/tar_header.h"
#include "payload/text_buffer.h"
#include "payload/work_folder.h"

namespace {

// size bytes from source's position into a new file at path.
bool WriteMember(FileHandle& source, const char* path, DWORD size, char* buffer)
{
    FileHandle target;
    // A name met twice, in any letter case, is refused, not overwritten.
    target.CreateNew(path);
    while (size > 0) {
        DWORD chunk = size < kRuntimeChunkSize ? size : kRuntimeChunkSize;
        if (source.Read(buffer, chunk) != chunk)
            return false;
        target.Write(buffer, chunk);
        size -= chunk;
    }
    return true;
}

}  // namespace

RuntimeArchive::RuntimeArchive(FileHandle& archiveFile, const PayloadEntry& entry)
    : file(archiveFile), dataOffset(entry.dataOffset), length(entry.length)
{
}

bool RuntimeArchive::Walk(const char* folder, char* buffer)
{
    for (DWORD position = 0; length - position >= kTarBlockSize;) {
        file.Seek(dataOffset + position, FILE_BEGIN);
        if (file.Read(buffer, kTarBlockSize) != kTarBlockSize)
            return false;
        position += kTarBlockSize;
        char name[kTextBufferSize];
        unsigned long size = 0;
        TarMember member = ReadTarHeader((const unsigned char*)buffer, length - position, name,
                                         sizeof name, &size);
        if (member != kTarFile && member != kTarFolder)
            return member == kTarEnd;
        char path[kTextBufferSize];
        if (folder != NULL &&
            (!CopyText(path, sizeof path, folder) || !AppendPath(path, name) ||
             (member == kTarFolder ? !CreateDirectoryA(path, NULL)
                                   : !WriteMember(file, path, size, buffer))))
            return false;
        // The header check keeps the padded size within the entry.
        position += (size + kTarBlockSize - 1) & ~(kTarBlockSize - 1);
    }
    return false;   // cut: no end block
}

bool RuntimeArchive::UnpackTo(const char* folder)
{
    char* buffer = (char*)malloc(kRuntimeChunkSize);
    if (buffer == NULL)
        return false;
    bool created = false, unpacked = false;
    try {
        unpacked = Walk(NULL, buffer) && (created = CreateDirectoryA(folder, NULL) != FALSE) &&
                   Walk(folder, buffer);
    } catch (CException* error) {
        delete error;
        unpacked = false;
    }
    if (created && !unpacked)
        RemoveFolderTree(folder);
    free(buffer);
    return unpacked;
}
