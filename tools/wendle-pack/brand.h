// The publisher's brand on the launcher: its product's name as the title of
// every dialog and message box in each language (string 2), its name,
// company, copyright and version in the version record, and its icon in
// place of the launcher's (icon group 107, which Explorer and both dialogs
// show). Written into the stub's resources before the payload is appended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wendle_pack {

// UTF-8 texts; an empty one was not given.
struct Brand {
    std::string name, icon, version, company, copyright;

    bool Empty() const
    {
        return name.empty() && icon.empty() && version.empty() && company.empty() && copyright.empty();
    }
};

constexpr std::size_t kMaxBrandText = 100;   // characters
constexpr std::size_t kMaxIconImages = 64;

// Refuses, with a message, a text that is not UTF-8, has more than
// kMaxBrandText characters or holds a control character, and a version that
// is not two to four numbers of 0 to 65535.
bool CheckBrand(const Brand& brand, std::string* error);

// Rewrites stub's resources for brand: string 2 in every language, with a
// name the version record's ProductName and FileDescription (and its
// CompanyName, LegalCopyright and LegalTrademarks the publisher's: given or
// empty), FileVersion and ProductVersion as numbers and as text, and every
// image of the icon file as icon group 107. The resource section becomes
// the stub's last (pe_image.h). Refuses, with a message and stub unchanged,
// an icon file that is not one (a bad header, no image, more than
// kMaxIconImages, an image reaching past the end of the file or neither PNG
// nor a bitmap) and a stub whose resources cannot be read or rewritten.
bool ApplyBrand(const Brand& brand, const std::string& stubPath, std::vector<uint8_t>* stub,
                std::string* error);

// What a packed executable shows of its brand, and what is wrong with the
// resources that carry it.
struct BrandFacts {
    bool present = false;   // the file has a resource section
    std::string name;       // string 2 in US English, else in the first language that has it
    std::string version, company, copyright;   // ProductVersion, CompanyName, LegalCopyright
    std::vector<std::string> icons;            // "32x32", ... of icon group 107
    std::vector<std::string> errors;           // each a sentence about the resources
};

BrandFacts ReadBrand(const std::vector<uint8_t>& file);

// UTF-8 text (checked by CheckBrand) as UTF-16.
std::u16string Utf16FromUtf8(const std::string& utf8);

}  // namespace wendle_pack
