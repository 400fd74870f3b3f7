#include "resource_tree.h"

#include <algorithm>
#include <map>

#include "payload_layout.h"

namespace wendle_pack {

namespace {

const uint32_t kSubdirectory = 0x80000000u;
const uint32_t kNamed = 0x80000000u;
const std::size_t kTableSize = 16;
const std::size_t kEntrySize = 8;
const std::size_t kDataEntrySize = 16;
const int kLevels = 3;   // type, name, language
const std::size_t kMaxVisits = 1 << 20;

class TreeReader {
public:
    TreeReader(const std::vector<uint8_t>& section, uint32_t rva, std::vector<Resource>* out)
        : section_(section), rva_(rva), out_(out) {}

    // The table at offset, level deep; path holds the ids above it.
    bool Table(uint32_t offset, int level, Resource& path, std::string* error)
    {
        if (!Inside(offset, kTableSize)) {
            *error = "a table at " + Hex(offset) + " reaches past the end of the section";
            return false;
        }
        const std::size_t count = Get16(&section_[offset + 12]) + std::size_t(Get16(&section_[offset + 14]));
        if (!Inside(offset + kTableSize, count * kEntrySize)) {
            *error = "the entries of the table at " + Hex(offset) + " reach past the end of the section";
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            // Tables may share their subtables; a tree of a few thousand
            // resources visits far fewer entries than this.
            if (++visited_ > kMaxVisits) {
                *error = "the tree has more than " + std::to_string(kMaxVisits) + " entries";
                return false;
            }
            const uint8_t* entry = &section_[offset + kTableSize + i * kEntrySize];
            const uint32_t id = Get32(entry), target = Get32(entry + 4);
            ResourceId key;
            if (!Id(id, &key, error))
                return false;
            if (level == 0)
                path.type = key;
            else if (level == 1)
                path.name = key;
            else
                path.language = key.number;
            const bool deeper = level < kLevels - 1;
            if (deeper != ((target & kSubdirectory) != 0)) {
                *error = std::string("the tree is not three levels deep (type, name, language) at ") +
                         Hex(offset + kTableSize + i * kEntrySize);
                return false;
            }
            if (deeper ? !Table(target & ~kSubdirectory, level + 1, path, error) : !Leaf(target, path, error))
                return false;
        }
        return true;
    }

private:
    bool Inside(uint64_t offset, uint64_t count) const
    {
        return offset <= section_.size() && count <= section_.size() - offset;
    }

    bool Id(uint32_t id, ResourceId* key, std::string* error) const
    {
        if ((id & kNamed) == 0) {
            key->number = uint16_t(id);
            return true;
        }
        const uint32_t offset = id & ~kNamed;
        if (!Inside(offset, 2) || !Inside(offset + 2, Get16(&section_[offset]) * 2ull)) {
            *error = "a name at " + Hex(offset) + " reaches past the end of the section";
            return false;
        }
        key->text = Utf16At(&section_[offset + 2], Get16(&section_[offset]));
        return true;
    }

    bool Leaf(uint32_t offset, Resource& path, std::string* error)
    {
        if (!Inside(offset, kDataEntrySize)) {
            *error = "a data entry at " + Hex(offset) + " reaches past the end of the section";
            return false;
        }
        const uint32_t dataRva = Get32(&section_[offset]), size = Get32(&section_[offset + 4]);
        if (dataRva < rva_ || !Inside(dataRva - uint64_t(rva_), size)) {
            *error = "the data of a resource (" + std::to_string(size) + " bytes at address " +
                     Hex(dataRva) + ") lie outside the section";
            return false;
        }
        path.codePage = Get32(&section_[offset + 8]);
        path.data.assign(section_.begin() + (dataRva - rva_), section_.begin() + (dataRva - rva_) + size);
        out_->push_back(path);
        return true;
    }

    const std::vector<uint8_t>& section_;
    uint32_t rva_;
    std::vector<Resource>* out_;
    std::size_t visited_ = 0;
};

// Named entries first, by their text, then numbers: the order in which the
// loader searches a table.
bool Before(const ResourceId& a, const ResourceId& b)
{
    if (a.text.empty() != b.text.empty())
        return !a.text.empty();
    return a.text.empty() ? a.number < b.number : a.text < b.text;
}

void Align(std::vector<uint8_t>& out, std::size_t alignment)
{
    out.resize((out.size() + alignment - 1) / alignment * alignment);
}

}  // namespace

std::u16string Utf16At(const uint8_t* data, std::size_t count)
{
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i)
        text += char16_t(Get16(data + 2 * i));
    return text;
}

void AppendUtf16(std::vector<uint8_t>& out, const std::u16string& text)
{
    for (char16_t c : text) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
}

bool ReadResourceTree(const std::vector<uint8_t>& section, uint32_t rva,
                      std::vector<Resource>* resources, std::string* error)
{
    resources->clear();
    Resource path;
    return TreeReader(section, rva, resources).Table(0, 0, path, error);
}

