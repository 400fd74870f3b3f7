#include "test_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace test_files {

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "wendle-pack-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const
{
    return path_ + "/" + name;
}

std::vector<std::string> TempDir::List() const
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& text)
{
    WriteBytes(path, Bytes(text));
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> FakeStub(std::size_t size)
{
    std::vector<uint8_t> stub(size, 0);
    for (std::size_t i = 0; i + 512 < size; ++i)
        stub[i] = uint8_t('A' + i % 26);
    if (size >= 2) {
        stub[0] = 'M';
        stub[1] = 'Z';
    }
    return stub;
}

std::vector<uint8_t> FakeClassFile(std::size_t size)
{
    static const uint8_t kMagic[] = {0xCA, 0xFE, 0xBA, 0xBE};
    std::vector<uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = i < 4 ? kMagic[i] : uint8_t(i * 31 + 7);
    return data;
}

}  // namespace test_files
