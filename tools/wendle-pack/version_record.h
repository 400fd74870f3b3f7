// The version record of a Windows executable (VS_VERSIONINFO): a tree of
// blocks, each a key, a value and children, which Explorer and Task Manager
// read for the product's name, company and version.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wendle_pack {

struct VersionBlock {
    std::u16string key;
    uint16_t type = 0;              // 1: the value is text
    std::vector<uint8_t> value;     // as stored; text in UTF-16 with its NUL
    std::vector<VersionBlock> children;
};

// Refuses, with a message, a record whose blocks reach past their parents or
// whose root is not "VS_VERSION_INFO" with the 52 bytes of its fixed part.
bool ReadVersionRecord(const std::vector<uint8_t>& data, VersionBlock* root, std::string* error);
std::vector<uint8_t> WriteVersionRecord(const VersionBlock& root);

// A string of the record's first string table, without its NUL; empty when
// there is none.
std::u16string VersionString(const VersionBlock& root, const std::u16string& key);
// Sets key in every string table of the record, adding it where it is
// missing.
void SetVersionString(VersionBlock* root, const std::u16string& key, const std::u16string& value);

// Sets the four parts of the fixed part's file version (index 0) or product
// version (index 1), most significant first.
void SetFixedVersion(VersionBlock* root, int index, const uint16_t parts[4]);

}  // namespace wendle_pack
