// libFuzzer target: wendle-pack's payload reader, which every packed file
// passes (wendle-pack list and verify, the tests' expectations of what the
// launcher reads). Any input must be read without a fault, and what is read
// must be what the bytes say: each entry lies where the chain leads, inside
// the payload, with a plain name and a string value up to its NUL. The same
// bytes are also read as a runtime's archive, by the launcher's own header
// check (payload/tar_header.h) and by wendle-pack's reader: both take the
// same members and stop at the same header.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pack_format.h"
#include "payload/tar_header.h"
#include "pe_signature.h"

namespace {

void Require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "payload_fuzzer: %s\n", what);
        std::abort();
    }
}

void CheckStringValue(const std::vector<uint8_t>& file, const wendle_pack::ListedEntry& entry)
{
    std::string value;
    const uint64_t window =
        std::min<uint64_t>(entry.length, wendle_pack::kMaxStringLength + 1);
    const uint64_t end = std::min<uint64_t>(uint64_t(entry.dataOffset) + window, file.size());
    uint64_t nul = entry.dataOffset;
    while (nul < end && file[nul] != 0)
        ++nul;
    const bool hasNul = nul < end;
    const bool read = wendle_pack::ReadStringValue(file, entry, &value);
    Require(read == hasNul, "a value is read exactly when its NUL lies within its data and 260 bytes");
    if (read) {
        Require(value.size() == nul - entry.dataOffset, "the value ends at its NUL");
        Require(value.size() <= wendle_pack::kMaxStringLength, "the value fits 260 bytes");
        Require(std::memcmp(value.data(), file.data() + entry.dataOffset, value.size()) == 0,
                "the value is the entry's bytes");
    }
}

void CheckRuntimeArchive(const uint8_t* data, size_t size)
{
    std::vector<wendle_pack::RuntimeMember> members;
    std::string error;
    const bool read = wendle_pack::ReadRuntimeTar(data, size, false, &members, &error);
    std::vector<std::string> launcher, pack;
    bool taken = false;
    for (size_t position = 0; !taken && size - position >= kTarBlockSize;) {
        char path[260];
        unsigned long length = 0;
        const TarMember member = ReadTarHeader(data + position, size - position - kTarBlockSize, path, sizeof path, &length);
        if (member == kTarRefused)
            break;
        taken = member == kTarEnd;
        if (!taken)
            launcher.push_back(path + std::string(member == kTarFolder ? "\\ " : " ") + std::to_string(length));
        position += kTarBlockSize + (length + kTarBlockSize - 1) / kTarBlockSize * kTarBlockSize;
    }
    for (wendle_pack::RuntimeMember& member : members) {
        std::replace(member.path.begin(), member.path.end(), '/', '\\');
        pack.push_back(member.path + (member.folder ? "\\ " : " ") + std::to_string(member.size));
    }
    Require(taken == read, "the launcher takes a runtime's archive exactly when wendle-pack does");
    Require(launcher == pack, "both read the same members up to where they stop");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckRuntimeArchive(data, size);
    const std::vector<uint8_t> file(data, data + size);
    std::vector<wendle_pack::ListedEntry> entries;
    std::string error;
    const bool found = wendle_pack::ReadPayload(file, &entries, &error);
    Require(found == !entries.empty(), "ReadPayload succeeds exactly when it lists entries");
    Require(found || !error.empty(), "a failed read says why");
    Require(entries.size() <= wendle_pack::kMaxEntries, "at most ten entries");

    const uint64_t payloadEnd = wendle_pack::PayloadEnd(file);
    Require(payloadEnd <= file.size(), "the payload ends inside the file");

    for (size_t i = 0; i < entries.size(); ++i) {
        const wendle_pack::ListedEntry& entry = entries[i];
        Require(payloadEnd >= wendle_pack::kTrailerSize, "an entry needs a trailer");
        const uint64_t trailer = payloadEnd - wendle_pack::kTrailerSize;
        const uint64_t expectedHeader = i == 0 ? wendle_pack::ReadUInt32At(file, trailer)
                                               : uint64_t(entries[i - 1].dataOffset) + entries[i - 1].length;
        Require(entry.headerOffset == expectedHeader, "each entry lies where the chain leads");
        Require(wendle_pack::CheckName(entry.name) == kEntryNameOk, "entry names are writable");
        Require(entry.name.size() <= wendle_pack::kMaxNameLength, "entry names fit 20 bytes");
        const uint64_t header = entry.headerOffset;
        Require(header + 3 + entry.name.size() + 1 + 8 == entry.dataOffset,
                "the data follows magic, name, NUL, kind and length");
        Require(uint64_t(entry.dataOffset) + entry.length <= trailer,
                "the data ends before the trailer");
        Require(std::memcmp(&file[header], "tvq", 3) == 0, "an entry starts with the magic");
        Require(std::memcmp(&file[header + 3], entry.name.data(), entry.name.size()) == 0 &&
                    file[header + 3 + entry.name.size()] == 0,
                "the name is the stored name");
        const uint64_t fields = header + 3 + entry.name.size() + 1;
        Require(entry.kind == wendle_pack::ReadUInt32At(file, fields) &&
                    entry.length == wendle_pack::ReadUInt32At(file, fields + 4),
                "kind and length are the stored ones");
        CheckStringValue(file, entry);
    }
    wendle_pack::HasPayload(file);
    return 0;
}
