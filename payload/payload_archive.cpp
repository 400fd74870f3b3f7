#include "payload/payload_archive.h"

#include <new>
#include <stdlib.h>
#include <string.h>

#include "payload/entry_name.h"
#include "payload/exception.h"
#include "payload/paths.h"
#include "payload/run_log.h"
#include "payload/text_buffer.h"

PayloadEntry::PayloadEntry(const char* entryName, DWORD entryKind, DWORD entryLength,
                           DWORD entryDataOffset)
    : kind(entryKind), length(entryLength), dataOffset(entryDataOffset)
{
    name[0] = '\0';
    CopyText(name, sizeof name, entryName);
}

bool PayloadEntry::ReadString(FileHandle& file, char* destination, size_t size)
{
    file.Seek(dataOffset, FILE_BEGIN);
    // A text whose NUL lies beyond its own data is malformed: reading on
    // would take bytes of the next entry.
    size_t capacity = length < size ? length : size;
    if (!file.ReadCString(destination, capacity)) {
        if (capacity > 0)
            destination[0] = '\0';
        return false;
    }
    return true;
}

void PayloadEntry::ExtractTo(FileHandle& file, const char* targetPath)
{
    file.Seek(dataOffset, FILE_BEGIN);
    FileHandle target;
    target.CreateWrite(targetPath);
    // A cut-off file must not stay: an installer would start on it, and a
    // save would leave it where the user looks for the whole one.
    try {
        if (kind != 0)
            ThrowWin32Error(GetLastError());
        CopyBytes(file, target, length);
    } catch (CException*) {
        target.Close();
        DeleteFileA(targetPath);
        throw;
    }
    target.Close();
}

void PayloadEntry::ExtractToDir(FileHandle& file, const char* directory, const char* entryName)
{
    char path[kTextBufferSize];
    if (!CopyText(path, sizeof path, directory) || !AppendPath(path, entryName))
        ThrowWin32Error(ERROR_FILENAME_EXCED_RANGE);
    ExtractTo(file, path);
}

PayloadArchive::PayloadArchive()
{
    for (int slot = 0; slot < kMaxPayloadEntries; ++slot)
        entries[slot] = NULL;
}

PayloadArchive::~PayloadArchive()
{
    Clear();
}

void PayloadArchive::Clear()
{
    for (int slot = 0; slot < kMaxPayloadEntries; ++slot) {
        delete entries[slot];
        entries[slot] = NULL;
    }
}

int PayloadArchive::CountEntries() const
{
    int count = 0;
    while (count < kMaxPayloadEntries && entries[count] != NULL)
        ++count;
    return count;
}

void PayloadArchive::ReadDirectoryFrom(const char* path)
{
    Clear();
    file.OpenRead(path);
    DWORD end = FindPayloadEnd(file, file.GetSize());
    if (end < 4)
        return;
    file.Seek(end - 4, FILE_BEGIN);
    DWORD firstEntry = 0;
    if (!file.ReadUInt32(&firstEntry) || firstEntry > end)
        return;
    try {
        WalkChain(firstEntry, end - 4);
    } catch (CException* error) {
        delete error;
    }
}

// Every header and every entry's data must lie in front of the trailer
// (payloadEnd); the walk ends at the first entry that does not, at the first
// position without the magic, at a name that is no file name it may write
// into its folder (entry_name.h), and after the tenth entry.
void PayloadArchive::WalkChain(DWORD position, DWORD payloadEnd)
{
    for (int slot = 0; slot < kMaxPayloadEntries; ++slot) {
        char name[kTextBufferSize];
        name[0] = '\0';
        if (position > payloadEnd)
            return;
        file.Seek(position, FILE_BEGIN);
        unsigned char magic[3];
        if (file.Read(magic, 3) != 3 || magic[0] != 't' || magic[1] != 'v' || magic[2] != 'q')
            return;
        if (!file.ReadCString(name, kEntryNameSize) || !IsWritableEntryName(name))
            return;
        DWORD kind = 0;
        DWORD length = 0;
        if (!file.ReadUInt32(&kind) || !file.ReadUInt32(&length))
            return;
        DWORD dataOffset = file.Tell();
        if (dataOffset > payloadEnd || length > payloadEnd - dataOffset)
            return;
        entries[slot] = new (std::nothrow) PayloadEntry(name, kind, length, dataOffset);
        if (entries[slot] == NULL)
            return;
        position = dataOffset + length;
    }
}

void PayloadArchive::ExtractAll(const char* directory, int firstSlot)
{
    for (int slot = firstSlot; slot < kMaxPayloadEntries && entries[slot] != NULL; ++slot) {
        if (_stricmp(entries[slot]->name, kRuntimeEntry) == 0)
            continue;
        entries[slot]->ExtractToDir(file, directory, entries[slot]->name);
        LogLine("extracted %s, %lu bytes", entries[slot]->name, entries[slot]->length);
    }
}

