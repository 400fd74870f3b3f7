#include "version_record.h"

#include "pe_image.h"
#include "resource_tree.h"

namespace wendle_pack {

namespace {

const std::size_t kHeaderSize = 6;
const std::size_t kFixedSize = 52;
const uint32_t kFixedSignature = 0xFEEF04BDu;
const uint16_t kTextType = 1;

std::size_t Aligned(std::size_t offset)
{
    return (offset + 3) & ~std::size_t(3);
}

// The block at at, which must end by limit; end receives where it ends.
bool ReadBlock(const std::vector<uint8_t>& data, std::size_t at, std::size_t limit,
               VersionBlock* block, std::size_t* end, std::string* error)
{
    const std::size_t length = at + kHeaderSize <= limit ? Get16(&data[at]) : 0;
    if (length < kHeaderSize || length > limit - at) {
        *error = "the block at offset " + std::to_string(at) + " reaches past its parent";
        return false;
    }
    *end = at + length;
    std::size_t position = at + kHeaderSize;
    for (; position + 2 <= *end && Get16(&data[position]) != 0; position += 2)
        block->key += char16_t(Get16(&data[position]));
    position = Aligned(position + 2);
    block->type = Get16(&data[at + 4]);
    const std::size_t valueSize = Get16(&data[at + 2]) * (block->type == kTextType ? 2u : 1u);
    if (position > *end || valueSize > *end - position) {
        *error = "the value of the block \"" + std::string(block->key.begin(), block->key.end()) +
                 "\" reaches past the block";
        return false;
    }
    block->value.assign(data.begin() + position, data.begin() + position + valueSize);
    for (position = Aligned(position + valueSize); position < *end;) {
        block->children.emplace_back();
        std::size_t childEnd;
        if (!ReadBlock(data, position, *end, &block->children.back(), &childEnd, error))
            return false;
        position = Aligned(childEnd);
    }
    return true;
}

void WriteBlock(const VersionBlock& block, std::vector<uint8_t>& out)
{
    const std::size_t start = out.size();
    out.resize(start + kHeaderSize);
    AppendUtf16(out, block.key + u'\0');
    out.resize(Aligned(out.size()));
    out.insert(out.end(), block.value.begin(), block.value.end());
    for (const VersionBlock& child : block.children) {
        out.resize(Aligned(out.size()));
        WriteBlock(child, out);
    }
    Put16(&out[start], uint32_t(out.size() - start));
    Put16(&out[start + 2], uint32_t(block.type == kTextType ? block.value.size() / 2 : block.value.size()));
    Put16(&out[start + 4], block.type);
}

template <typename Root, typename Visit>
void EachStringTable(Root& root, Visit visit)
{
    for (auto& info : root.children) {
        if (info.key != u"StringFileInfo")
            continue;
        for (auto& table : info.children)
            visit(table);
    }
}

}  // namespace

bool ReadVersionRecord(const std::vector<uint8_t>& data, VersionBlock* root, std::string* error)
{
    *root = VersionBlock();
    std::size_t end;
    if (!ReadBlock(data, 0, data.size(), root, &end, error))
        return false;
    if (root->key != u"VS_VERSION_INFO" || root->value.size() != kFixedSize ||
        Get32(root->value.data()) != kFixedSignature) {
        *error = "its root is not VS_VERSION_INFO with a fixed part of 52 bytes";
        return false;
    }
    return true;
}

std::vector<uint8_t> WriteVersionRecord(const VersionBlock& root)
{
    std::vector<uint8_t> out;
    WriteBlock(root, out);
    return out;
}

std::u16string VersionString(const VersionBlock& root, const std::u16string& key)
{
    std::u16string found;
    bool first = true;
    EachStringTable(root, [&](const VersionBlock& table) {
        for (const VersionBlock& string : table.children) {
            if (first && string.key == key && string.type == kTextType)
                found = Utf16At(string.value.data(), string.value.size() / 2);
        }
        first = false;
    });
    return found.substr(0, found.find(u'\0'));
}

void SetVersionString(VersionBlock* root, const std::u16string& key, const std::u16string& value)
{
    EachStringTable(*root, [&](VersionBlock& table) {
        VersionBlock* string = nullptr;
        for (VersionBlock& child : table.children)
            string = child.key == key ? &child : string;
        if (string == nullptr) {
            table.children.emplace_back();
            string = &table.children.back();
            string->key = key;
        }
        string->type = kTextType;
        string->value.clear();
        AppendUtf16(string->value, value + u'\0');
    });
}

void SetFixedVersion(VersionBlock* root, int index, const uint16_t parts[4])
{
    // Two 32-bit words, the more significant first, each of two parts.
    for (int i = 0; i < 4; ++i)
        Put16(&root->value[8 + 8 * index + (i ^ 1) * 2], parts[i]);
}

}  // namespace wendle_pack
