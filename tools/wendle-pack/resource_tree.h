// The resource tree of a Windows executable (type, name, language, data), read
// from its resource section into a list and written back as a new section.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

namespace wendle_pack {

// A type or name: a number, or a string when text is not empty.
struct ResourceId {
    uint16_t number = 0;
    std::u16string text;

    bool operator==(const ResourceId& other) const
    {
        return number == other.number && text == other.text;
    }
};

struct Resource {
    ResourceId type, name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    std::vector<uint8_t> data;
};

const uint16_t kIconType = 3;
const uint16_t kStringType = 6;
const uint16_t kGroupIconType = 14;
const uint16_t kVersionType = 16;

// The resources of section, which is loaded at rva, in tree order. Refuses,
// with a message, a tree that is not three levels deep or of which a table,
// a name or a resource's data reaches outside the section.
bool ReadResourceTree(const std::vector<uint8_t>& section, uint32_t rva,
                      std::vector<Resource>* resources, std::string* error);

// The resource section of an image: its bytes as the file holds them, and
// its address.
bool ResourceSectionOf(const std::vector<uint8_t>& file, const PeImage& image,
                       std::vector<uint8_t>* section, uint32_t* rva, std::string* error);

// A section that holds resources, to be loaded at rva: the tables sorted as
// the loader searches them (named entries first, then numbers), the entries,
// the names, then each resource's data on an 8-byte boundary. The same list
// always gives the same bytes.
std::vector<uint8_t> WriteResourceTree(std::vector<Resource> resources, uint32_t rva);

// The sixteen strings of a string table block (ids 16 * (name - 1) to
// 16 * name - 1); false for a block that does not hold them.
bool ReadStringBlock(const std::vector<uint8_t>& data, std::vector<std::u16string>* strings);
std::vector<uint8_t> WriteStringBlock(const std::vector<std::u16string>& strings);

// Little-endian UTF-16 text of count characters at data.
std::u16string Utf16At(const uint8_t* data, std::size_t count);
void AppendUtf16(std::vector<uint8_t>& out, const std::u16string& text);

}  // namespace wendle_pack