PayloadEntry* PayloadArchive::FindEntry(const char* name) const
{
    for (int slot = 0; slot < kMaxPayloadEntries && entries[slot] != NULL; ++slot) {
        if (_stricmp(entries[slot]->name, name) == 0)
            return entries[slot];
    }
    return NULL;
}

void PayloadArchive::Close()
{
    file.Close();
}

namespace {

// The PE headers as far as the security directory: the DOS header's field
// with the offset of the "PE\0\0" signature, the file header behind that
// signature, then the optional header, whose data directories start at a
// fixed place for each of its two formats.
const DWORD kPeOffsetField = 0x3C;
const DWORD kSignatureSize = 4;
const DWORD kFileHeaderSize = 20;
const DWORD kOptionalSizeField = 16;   // within the file header
const DWORD kPe32Magic = 0x10B;
const DWORD kPe32PlusMagic = 0x20B;
const DWORD kPe32Directories = 96;     // within the optional header
const DWORD kPe32PlusDirectories = 112;
const DWORD kDirectorySize = 8;
const DWORD kSecurityDirectory = 4;

DWORD LittleEndian16(const unsigned char* bytes)
{
    return bytes[0] | (DWORD)bytes[1] << 8;
}

DWORD LittleEndian32(const unsigned char* bytes)
{
    return bytes[0] | (DWORD)bytes[1] << 8 | (DWORD)bytes[2] << 16 | (DWORD)bytes[3] << 24;
}

// Reads count bytes at offset; false when the file ends before them.
bool ReadAt(FileHandle& file, DWORD fileSize, DWORD offset, unsigned char* destination,
            DWORD count)
{
    if (offset > fileSize || count > fileSize - offset)
        return false;
    file.Seek(offset, FILE_BEGIN);
    return file.Read(destination, count) == count;
}

}  // namespace

DWORD FindPayloadEnd(FileHandle& file, DWORD fileSize)
{
    unsigned char dosHeader[kPeOffsetField + 4];
    if (!ReadAt(file, fileSize, 0, dosHeader, sizeof dosHeader) || dosHeader[0] != 'M' ||
        dosHeader[1] != 'Z')
        return fileSize;
    DWORD peOffset = LittleEndian32(dosHeader + kPeOffsetField);

    // Enough for the deepest security entry, a PE32+ one; a PE32 file may
    // end sooner.
    unsigned char headers[kSignatureSize + kFileHeaderSize + kPe32PlusDirectories +
                          (kSecurityDirectory + 1) * kDirectorySize];
    DWORD available = fileSize >= peOffset ? fileSize - peOffset : 0;
    DWORD got = available < sizeof headers ? available : (DWORD)sizeof headers;
    const DWORD optionalStart = kSignatureSize + kFileHeaderSize;
    if (got < optionalStart + 2 || !ReadAt(file, fileSize, peOffset, headers, got) ||
        memcmp(headers, "PE\0\0", kSignatureSize) != 0)
        return fileSize;
    DWORD optionalSize = LittleEndian16(headers + kSignatureSize + kOptionalSizeField);
    const unsigned char* optional = headers + optionalStart;
    DWORD magic = LittleEndian16(optional);
    DWORD directories = magic == kPe32Magic       ? kPe32Directories
                        : magic == kPe32PlusMagic ? kPe32PlusDirectories
                                                  : 0;
    DWORD entry = directories + kSecurityDirectory * kDirectorySize;
    if (directories == 0 || optionalSize < entry + kDirectorySize ||
        got < optionalStart + entry + kDirectorySize)
        return fileSize;
    // The number of directories stands right in front of them.
    if (LittleEndian32(optional + directories - 4) <= kSecurityDirectory)
        return fileSize;

    // Signing tools append the table at the very end of the file.
    DWORD tableOffset = LittleEndian32(optional + entry);
    DWORD tableSize = LittleEndian32(optional + entry + 4);
    if (tableOffset == 0 || tableSize == 0 || tableSize > fileSize ||
        tableOffset != fileSize - tableSize)
        return fileSize;
    return tableOffset;
}

DWORD CopyBytes(FileHandle& source, FileHandle& target, DWORD count)
{
    char* buffer = (char*)malloc(kCopyChunkSize);
    if (buffer == NULL)
        ThrowWin32Error(ERROR_NOT_ENOUGH_MEMORY);
    DWORD chunks = 0;
    try {
        while (count > 0) {
            DWORD chunk = count < kCopyChunkSize ? count : kCopyChunkSize;
            // A source that ends early (a setup file cut off on its way, or
            // on a share that went away) fails as a failed read does.
            if (source.Read(buffer, chunk) != chunk)
                ThrowWin32Error(ERROR_HANDLE_EOF);
            target.Write(buffer, chunk);
            ++chunks;
            count -= chunk;
        }
    } catch (CException*) {
        free(buffer);
        throw;
    }
    free(buffer);
    return chunks;
}
