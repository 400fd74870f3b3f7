#include "payload_reader.h"

#include <algorithm>
#include <filesystem>

#include "pack_files.h"
#include "pe_signature.h"

namespace wendle_pack {

namespace {

bool MagicInOtherCaseAt(const std::vector<uint8_t>& file, uint64_t offset)
{
    if (offset + kMagicSize > file.size())
        return false;
    const std::string found(file.begin() + offset, file.begin() + offset + kMagicSize);
    return SameNameIgnoringCase(found, "tvq");
}

// The members into folder, which is made if need be.
bool ExtractRuntime(const uint8_t* archive, const std::vector<RuntimeMember>& members,
                    const std::string& folder, std::string* error)
{
    std::error_code failed;
    std::filesystem::create_directories(std::filesystem::u8path(folder), failed);
    for (const RuntimeMember& member : members) {
        const std::string path = folder + "/" + member.path;
        if (member.folder)
            std::filesystem::create_directories(std::filesystem::u8path(path), failed);
        if (failed) {
            *error = "cannot create the folder " + path + ": " + failed.message();
            return false;
        }
        const std::vector<uint8_t> data(archive + member.dataOffset,
                                        archive + member.dataOffset + member.size);
        if (!member.folder && !WriteOutputFile(path, {{&data}}, error))
            return false;
    }
    return true;
}

bool ZerosBetween(const std::vector<uint8_t>& file, uint64_t from, uint64_t to)
{
    return std::all_of(file.begin() + from, file.begin() + to, [](uint8_t b) { return b == 0; });
}

}  // namespace

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
        if (CheckName(name) != kEntryNameOk) {
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
                     std::string* value, uint64_t bufferSize)
{
    // The launcher reads into its buffer and never past the entry's data.
    uint64_t capacity = entry.length < bufferSize ? entry.length : bufferSize;
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

bool HasBootstrapClass(const std::vector<ListedEntry>& entries)
{
    return entries.size() > 2 && SameNameIgnoringCase(entries[2].name, kBootstrapEntry);
}

std::size_t InstallerJarIndex(const std::vector<ListedEntry>& entries)
{
    if (!HasBootstrapClass(entries))
        return 0;
    for (std::size_t i = 3; i < entries.size(); ++i) {
        if (SameNameIgnoringCase(entries[i].name, kInstallerJarEntry))
            return i;
    }
    return 0;
}

std::size_t RuntimeIndex(const std::vector<ListedEntry>& entries)
{
    for (std::size_t i = 3; i < entries.size(); ++i) {
        if (SameNameIgnoringCase(entries[i].name, kRuntimeEntry))
            return i;
    }
    return 0;
}

bool ReadRuntime(const std::vector<uint8_t>& file, const ListedEntry& entry,
                 const std::string* requirement, RuntimeFacts* facts, std::string* error)
{
    *facts = RuntimeFacts();
    std::vector<RuntimeMember> members;
    const uint8_t* data = file.data() + entry.dataOffset;
    const MemberReader read = [data](const RuntimeMember& member, std::vector<uint8_t>* bytes,
                                     std::string*) {
        bytes->assign(data + member.dataOffset, data + member.dataOffset + member.size);
        return true;
    };
    return ReadRuntimeTar(data, entry.length, true, &members, error) &&
           CheckRuntime(members, read, requirement, facts, error);
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
                 "\", which " + NameFaultText(CheckName(walk.storedName)) +
                 ": refused, nothing written";
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
    std::vector<RuntimeMember> members;
    const std::size_t runtime = RuntimeIndex(walk.entries);
    if (runtime != 0 && !ReadRuntimeTar(file.data() + walk.entries[runtime].dataOffset,
                                        walk.entries[runtime].length, true, &members, error)) {
        *error = "entry " + std::to_string(runtime) + " (" + walk.entries[runtime].name +
                 "): " + *error + ": refused, nothing written";
        return false;
    }
    for (const ListedEntry& entry : walk.entries) {
        const std::string path = directory.empty() ? entry.name : directory + "/" + entry.name;
        if (runtime != 0 && &entry == &walk.entries[runtime]) {
            const std::string folder = directory.empty() ? "runtime" : directory + "/runtime";
            if (!ExtractRuntime(file.data() + entry.dataOffset, members, folder, error))
                return false;
            written->push_back(folder + "/");
            continue;
        }
        const std::vector<uint8_t> data(file.begin() + entry.dataOffset,
                                        file.begin() + entry.dataOffset + entry.length);
        if (!WriteOutputFile(path, {{&data, nullptr}}, error))
            return false;
        written->push_back(path);
    }
    return true;
}

}  // namespace wendle_pack
