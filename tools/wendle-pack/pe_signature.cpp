#include "pe_signature.h"

namespace wendle_pack {

namespace {

const uint64_t kPeOffsetField = 0x3C;
const uint64_t kFileHeaderSize = 20;
const uint64_t kOptionalHeaderSizeField = 16;   // within the file header
const uint16_t kPe32Magic = 0x10B;
const uint16_t kPe32PlusMagic = 0x20B;
const uint32_t kSecurityDirectory = 4;
const uint64_t kDirectoryEntrySize = 8;

bool Has(const std::vector<uint8_t>& file, uint64_t offset, uint64_t count)
{
    return offset <= file.size() && count <= file.size() - offset;
}

uint16_t UInt16At(const std::vector<uint8_t>& file, uint64_t offset)
{
    return uint16_t(file[offset] | file[offset + 1] << 8);
}

uint32_t UInt32At(const std::vector<uint8_t>& file, uint64_t offset)
{
    return uint32_t(file[offset]) | uint32_t(file[offset + 1]) << 8 |
           uint32_t(file[offset + 2]) << 16 | uint32_t(file[offset + 3]) << 24;
}

// The file offset of the security directory entry, or 0 when the headers
// do not lead to one.
uint64_t SecurityEntryOffset(const std::vector<uint8_t>& file)
{
    if (!Has(file, 0, kPeOffsetField + 4) || file[0] != 'M' || file[1] != 'Z')
        return 0;
    const uint64_t pe = UInt32At(file, kPeOffsetField);
    if (!Has(file, pe, 4 + kFileHeaderSize + 2) || file[pe] != 'P' || file[pe + 1] != 'E' ||
        file[pe + 2] != 0 || file[pe + 3] != 0)
        return 0;
    const uint64_t optionalSize = UInt16At(file, pe + 4 + kOptionalHeaderSizeField);
    const uint64_t optional = pe + 4 + kFileHeaderSize;
    const uint16_t magic = UInt16At(file, optional);
    uint64_t directories;
    if (magic == kPe32Magic)
        directories = 96;
    else if (magic == kPe32PlusMagic)
        directories = 112;
    else
        return 0;
    const uint64_t entry = directories + kSecurityDirectory * kDirectoryEntrySize;
    if (optionalSize < entry + kDirectoryEntrySize ||
        !Has(file, optional, entry + kDirectoryEntrySize))
        return 0;
    // The directory count stands right in front of the directories.
    if (UInt32At(file, optional + directories - 4) <= kSecurityDirectory)
        return 0;
    return optional + entry;
}

}  // namespace

CertificateTable FindCertificateTable(const std::vector<uint8_t>& file)
{
    CertificateTable table;
    const uint64_t entry = SecurityEntryOffset(file);
    if (entry == 0)
        return table;
    table.directoryEntry = entry;
    table.offset = UInt32At(file, entry);
    table.size = UInt32At(file, entry + 4);
    const uint64_t end = uint64_t(table.offset) + table.size;
    if (table.offset == 0 && table.size == 0)
        table.state = CertificateTable::kNone;
    else if (table.offset == 0 || table.size == 0 || end > file.size())
        table.state = CertificateTable::kOutside;
    else if (end == file.size())
        table.state = CertificateTable::kAtEnd;
    else
        table.state = CertificateTable::kNotAtEnd;
    return table;
}

uint64_t PayloadEnd(const std::vector<uint8_t>& file)
{
    const CertificateTable table = FindCertificateTable(file);
    return table.state == CertificateTable::kAtEnd ? table.offset : file.size();
}

bool RemoveSignature(std::vector<uint8_t>* file)
{
    const CertificateTable table = FindCertificateTable(*file);
    // A table over the headers themselves is no signature a tool made.
    if (table.state != CertificateTable::kAtEnd ||
        table.offset < table.directoryEntry + kDirectoryEntrySize)
        return false;
    file->resize(table.offset);
    for (uint64_t i = 0; i < kDirectoryEntrySize; ++i)
        (*file)[table.directoryEntry + i] = 0;
    return true;
}

}  // namespace wendle_pack
