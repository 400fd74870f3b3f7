#include "pack_format.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace wendle_pack {

const char kRequirementEntry[] = "CommandLine";
const char kUrlEntry[] = "URL";

namespace {

const uint8_t kMagic[kMagicSize] = {'t', 'v', 'q'};
const uint64_t kMaxOffset = 0xFFFFFFFFu;
const char kClassMagic[4] = {'\xCA', '\xFE', '\xBA', '\xBE'};
const char kClassSuffix[] = ".class";

// Bytes of an entry in front of its data: magic, name, NUL, kind, length.
uint64_t HeaderSize(const std::string& name)
{
    return kMagicSize + name.size() + 1 + 4 + 4;
}

uint32_t ReadUInt32At(const std::vector<uint8_t>& file, uint64_t offset)
{
    return uint32_t(file[offset]) | uint32_t(file[offset + 1]) << 8 |
           uint32_t(file[offset + 2]) << 16 | uint32_t(file[offset + 3]) << 24;
}

bool MagicAt(const std::vector<uint8_t>& file, uint64_t offset)
{
    return offset + kMagicSize <= file.size() &&
           std::memcmp(&file[offset], kMagic, kMagicSize) == 0;
}

std::string Hex(uint64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", (unsigned long long)value);
    return text;
}

bool EndsWithClassSuffix(const std::string& name)
{
    const std::size_t suffixLength = sizeof kClassSuffix - 1;
    if (name.size() <= suffixLength)
        return false;
    for (std::size_t i = 0; i < suffixLength; ++i) {
        char c = name[name.size() - suffixLength + i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != kClassSuffix[i])
            return false;
    }
    return true;
}

bool CheckClassFileName(const std::string& name, std::string* error)
{
    if (!IsPlainFileName(name)) {
        *error = "class file name \"" + name +
                 "\" is not a plain file name: the launcher extracts it into a directory";
        return false;
    }
    if (name.size() > kMaxNameLength) {
        *error = "class file name \"" + name + "\" has " + std::to_string(name.size()) +
                 " characters; the launcher holds entry names of at most " +
                 std::to_string(kMaxNameLength);
        return false;
    }
    // The VM is told the class name, and looks for a file of that name with
    // this suffix.
    if (!EndsWithClassSuffix(name)) {
        *error = "class file name \"" + name + "\" does not end in \".class\"";
        return false;
    }
    return true;
}

bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& head,
               const std::vector<uint8_t>& tail, std::string* error)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(head.data(), 1, head.size(), out) == head.size() &&
                   std::fwrite(tail.data(), 1, tail.size(), out) == tail.size() &&
                   std::fflush(out) == 0;
    int writeErrno = errno;
    if (std::fclose(out) != 0 && written) {
        written = false;
        writeErrno = errno;
    }
    if (!written) {
        *error = "cannot write " + path + ": " + std::strerror(writeErrno);
        return false;
    }
    return true;
}

bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* error)
{
#ifdef _WIN32
    // rename() on Windows refuses an existing target.
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        *error = "cannot rename " + from + " to " + to + ": Windows error " +
                 std::to_string(GetLastError());
        return false;
    }
#else
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        *error = "cannot rename " + from + " to " + to + ": " + std::strerror(errno);
        return false;
    }
#endif
    return true;
}

}  // namespace

Entry StringEntry(const std::string& name, const std::string& value)
{
    Entry entry;
    entry.name = name;
    entry.data.assign(value.begin(), value.end());
    entry.data.push_back(0);
    return entry;
}

void AppendUInt32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}

void AppendEntryBytes(std::vector<uint8_t>& out, const std::string& name, uint32_t kind,
                      uint32_t length, const std::vector<uint8_t>& data)
{
    out.insert(out.end(), kMagic, kMagic + kMagicSize);
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    AppendUInt32(out, kind);
    AppendUInt32(out, length);
    out.insert(out.end(), data.begin(), data.end());
}

std::vector<uint8_t> EncodePayload(const std::vector<Entry>& entries, uint32_t payloadStart)
{
    std::vector<uint8_t> out;
    for (const Entry& entry : entries)
        AppendEntryBytes(out, entry.name, entry.kind, uint32_t(entry.data.size()), entry.data);
    AppendUInt32(out, payloadStart);
    return out;
}

std::string FileNamePart(const std::string& path)
{
    std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool IsPlainFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
}

bool TrailerSpellsMagic(uint32_t firstEntryOffset)
{
    return (firstEntryOffset & 0xFF) == kMagic[0] &&
           (firstEntryOffset >> 8 & 0xFF) == kMagic[1] &&
           (firstEntryOffset >> 16 & 0xFF) == kMagic[2];
}

bool CheckPayload(const std::vector<Entry>& entries, uint64_t payloadStart, std::string* error)
{
    if (entries.size() > kMaxEntries) {
        *error = std::to_string(entries.size()) + " entries; the launcher reads at most " +
                 std::to_string(kMaxEntries);
        return false;
    }
    uint64_t position = payloadStart;
    for (const Entry& entry : entries) {
        if (!IsPlainFileName(entry.name)) {
            *error = "entry name \"" + entry.name + "\" is not a plain file name";
            return false;
        }
        if (entry.name.size() > kMaxNameLength) {
            *error = "entry name \"" + entry.name + "\" has " + std::to_string(entry.name.size()) +
                     " characters; the launcher holds at most " + std::to_string(kMaxNameLength);
            return false;
        }
        position += HeaderSize(entry.name) + entry.data.size();
    }
    if (position + kTrailerSize > kMaxOffset) {
        *error = "the packed file would be " + std::to_string(position + kTrailerSize) +
                 " bytes; offsets in the payload end below 4 GB";
        return false;
    }
    if (TrailerSpellsMagic(uint32_t(payloadStart))) {
        *error = "a stub of " + std::to_string(payloadStart) +
                 " bytes gives a trailer whose first bytes read as an entry's magic";
        return false;
    }
    return true;
}

