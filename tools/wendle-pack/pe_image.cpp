#include "pe_image.h"

#include <cstring>

namespace wendle_pack {

namespace {

const uint64_t kPeOffsetField = 0x3C;
const uint64_t kSectionHeaderSize = 40;
const uint32_t kResourceDirectory = 2;
const uint32_t kSecurityDirectory = 4;   // a file offset, not an address
const uint32_t kRelocationDirectory = 5;
// Fields of the optional header, the same in PE32 and PE32+.
const uint64_t kSizeOfInitializedData = 8;
const uint64_t kSectionAlignment = 32;
const uint64_t kSizeOfImage = 56;
const uint64_t kCheckSum = 64;

bool Has(const std::vector<uint8_t>& file, uint64_t offset, uint64_t count)
{
    return offset <= file.size() && count <= file.size() - offset;
}

uint64_t AlignUp(uint64_t value, uint32_t alignment)
{
    return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

// True when directory index lies inside section.
bool DirectoryIn(const std::vector<uint8_t>& file, const PeImage& image, uint32_t index,
                 const PeSection& section)
{
    uint32_t rva, size;
    DataDirectory(file, image, index, &rva, &size);
    return rva != 0 && rva >= section.virtualAddress &&
           rva - section.virtualAddress < AlignUp(section.virtualSize, image.sectionAlignment);
}

// A section that holds the base relocations and nothing else a directory
// names, which may therefore move.
bool HoldsRelocationsAlone(const std::vector<uint8_t>& file, const PeImage& image,
                           const PeSection& section)
{
    uint32_t rva, size;
    DataDirectory(file, image, kRelocationDirectory, &rva, &size);
    if (rva != section.virtualAddress || size > section.rawSize)
        return false;
    for (uint32_t index = 0; index < image.directoryCount; ++index) {
        if (index != kRelocationDirectory && index != kSecurityDirectory &&
            DirectoryIn(file, image, index, section))
            return false;
    }
    return true;
}

void WriteSectionHeader(std::vector<uint8_t>* file, uint64_t at, const std::vector<uint8_t>& old,
                        const PeSection& section)
{
    std::memcpy(file->data() + at, old.data() + section.header, kSectionHeaderSize);
    uint8_t* header = file->data() + at;
    Put32(header + 8, section.virtualSize);
    Put32(header + 12, section.virtualAddress);
    Put32(header + 16, section.rawSize);
    Put32(header + 20, section.rawOffset);
}

// The checksum of the optional header, computed over file as Windows does:
// 16-bit words added with end-around carry, the checksum field left out,
// plus the file's length.
uint32_t PeChecksum(const std::vector<uint8_t>& file, const PeImage& image)
{
    const uint64_t field = image.optional + kCheckSum;
    uint64_t sum = 0;
    for (uint64_t i = 0; i < file.size(); i += 2) {
        if (i >= field && i < field + 4)
            continue;
        sum += file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return uint32_t(((sum & 0xFFFF) + (sum >> 16)) + file.size());
}

}  // namespace

bool ReadPeImage(const std::vector<uint8_t>& file, PeImage* image, std::string* error)
{
    *image = PeImage();
    if (!Has(file, 0, kPeOffsetField + 4) || file[0] != 'M' || file[1] != 'Z') {
        *error = "is not a Windows executable (no MZ header)";
        return false;
    }
    const uint64_t pe = Get32(&file[kPeOffsetField]);
    if (!Has(file, pe, 24) || std::memcmp(&file[pe], "PE\0\0", 4) != 0) {
        *error = "is not a Windows executable (no PE header)";
        return false;
    }
    const uint32_t sectionCount = Get16(&file[pe + 6]);
    const uint32_t optionalSize = Get16(&file[pe + 20]);
    image->optional = pe + 24;
    const uint16_t magic = Has(file, image->optional, 2) ? Get16(&file[image->optional]) : 0;
    const uint64_t directories = magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0;
    if (directories == 0 || optionalSize < directories ||
        !Has(file, image->optional, optionalSize)) {
        *error = "has an optional header that is not one of PE32 or PE32+";
        return false;
    }
    const uint8_t* optional = &file[image->optional];
    image->directories = image->optional + directories;
    image->directoryCount = Get32(optional + directories - 4);
    if (image->directoryCount > (optionalSize - directories) / 8)
        image->directoryCount = uint32_t((optionalSize - directories) / 8);
    image->sectionAlignment = Get32(optional + kSectionAlignment);
    image->fileAlignment = Get32(optional + kSectionAlignment + 4);
    const uint64_t table = image->optional + optionalSize;
    if (!Has(file, table, sectionCount * kSectionHeaderSize)) {
        *error = "has a section table that reaches past the end of the file";
        return false;
    }
    uint32_t resourceRva, resourceSize;
    DataDirectory(file, *image, kResourceDirectory, &resourceRva, &resourceSize);
    for (uint32_t i = 0; i < sectionCount; ++i) {
        PeSection section;
        section.header = table + i * kSectionHeaderSize;
        const uint8_t* header = &file[section.header];
        section.name.assign(reinterpret_cast<const char*>(header), strnlen(reinterpret_cast<const char*>(header), 8));
        section.virtualSize = Get32(header + 8);
        section.virtualAddress = Get32(header + 12);
        section.rawSize = Get32(header + 16);
        section.rawOffset = Get32(header + 20);
        if (resourceRva != 0 && section.virtualAddress == resourceRva)
            image->resource = int(i);
        image->sections.push_back(section);
    }
    return true;
}

void DataDirectory(const std::vector<uint8_t>& file, const PeImage& image, uint32_t index,
                   uint32_t* rva, uint32_t* size)
{
    *rva = *size = 0;
    if (index >= image.directoryCount)
        return;
    *rva = Get32(&file[image.directories + index * 8]);
    *size = Get32(&file[image.directories + index * 8 + 4]);
}

bool ReplaceResourceSection(std::vector<uint8_t>* file, const PeImage& image,
                            const std::function<std::vector<uint8_t>(uint32_t rva)>& build,
                            std::string* error)
{
    if (image.resource < 0) {
        *error = "has no resource section that starts where its resource directory does";
        return false;
    }
    const PeSection& resource = image.sections[image.resource];
    uint64_t end = 0;
    for (std::size_t i = 0; i < image.sections.size(); ++i) {
        const PeSection& section = image.sections[i];
        if (section.rawSize != 0 && section.rawOffset + uint64_t(section.rawSize) > end)
            end = section.rawOffset + uint64_t(section.rawSize);
        if (int(i) < image.resource &&
            section.rawOffset + uint64_t(section.rawSize) > resource.rawOffset &&
            section.rawSize != 0) {
            *error = "has the section \"" + section.name + "\" behind its resource section in the file";
            return false;
        }
        if (int(i) > image.resource && !HoldsRelocationsAlone(*file, image, section)) {
            *error = "has the section \"" + section.name + "\" behind its resource section, which "
                     "holds more than base relocations: the resource section cannot move to the end";
            return false;
        }
    }
    if (end != file->size()) {
        *error = "does not end with its last section (" + std::to_string(end) + " of " +
                 std::to_string(file->size()) + " bytes)";
        return false;
    }

    const std::vector<uint8_t> old = *file;
    file->resize(resource.rawOffset);
    uint64_t address = resource.virtualAddress;
    uint64_t slot = resource.header;
    for (std::size_t i = image.resource + 1; i < image.sections.size(); ++i) {
        PeSection moved = image.sections[i];
        moved.virtualAddress = uint32_t(address);
        moved.rawOffset = uint32_t(file->size());
        file->insert(file->end(), old.begin() + image.sections[i].rawOffset,
                     old.begin() + image.sections[i].rawOffset + moved.rawSize);
        WriteSectionHeader(file, slot, old, moved);
        Put32(file->data() + image.directories + kRelocationDirectory * 8, moved.virtualAddress);
        address += AlignUp(moved.virtualSize != 0 ? moved.virtualSize : moved.rawSize,
                           image.sectionAlignment);
        slot += kSectionHeaderSize;
    }
    const std::vector<uint8_t> bytes = build(uint32_t(address));
    PeSection placed = resource;
    placed.virtualAddress = uint32_t(address);
    placed.virtualSize = uint32_t(bytes.size());
    placed.rawOffset = uint32_t(file->size());
    placed.rawSize = uint32_t(AlignUp(bytes.size(), image.fileAlignment));
    file->insert(file->end(), bytes.begin(), bytes.end());
    file->resize(placed.rawOffset + uint64_t(placed.rawSize));
    WriteSectionHeader(file, slot, old, placed);

    uint8_t* optional = file->data() + image.optional;
    Put32(file->data() + image.directories + kResourceDirectory * 8, placed.virtualAddress);
    Put32(file->data() + image.directories + kResourceDirectory * 8 + 4, placed.virtualSize);
    Put32(optional + kSizeOfImage, uint32_t(AlignUp(address + placed.virtualSize, image.sectionAlignment)));
    Put32(optional + kSizeOfInitializedData,
          Get32(optional + kSizeOfInitializedData) + placed.rawSize - resource.rawSize);
    if (Get32(optional + kCheckSum) != 0)
        Put32(optional + kCheckSum, PeChecksum(*file, image));
    return true;
}

}  // namespace wendle_pack
