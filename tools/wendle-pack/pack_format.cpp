#include "pack_format.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

#include "pe_signature.h"

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

bool MagicAt(const std::vector<uint8_t>& file, uint64_t offset)
{
    return offset + kMagicSize <= file.size() &&
           std::memcmp(&file[offset], kMagic, kMagicSize) == 0;
}

char LowerCase(uint8_t c)
{
    return char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

bool MagicInOtherCaseAt(const std::vector<uint8_t>& file, uint64_t offset)
{
    if (offset + kMagicSize > file.size())
        return false;
    for (std::size_t i = 0; i < kMagicSize; ++i) {
        if (LowerCase(file[offset + i]) != char(kMagic[i]))
            return false;
    }
    return true;
}

bool ZerosBetween(const std::vector<uint8_t>& file, uint64_t from, uint64_t to)
{
    return std::all_of(file.begin() + from, file.begin() + to, [](uint8_t b) { return b == 0; });
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

// An input class file, open for reading, with its size taken from the file
// system: the class is copied in chunks and never held in memory whole.
struct ClassFile {
    std::FILE* in = nullptr;
    uint64_t size = 0;
    ~ClassFile()
    {
        if (in != nullptr)
            std::fclose(in);
    }
};

bool SeekTo(std::FILE* file, uint64_t offset, int origin)
{
#ifdef _WIN32
    return _fseeki64(file, (long long)offset, origin) == 0;
#else
    return fseeko(file, (off_t)offset, origin) == 0;
#endif
}

uint64_t Position(std::FILE* file)
{
#ifdef _WIN32
    return (uint64_t)_ftelli64(file);
#else
    return (uint64_t)ftello(file);
#endif
}

// Opens path and checks that it starts with CA FE BA BE.
bool OpenClassFile(const std::string& path, ClassFile* file, std::string* error)
{
    file->in = std::fopen(path.c_str(), "rb");
    if (file->in == nullptr) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    char magic[sizeof kClassMagic];
    std::size_t got = std::fread(magic, 1, sizeof magic, file->in);
    // A directory opens on some systems and fails only on the first read.
    if (std::ferror(file->in)) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    if (got < sizeof magic || std::memcmp(magic, kClassMagic, sizeof kClassMagic) != 0) {
        *error = "class file " + path + " does not start with CA FE BA BE: not a Java class file";
        return false;
    }
    if (!SeekTo(file->in, 0, SEEK_END)) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    file->size = Position(file->in);
    if (!SeekTo(file->in, 0, SEEK_SET)) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Writes head, then the whole of body (when given) in large chunks, then tail.
bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& head, ClassFile* body,
                     const std::vector<uint8_t>& tail, std::string* error)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(head.data(), 1, head.size(), out) == head.size();
    std::vector<char> chunk(1 << 20);
    uint64_t copied = 0;
    std::size_t got;
    while (written && body != nullptr &&
           (got = std::fread(chunk.data(), 1, chunk.size(), body->in)) > 0) {
        written = std::fwrite(chunk.data(), 1, got, out) == got;
        copied += got;
    }
    int writeErrno = errno;
    if (written && body != nullptr && copied != body->size) {
        std::fclose(out);
        *error = "the class file changed its size while it was packed";
        return false;
    }
    written = written && std::fwrite(tail.data(), 1, tail.size(), out) == tail.size() &&
              std::fflush(out) == 0;
    if (!written)
        writeErrno = errno;
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

uint32_t ReadUInt32At(const std::vector<uint8_t>& file, uint64_t offset)
{
    return uint32_t(file[offset]) | uint32_t(file[offset + 1]) << 8 |
           uint32_t(file[offset + 2]) << 16 | uint32_t(file[offset + 3]) << 24;
}

std::string Hex(uint64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", (unsigned long long)value);
    return text;
}

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

std::vector<uint8_t> EncodePayload(const std::vector<Entry>& entries, uint32_t payloadStart,
                                   uint32_t alignment)
{
    std::vector<uint8_t> out;
    for (const Entry& entry : entries)
        AppendEntryBytes(out, entry.name, entry.kind, uint32_t(entry.data.size()), entry.data);
    out.resize(out.size() + PaddingFor(uint64_t(payloadStart) + out.size() + kTrailerSize,
                                       alignment));
    AppendUInt32(out, payloadStart);
    return out;
}

uint32_t PaddingFor(uint64_t size, uint32_t alignment)
{
    if (alignment <= 1)
        return 0;
    return uint32_t((alignment - size % alignment) % alignment);
}

bool IsValidAlignment(uint64_t alignment)
{
    return alignment >= 1 && alignment <= kMaxAlignment && (alignment & (alignment - 1)) == 0;
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

bool WalkPayload(const std::vector<uint8_t>& file, ChainWalk* walk, std::string* error)
{
    *walk = ChainWalk();
    walk->payloadEnd = PayloadEnd(file);
    const uint64_t payloadEnd = walk->payloadEnd;
    if (payloadEnd < kTrailerSize) {
        *error = "no payload: the file is shorter than the 4-byte trailer";
        return false;
    }
    walk->trailer = payloadEnd - kTrailerSize;
    walk->firstEntry = ReadUInt32At(file, walk->trailer);
    // The launcher compares with the end of the trailer; nothing can start
    // behind the trailer's first byte, and the walk below finds that out.
    if (walk->firstEntry > payloadEnd) {
        *error = "no payload: the trailer at " + Hex(walk->trailer) + " points at " +
                 Hex(walk->firstEntry) + ", beyond " +
                 (payloadEnd == file.size() ? "the end of the file"
                                            : "the certificate table's start");
        return false;
    }

    const uint64_t trailer = walk->trailer;
    uint64_t position = walk->firstEntry;
    for (;;) {
        walk->endPosition = position;
        if (position > trailer || !MagicAt(file, position)) {
            if (position == trailer)
                walk->end = ChainEnd::kTrailer;
            else if (position < trailer && ZerosBetween(file, position, trailer))
                walk->end = ChainEnd::kPadding;
            else if (MagicInOtherCaseAt(file, position))
                walk->end = ChainEnd::kMagicCase;
            else
                walk->end = ChainEnd::kOtherBytes;
            break;
        }
        if (walk->entries.size() == kMaxEntries) {
            walk->end = ChainEnd::kTenEntries;
            break;
        }
        // The launcher's name buffer holds kMaxNameLength characters and the
        // NUL; a longer name is kept for the message, up to a setting's size.
        const uint64_t nameStart = position + kMagicSize;
        const uint64_t limit = std::min<uint64_t>(file.size(), nameStart + kMaxStringLength + 1);
        uint64_t nameEnd = nameStart;
        while (nameEnd < limit && file[nameEnd] != 0)
            ++nameEnd;
        const std::string name(file.begin() + nameStart, file.begin() + nameEnd);
        if (nameEnd - nameStart > kMaxNameLength || nameEnd == file.size()) {
            walk->storedName = name;
            walk->end = ChainEnd::kLongName;
            break;
        }
        if (!IsPlainFileName(name)) {
            walk->storedName = name;
            walk->end = ChainEnd::kBadName;
            break;
        }
        ListedEntry entry;
        entry.headerOffset = uint32_t(position);
        entry.name = name;
        const uint64_t fields = nameEnd + 1;
        const uint64_t dataOffset = fields + 8;
        if (dataOffset > trailer) {
            walk->end = ChainEnd::kHeaderCut;
            break;
        }
        entry.kind = ReadUInt32At(file, fields);
        entry.length = ReadUInt32At(file, fields + 4);
        if (entry.length > trailer - dataOffset) {
            walk->storedLength = entry.length;
            walk->end = ChainEnd::kDataCut;
            break;
        }
        entry.dataOffset = uint32_t(dataOffset);
        walk->entries.push_back(entry);
        position = dataOffset + entry.length;
    }
    return true;
}

bool ReadPayload(const std::vector<uint8_t>& file, std::vector<ListedEntry>* entries,
                 std::string* error)
{
    entries->clear();
    ChainWalk walk;
    if (!WalkPayload(file, &walk, error))
        return false;
    *entries = walk.entries;
    if (entries->empty()) {
        *error = "no payload: no entry at " + Hex(walk.firstEntry) + ", where the trailer points";
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
    const uint64_t payloadEnd = PayloadEnd(file);
    if (payloadEnd < kTrailerSize)
        return false;
    return MagicAt(file, ReadUInt32At(file, payloadEnd - kTrailerSize));
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

namespace {

// Makes stub the launcher as it was built: without signature and payload.
// Without force, either of them is refused.
bool CutToLauncher(const std::string& stubPath, bool force, std::vector<uint8_t>* stub,
                   std::string* error)
{
    const CertificateTable table = FindCertificateTable(*stub);
    if (table.state == CertificateTable::kAtEnd) {
        if (!force) {
            *error = "stub " + stubPath + " is signed (certificate table at " + Hex(table.offset) +
                     "): a payload added now would not be covered by its signature; pack the "
                     "unsigned launcher and sign the packed file (--force drops the signature)";
            return false;
        }
        if (!RemoveSignature(stub)) {
            *error = "stub " + stubPath + ": its certificate table at " + Hex(table.offset) +
                     " overlaps the executable's headers";
            return false;
        }
    }
    if (HasPayload(*stub)) {
        const uint32_t firstEntry = ReadUInt32At(*stub, stub->size() - kTrailerSize);
        if (!force) {
            *error = "stub " + stubPath + " already carries a payload (first entry at " +
                     Hex(firstEntry) +
                     "); pack the launcher as it was built (--force replaces the payload)";
            return false;
        }
        stub->resize(firstEntry);
    }
    return true;
}

}  // namespace

bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, std::string* error)
{
    return BuildPackedFile(stubPath, requirement, url, classPath, outputPath, BuildOptions(),
                           error);
}

bool BuildPackedFile(const std::string& stubPath, const std::string& requirement,
                     const std::string& url, const std::string& classPath,
                     const std::string& outputPath, const BuildOptions& options,
                     std::string* error)
{
    if (!IsValidAlignment(options.alignment)) {
        *error = "alignment " + std::to_string(options.alignment) +
                 " is not a power of two from 1 to " + std::to_string(kMaxAlignment);
        return false;
    }
    const std::string className = FileNamePart(classPath);
    if (!CheckStringValue("the requirement", requirement, error) ||
        !CheckStringValue("the URL", url, error) || !CheckClassFileName(className, error))
        return false;

    std::vector<uint8_t> stub;
    if (!ReadWholeFile(stubPath, &stub, error) ||
        !CutToLauncher(stubPath, options.force, &stub, error))
        return false;

    ClassFile classFile;
    if (!OpenClassFile(classPath, &classFile, error))
        return false;
    // The class entry's name is checked here with its data left out; its
    // size counts below.
    Entry classEntry;
    classEntry.name = className;
    std::vector<Entry> entries{StringEntry(kRequirementEntry, requirement),
                               StringEntry(kUrlEntry, url), classEntry};
    if (!CheckPayload(entries, stub.size(), error))
        return false;

    // stub | setting entries | class entry header  |  class data  |  padding | trailer
    std::vector<uint8_t> head = stub;
    for (const Entry& entry : entries) {
        uint64_t length = &entry == &entries.back() ? classFile.size : entry.data.size();
        if (length > kMaxOffset) {
            *error = "class file " + classPath + " is larger than 4 GB";
            return false;
        }
        AppendEntryBytes(head, entry.name, entry.kind, uint32_t(length), entry.data);
    }
    const uint64_t dataEnd = head.size() + classFile.size;
    std::vector<uint8_t> tail(PaddingFor(dataEnd + kTrailerSize, options.alignment));
    AppendUInt32(tail, uint32_t(stub.size()));
    if (dataEnd + tail.size() > kMaxOffset) {
        *error = "the packed file would be " + std::to_string(dataEnd + tail.size()) +
                 " bytes; offsets in the payload end below 4 GB";
        return false;
    }

    // Written beside the output and renamed into place, so that a failure
    // never leaves a half-written or a missing executable behind.
    const std::string partialPath = outputPath + ".partial";
    if (!WriteOutputFile(partialPath, head, &classFile, tail, error) ||
        !MoveIntoPlace(partialPath, outputPath, error)) {
        std::remove(partialPath.c_str());
        return false;
    }
    return true;
}

bool ExtractEntries(const std::vector<uint8_t>& file, const std::string& directory,
                    std::vector<std::string>* written, std::string* error)
{
    written->clear();
    ChainWalk walk;
    if (!WalkPayload(file, &walk, error))
        return false;
    if (walk.end == ChainEnd::kBadName) {
        *error = "entry " + std::to_string(walk.entries.size()) + " at " + Hex(walk.endPosition) +
                 " is named \"" + walk.storedName +
                 "\", which is not a plain file name: refused, nothing written";
        return false;
    }
    if (walk.entries.empty()) {
        *error = "no payload: no entry at " + Hex(walk.firstEntry) + ", where the trailer points";
        return false;
    }
    for (std::size_t i = 0; i < walk.entries.size(); ++i) {
        if (walk.entries[i].kind != 0) {
            *error = "entry " + std::to_string(i) + " (" + walk.entries[i].name + ") has kind " +
                     std::to_string(walk.entries[i].kind) +
                     ", which the launcher cannot extract: refused, nothing written";
            return false;
        }
    }
    for (const ListedEntry& entry : walk.entries) {
        const std::string path = directory.empty() ? entry.name : directory + "/" + entry.name;
        const std::vector<uint8_t> data(file.begin() + entry.dataOffset,
                                        file.begin() + entry.dataOffset + entry.length);
        if (!WriteOutputFile(path, data, nullptr, {}, error))
            return false;
        written->push_back(path);
    }
    return true;
}

}  // namespace wendle_pack