bool CheckStringValue(const std::string& what, const std::string& value, std::string* error)
{
    if (value.find('\0') != std::string::npos) {
        *error = what + " contains a NUL character";
        return false;
    }
    if (value.size() > kMaxStringLength) {
        *error = what + " has " + std::to_string(value.size()) +
                 " characters; the launcher holds at most " + std::to_string(kMaxStringLength);
        return false;
    }
    return true;
}

bool ReadPayload(const std::vector<uint8_t>& file, std::vector<ListedEntry>* entries,
                 std::string* error)
{
    entries->clear();
    const uint64_t size = file.size();
    if (size < kTrailerSize) {
        *error = "no payload: the file is shorter than the 4-byte trailer";
        return false;
    }
    const uint64_t payloadEnd = size - kTrailerSize;
    const uint64_t firstEntry = ReadUInt32At(file, payloadEnd);
    if (firstEntry > size) {
        *error = "no payload: the trailer points at " + Hex(firstEntry) +
                 ", beyond the end of the file";
        return false;
    }
    uint64_t position = firstEntry;
    while (entries->size() < kMaxEntries && position <= payloadEnd && MagicAt(file, position)) {
        // The launcher's name buffer holds kMaxNameLength characters and the NUL.
        uint64_t nameStart = position + kMagicSize;
        uint64_t limit = std::min<uint64_t>(size, nameStart + kMaxNameLength + 1);
        uint64_t nameEnd = nameStart;
        while (nameEnd < limit && file[nameEnd] != 0)
            ++nameEnd;
        if (nameEnd == limit)
            break;
        ListedEntry entry;
        entry.headerOffset = uint32_t(position);
        entry.name.assign(file.begin() + nameStart, file.begin() + nameEnd);
        if (!IsPlainFileName(entry.name))
            break;
        uint64_t fields = nameEnd + 1;
        uint64_t dataOffset = fields + 8;
        if (dataOffset > payloadEnd)
            break;
        entry.kind = ReadUInt32At(file, fields);
        entry.length = ReadUInt32At(file, fields + 4);
        if (entry.length > payloadEnd - dataOffset)
            break;
        entry.dataOffset = uint32_t(dataOffset);
        entries->push_back(entry);
        position = dataOffset + entry.length;
    }
    if (entries->empty()) {
        *error = "no payload: no entry at " + Hex(firstEntry) + ", where the trailer points";
        return false;
    }
    return true;
}

bool ReadStringValue(const std::vector<uint8_t>& file, const ListedEntry& entry,
                     std::string* value)
{
    // The launcher reads into a 260-byte buffer and never past the entry's data.
    uint64_t capacity = entry.length < kMaxStringLength + 1 ? entry.length : kMaxStringLength + 1;
    uint64_t end = uint64_t(entry.dataOffset) + capacity;
    if (end > file.size())
        end = file.size();
    for (uint64_t at = entry.dataOffset; at < end; ++at) {
        if (file[at] == 0) {
            value->assign(file.begin() + entry.dataOffset, file.begin() + at);
            return true;
        }
    }
    return false;
}

bool HasPayload(const std::vector<uint8_t>& file)
{
    if (file.size() < kTrailerSize)
        return false;
    return MagicAt(file, ReadUInt32At(file, file.size() - kTrailerSize));
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    bytes->clear();
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    // A directory opens on some systems and fails only on the first read.
    bool failed = std::ferror(in) != 0;
    int readErrno = errno;
    std::fclose(in);
    if (failed) {
        *error = "cannot read " + path + ": " + std::strerror(readErrno);
        return false;
    }
    return true;
}

bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, std::string* error)
{
    const std::string className = FileNamePart(classPath);
    if (!CheckStringValue("the requirement", requirement, error) ||
        !CheckStringValue("the URL", url, error) || !CheckClassFileName(className, error))
        return false;

    std::vector<uint8_t> stub;
    if (!ReadWholeFile(stubPath, &stub, error))
        return false;
    if (HasPayload(stub)) {
        *error = "stub " + stubPath + " already carries a payload (first entry at " +
                 Hex(ReadUInt32At(stub, stub.size() - kTrailerSize)) +
                 "); pack the launcher as it was built";
        return false;
    }

    std::vector<Entry> entries;
    entries.push_back(StringEntry(kRequirementEntry, requirement));
    entries.push_back(StringEntry(kUrlEntry, url));
    Entry classEntry;
    classEntry.name = className;
    if (!ReadWholeFile(classPath, &classEntry.data, error))
        return false;
    if (classEntry.data.size() < sizeof kClassMagic ||
        std::memcmp(classEntry.data.data(), kClassMagic, sizeof kClassMagic) != 0) {
        *error = "class file " + classPath + " does not start with CA FE BA BE: not a Java class file";
        return false;
    }
    entries.push_back(std::move(classEntry));

    if (!CheckPayload(entries, stub.size(), error))
        return false;
    std::vector<uint8_t> payload = EncodePayload(entries, uint32_t(stub.size()));

    // Written beside the output and renamed into place, so that a failure
    // never leaves a half-written or a missing executable behind.
    const std::string partialPath = outputPath + ".partial";
    if (!WriteOutputFile(partialPath, stub, payload, error) ||
        !MoveIntoPlace(partialPath, outputPath, error)) {
        std::remove(partialPath.c_str());
        return false;
    }
    return true;
}

}  // namespace wendle_pack
