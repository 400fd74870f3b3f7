#include "brand.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "pack_files.h"
#include "pe_image.h"
#include "res/resource.h"
#include "resource_tree.h"
#include "version_record.h"

namespace wendle_pack {

namespace {

// The launcher's six languages: German, English (US), French, Italian,
// Japanese, Spanish.
const uint16_t kLanguages[] = {0x0407, 0x0409, 0x040C, 0x0410, 0x0411, 0x0C0A};
const uint16_t kEnglish = 0x0409;
const uint16_t kTitleBlock = IDS_TITLE / 16 + 1;
const uint16_t kVersionName = 1;
const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const uint32_t kBitmapHeaderSize = 40;
const std::size_t kIconHeaderSize = 6, kFileEntrySize = 16, kGroupEntrySize = 14;

struct IconImage {
    uint8_t width, height, colours;
    uint16_t planes, bits;
    std::vector<uint8_t> data;
};

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool DecodeUtf8(const std::string& text, std::u32string* out)
{
    out->clear();
    for (std::size_t i = 0; i < text.size();) {
        const uint8_t lead = uint8_t(text[i]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                        : lead >= 0xF0 && lead < 0xF5 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size())
            return false;
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const uint8_t next = uint8_t(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = c << 6 | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (c < smallest[extra] || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
            return false;
        out->push_back(c);
        i += 1 + extra;
    }
    return true;
}

std::u16string ToUtf16(const std::u32string& text)
{
    std::u16string out;
    for (char32_t c : text) {
        if (c < 0x10000) {
            out += char16_t(c);
        } else {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::u16string Utf16(const std::string& utf8)
{
    std::u32string decoded;
    DecodeUtf8(utf8, &decoded);
    return ToUtf16(decoded);
}

std::string Utf8(const std::u16string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | c >> 18);
            out += char(0x80 | (c >> 12 & 0x3F));
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool CheckText(const char* option, const std::string& text, std::string* error)
{
    std::u32string decoded;
    if (!DecodeUtf8(text, &decoded)) {
        *error = std::string(option) + ": the text is not UTF-8; give it as UTF-8";
        return false;
    }
    if (decoded.size() > kMaxBrandText) {
        *error = std::string(option) + " has " + std::to_string(decoded.size()) +
                 " characters; at most " + std::to_string(kMaxBrandText) + " fit a caption";
        return false;
    }
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        if (decoded[i] < 0x20 || (decoded[i] >= 0x7F && decoded[i] < 0xA0)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", unsigned(decoded[i]));
            *error = std::string(option) + " holds the control character " + code + " at character " +
                     std::to_string(i + 1) + "; a caption shows one line of text";
            return false;
        }
    }
    return true;
}

// "A.B[.C[.D]]" into four parts; false when it is not that.
bool ParseVersion(const std::string& text, uint16_t parts[4])
{
    std::size_t count = 0, at = 0;
    for (; count < 4; ++count) {
        std::size_t end = at;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end == at || end - at > 5 || std::stoul(text.substr(at, end - at)) > 65535)
            return false;
        parts[count] = uint16_t(std::stoul(text.substr(at, end - at)));
        if (end == text.size())
            break;
        if (text[end] != '.')
            return false;
        at = end + 1;
    }
    if (count == 4 || count == 0)
        return false;
    for (std::size_t i = count + 1; i < 4; ++i)
        parts[i] = 0;
    return true;
}

bool ReadIconFile(const std::string& path, std::vector<IconImage>* images, std::string* error)
{
    std::vector<uint8_t> file;
    if (!ReadWholeFile(path, &file, error))
        return false;
    const std::string label = "--icon " + path + ": ";
    if (file.size() < kIconHeaderSize || Get16(&file[0]) != 0 || Get16(&file[2]) != 1) {
        *error = label + "not an icon file (it does not start with the 6-byte header of one); "
                         "save the icon as .ico";
        return false;
    }
    const std::size_t count = Get16(&file[4]);
    if (count == 0 || count > kMaxIconImages) {
        *error = label + "the icon holds " + std::to_string(count) + " images; an icon needs 1 to " +
                 std::to_string(kMaxIconImages);
        return false;
    }
    if (kIconHeaderSize + count * kFileEntrySize > file.size()) {
        *error = label + "its directory of " + std::to_string(count) + " images reaches past the end of the file";
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* entry = &file[kIconHeaderSize + i * kFileEntrySize];
        const uint64_t size = Get32(entry + 8), offset = Get32(entry + 12);
        const std::string image = "image " + std::to_string(i + 1) + " of " + std::to_string(count);
        if (size == 0 || offset > file.size() || size > file.size() - offset) {
            *error = label + image + " (" + std::to_string(size) + " bytes at " + std::to_string(offset) +
                     ") reaches past the end of the file";
            return false;
        }
        const uint8_t* data = &file[offset];
        const bool png = size >= 8 && std::memcmp(data, kPngSignature, 8) == 0;
        if (!png && (size < kBitmapHeaderSize || Get32(data) != kBitmapHeaderSize)) {
            *error = label + image + " is neither a PNG image nor a bitmap";
            return false;
        }
        IconImage read{entry[0], entry[1], entry[2], Get16(entry + 4), Get16(entry + 6),
                       std::vector<uint8_t>(data, data + size)};
        // Some tools leave the depth out of the directory; Windows picks
        // the image for a size by it.
        if (read.bits == 0) {
            read.planes = png ? 1 : Get16(data + 12);
            read.bits = png ? 32 : Get16(data + 14);
        }
        images->push_back(read);
    }
    return true;
}

Resource* Find(std::vector<Resource>& resources, uint16_t type, uint16_t name, int language = -1)
{
    for (Resource& resource : resources) {
        if (resource.type.text.empty() && resource.type.number == type && resource.name.text.empty() &&
            resource.name.number == name && (language < 0 || resource.language == language))
            return &resource;
    }
    return nullptr;
}

bool SetTitle(std::vector<Resource>& resources, const std::u16string& name)
{
    bool found = false;
    for (Resource& resource : resources) {
        std::vector<std::u16string> strings;
        if (resource.type.number != kStringType || !resource.type.text.empty() ||
            resource.name.number != kTitleBlock || !resource.name.text.empty() ||
            !ReadStringBlock(resource.data, &strings))
            continue;
        strings[IDS_TITLE % 16] = name;
        resource.data = WriteStringBlock(strings);
        found = true;
    }
    return found;
}

bool SetVersionRecord(std::vector<Resource>& resources, const Brand& brand, std::string* error)
{
    Resource* record = Find(resources, kVersionType, kVersionName);
    VersionBlock root;
    if (record == nullptr || !ReadVersionRecord(record->data, &root, error)) {
        *error = record == nullptr ? "holds no version record" : "has a version record that cannot be read: " + *error;
        return false;
    }
    if (!brand.name.empty()) {
        SetVersionString(&root, u"ProductName", Utf16(brand.name));
        SetVersionString(&root, u"FileDescription", Utf16(brand.name));
        SetVersionString(&root, u"LegalTrademarks", u"");
    }
    if (!brand.name.empty() || !brand.company.empty())
        SetVersionString(&root, u"CompanyName", Utf16(brand.company));
    if (!brand.name.empty() || !brand.copyright.empty())
        SetVersionString(&root, u"LegalCopyright", Utf16(brand.copyright));
    uint16_t parts[4];
    if (ParseVersion(brand.version, parts)) {
        SetFixedVersion(&root, 0, parts);
        SetFixedVersion(&root, 1, parts);
        SetVersionString(&root, u"FileVersion", Utf16(brand.version));
        SetVersionString(&root, u"ProductVersion", Utf16(brand.version));
    }
    record->data = WriteVersionRecord(root);
    return true;
}

// The icon group's images in place of the old ones, numbered from 1 on past
// the numbers of any other icon's images.
bool SetIcon(std::vector<Resource>& resources, const std::vector<IconImage>& images)
{
    Resource* group = Find(resources, kGroupIconType, IDI_MAIN);
    if (group == nullptr)
        return false;
    const Resource old = *group;
    std::vector<uint16_t> oldImages;
    for (std::size_t at = kIconHeaderSize; at + kGroupEntrySize <= old.data.size(); at += kGroupEntrySize)
        oldImages.push_back(Get16(&old.data[at + 12]));
    std::vector<Resource> kept;
    for (const Resource& resource : resources) {
        const bool oldImage = resource.type.number == kIconType && resource.type.text.empty() &&
                              std::find(oldImages.begin(), oldImages.end(), resource.name.number) != oldImages.end();
        if (!oldImage && !(resource.type == old.type && resource.name == old.name))
            kept.push_back(resource);
    }
    Resource newGroup = old;
    newGroup.data.assign(kIconHeaderSize, 0);
    Put16(&newGroup.data[2], 1);
    Put16(&newGroup.data[4], uint32_t(images.size()));
    uint16_t number = 0;
    for (const IconImage& image : images) {
        while (Find(kept, kIconType, ++number) != nullptr) {
        }
        Resource icon;
        icon.type.number = kIconType;
        icon.name.number = number;
        icon.language = old.language;
        icon.codePage = old.codePage;
        icon.data = image.data;
        kept.push_back(icon);
        uint8_t entry[kGroupEntrySize] = {image.width, image.height, image.colours, 0};
        Put16(entry + 4, image.planes);
        Put16(entry + 6, image.bits);
        Put32(entry + 8, uint32_t(image.data.size()));
        Put16(entry + 12, number);
        newGroup.data.insert(newGroup.data.end(), entry, entry + kGroupEntrySize);
    }
    kept.push_back(newGroup);
    resources = kept;
    return true;
}

bool ReadResources(const std::vector<uint8_t>& file, PeImage* image, std::vector<Resource>* resources,
                   std::string* error)
{
    std::vector<uint8_t> section;
    uint32_t rva;
    if (!ReadPeImage(file, image, error) || !ResourceSectionOf(file, *image, &section, &rva, error))
        return false;
    if (!ReadResourceTree(section, rva, resources, error)) {
        *error = "has a resource tree that cannot be read: " + *error;
        return false;
    }
    return true;
}

std::string LanguageName(uint16_t language)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", language);
    return text;
}

}  // namespace

bool CheckBrand(const Brand& brand, std::string* error)
{
    const std::pair<const char*, const std::string*> texts[] = {
        {"--name", &brand.name}, {"--company", &brand.company}, {"--copyright", &brand.copyright}};
    for (const auto& text : texts) {
        if (!text.second->empty() && !CheckText(text.first, *text.second, error))
            return false;
    }
    uint16_t parts[4];
    if (!brand.version.empty() && !ParseVersion(brand.version, parts)) {
        *error = "--version " + brand.version +
                 ": not two to four numbers of 0 to 65535 with dots between them, such as 3.1 or 3.1.4.0";
        return false;
    }
    return true;
}

bool ApplyBrand(const Brand& brand, const std::string& stubPath, std::vector<uint8_t>* stub,
                std::string* error)
{
    if (brand.Empty())
        return true;
    std::vector<IconImage> images;
    if (!brand.icon.empty() && !ReadIconFile(brand.icon, &images, error))
        return false;
    PeImage image;
    std::vector<Resource> resources;
    bool done = ReadResources(*stub, &image, &resources, error);
    if (done && !brand.name.empty() && !SetTitle(resources, Utf16(brand.name))) {
        *error = "holds no title string (string " + std::to_string(IDS_TITLE) + ")";
        done = false;
    }
    if (done && !(brand.name.empty() && brand.version.empty() && brand.company.empty() && brand.copyright.empty()))
        done = SetVersionRecord(resources, brand, error);
    if (done && !images.empty() && !SetIcon(resources, images)) {
        *error = "holds no icon group " + std::to_string(IDI_MAIN);
        done = false;
    }
    std::vector<uint8_t> rewritten = *stub;
    if (done)
        done = ReplaceResourceSection(&rewritten, image, [&](uint32_t rva) { return WriteResourceTree(resources, rva); }, error);
    if (!done) {
        *error = "stub " + stubPath + " " + *error + ": its resources cannot carry the brand; pack the "
                 "launcher as it was built";
        return false;
    }
    *stub = rewritten;
    return true;
}

std::u16string Utf16FromUtf8(const std::string& utf8)
{
    return Utf16(utf8);
}

BrandFacts ReadBrand(const std::vector<uint8_t>& file)
{
    BrandFacts facts;
    PeImage image;
    std::vector<Resource> resources;
    std::string error;
    if (!ReadPeImage(file, &image, &error) || image.resource < 0)
        return facts;
    facts.present = true;
    if (!ReadResources(file, &image, &resources, &error)) {
        facts.errors.push_back("the launcher " + error);
        return facts;
    }
    for (uint16_t language : kLanguages) {
        Resource* block = Find(resources, kStringType, kTitleBlock, language);
        std::vector<std::u16string> strings;
        if (block == nullptr || !ReadStringBlock(block->data, &strings) || strings[IDS_TITLE % 16].empty()) {
            facts.errors.push_back("the title (string " + std::to_string(IDS_TITLE) + ") is missing in language " +
                                   LanguageName(language) + ": the captions there would be empty");
            continue;
        }
        if (facts.name.empty() || language == kEnglish)
            facts.name = Utf8(strings[IDS_TITLE % 16]);
    }
    Resource* record = Find(resources, kVersionType, kVersionName);
    VersionBlock root;
    if (record == nullptr) {
        facts.errors.push_back("the launcher holds no version record");
    } else if (!ReadVersionRecord(record->data, &root, &error)) {
        facts.errors.push_back("the version record is not well formed: " + error);
    } else {
        facts.version = Utf8(VersionString(root, u"ProductVersion"));
        facts.company = Utf8(VersionString(root, u"CompanyName"));
        facts.copyright = Utf8(VersionString(root, u"LegalCopyright"));
    }
    Resource* group = Find(resources, kGroupIconType, IDI_MAIN);
    std::size_t count = group != nullptr && group->data.size() >= kIconHeaderSize ? Get16(&group->data[4]) : 0;
    if (count == 0 || kIconHeaderSize + count * kGroupEntrySize > group->data.size()) {
        facts.errors.push_back("icon group " + std::to_string(IDI_MAIN) + " is missing or holds no image: "
                               "Explorer and the dialogs show no icon");
        count = 0;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* entry = &group->data[kIconHeaderSize + i * kGroupEntrySize];
        if (Find(resources, kIconType, Get16(entry + 12)) == nullptr)
            facts.errors.push_back("image " + std::to_string(Get16(entry + 12)) + " of icon group " +
                                   std::to_string(IDI_MAIN) + " is missing");
        const int width = entry[0] == 0 ? 256 : entry[0], height = entry[1] == 0 ? 256 : entry[1];
        facts.icons.push_back(std::to_string(width) + "x" + std::to_string(height));
    }
    return facts;
}

}  // namespace wendle_pack
