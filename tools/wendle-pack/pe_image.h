// The headers of a Windows executable that a new resource section touches:
// the section table, the resource and base relocation directories, the image
// size and the checksum.
//
// The linker puts the resource section in front of the base relocations, so
// a resource tree that grows cannot stay where it is. ReplaceResourceSection
// moves the relocation sections up into the old resource section's place
// (the relocations name addresses in other sections, never in their own, so
// they may lie anywhere) and writes the new resource section as the last
// one, where it may have any size.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wendle_pack {

// Little-endian fields of the headers and of the resources; the caller makes
// sure the bytes are there.
inline uint16_t Get16(const uint8_t* at) { return uint16_t(at[0] | at[1] << 8); }
inline uint32_t Get32(const uint8_t* at) { return Get16(at) | uint32_t(Get16(at + 2)) << 16; }
inline void Put16(uint8_t* at, uint32_t value) { at[0] = uint8_t(value); at[1] = uint8_t(value >> 8); }
inline void Put32(uint8_t* at, uint32_t value) { Put16(at, value); Put16(at + 2, value >> 16); }

struct PeSection {
    uint64_t header = 0;   // file offset of its 40-byte header
    std::string name;
    uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawOffset = 0;
};

struct PeImage {
    uint64_t optional = 0;   // file offset of the optional header
    uint64_t directories = 0;
    uint32_t directoryCount = 0;
    uint32_t sectionAlignment = 0, fileAlignment = 0;
    std::vector<PeSection> sections;   // in table order
    int resource = -1;                 // index of the resource section, -1: none
};

// Reads the headers; false, with a message, for a file that is no PE image
// or whose section table does not lie inside it.
bool ReadPeImage(const std::vector<uint8_t>& file, PeImage* image, std::string* error);

// Data directory index's RVA and size; 0 and 0 when the image has fewer.
void DataDirectory(const std::vector<uint8_t>& file, const PeImage& image, uint32_t index,
                   uint32_t* rva, uint32_t* size);

// Writes the section that build makes, given the address it gets, as the
// image's resource section, last in the file and in memory, and sets the
// resource directory, the image size, the size of initialized data and the
// checksum (where the image has one). Refuses, with a message, an image
// without a resource section of its own, one whose resource section is
// followed by anything but base relocations, and one whose file holds bytes
// behind its last section.
bool ReplaceResourceSection(std::vector<uint8_t>* file, const PeImage& image,
                            const std::function<std::vector<uint8_t>(uint32_t rva)>& build,
                            std::string* error);

}  // namespace wendle_pack