bool ResourceSectionOf(const std::vector<uint8_t>& file, const PeImage& image,
                       std::vector<uint8_t>* section, uint32_t* rva, std::string* error)
{
    if (image.resource < 0) {
        *error = "has no resource section";
        return false;
    }
    const PeSection& found = image.sections[image.resource];
    const uint64_t size = std::min(found.virtualSize, found.rawSize);
    if (found.rawOffset > file.size() || size > file.size() - found.rawOffset) {
        *error = "has a resource section that reaches past the end of the file";
        return false;
    }
    section->assign(file.begin() + found.rawOffset, file.begin() + found.rawOffset + size);
    *rva = found.virtualAddress;
    return true;
}

std::vector<uint8_t> WriteResourceTree(std::vector<Resource> resources, uint32_t rva)
{
    std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        if (!(a.type == b.type))
            return Before(a.type, b.type);
        if (!(a.name == b.name))
            return Before(a.name, b.name);
        return a.language < b.language;
    });
    // The tables in the order of a walk: the types' table, each type's
    // names, each name's languages. A table lists the start of each run of
    // resources that share the ids above it.
    struct Table {
        int level;
        std::size_t first, last;   // the resources below it
    };
    std::vector<Table> tables{{0, 0, resources.size()}};
    auto same = [&](std::size_t a, std::size_t b, int level) {
        return resources[a].type == resources[b].type && (level == 0 || resources[a].name == resources[b].name);
    };
    std::vector<std::vector<std::size_t>> starts;
    for (std::size_t t = 0; t < tables.size(); ++t) {
        starts.emplace_back();
        for (std::size_t i = tables[t].first; i < tables[t].last; ++i) {
            if (i == tables[t].first || tables[t].level == 2 || !same(i - 1, i, tables[t].level))
                starts[t].push_back(i);
        }
        if (tables[t].level == 2)
            continue;
        for (std::size_t s = 0; s < starts[t].size(); ++s)
            tables.push_back({tables[t].level + 1, starts[t][s],
                              s + 1 < starts[t].size() ? starts[t][s + 1] : tables[t].last});
    }
    std::vector<uint32_t> tableAt;
    std::size_t position = 0;
    for (std::size_t t = 0; t < tables.size(); ++t) {
        tableAt.push_back(uint32_t(position));
        position += kTableSize + kEntrySize * starts[t].size();
    }
    const std::size_t dataEntries = position;
    std::size_t names = dataEntries + kDataEntrySize * resources.size();

    std::vector<uint8_t> out(names);
    std::map<std::u16string, uint32_t> nameAt;
    for (const Resource& resource : resources) {
        for (const ResourceId* id : {&resource.type, &resource.name}) {
            if (id->text.empty() || nameAt.count(id->text) != 0)
                continue;
            nameAt[id->text] = uint32_t(out.size());
            out.push_back(uint8_t(id->text.size()));
            out.push_back(uint8_t(id->text.size() >> 8));
            AppendUtf16(out, id->text);
        }
    }
    std::size_t next = 1;   // the table that the next subdirectory entry points at
    for (std::size_t t = 0; t < tables.size(); ++t) {
        uint8_t* table = &out[tableAt[t]];
        std::size_t named = 0;
        for (std::size_t i = 0; i < starts[t].size(); ++i) {
            const Resource& resource = resources[starts[t][i]];
            const int level = tables[t].level;
            const ResourceId& id = level == 0 ? resource.type : resource.name;
            uint8_t* entry = table + kTableSize + kEntrySize * i;
            if (level < 2 && !id.text.empty()) {
                Put32(entry, kNamed | nameAt[id.text]);
                ++named;
            } else {
                Put32(entry, level < 2 ? id.number : resource.language);
            }
            Put32(entry + 4, level < 2 ? kSubdirectory | tableAt[next++]
                                       : uint32_t(dataEntries + kDataEntrySize * starts[t][i]));
        }
        Put16(table + 12, uint32_t(named));
        Put16(table + 14, uint32_t(starts[t].size() - named));
    }
    for (std::size_t i = 0; i < resources.size(); ++i) {
        Align(out, 8);
        uint8_t* entry = &out[dataEntries + kDataEntrySize * i];
        Put32(entry, rva + uint32_t(out.size()));
        Put32(entry + 4, uint32_t(resources[i].data.size()));
        Put32(entry + 8, resources[i].codePage);
        out.insert(out.end(), resources[i].data.begin(), resources[i].data.end());
    }
    return out;
}

bool ReadStringBlock(const std::vector<uint8_t>& data, std::vector<std::u16string>* strings)
{
    strings->clear();
    std::size_t at = 0;
    for (int i = 0; i < 16; ++i) {
        if (at + 2 > data.size() || at + 2 + Get16(&data[at]) * 2ull > data.size())
            return false;
        strings->push_back(Utf16At(&data[at + 2], Get16(&data[at])));
        at += 2 + strings->back().size() * 2;
    }
    return true;
}

std::vector<uint8_t> WriteStringBlock(const std::vector<std::u16string>& strings)
{
    std::vector<uint8_t> out;
    for (const std::u16string& text : strings) {
        out.push_back(uint8_t(text.size()));
        out.push_back(uint8_t(text.size() >> 8));
        AppendUtf16(out, text);
    }
    return out;
}

}  // namespace wendle_pack
