#include "mutants.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "tools/wendle-pack/pack_format.h"

namespace hardening {

namespace {

using wendle_pack::Entry;

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

std::vector<Entry> BaseEntries()
{
    Bytes installer = Text("\xCA\xFE\xBA\xBE" + std::string(700, 'c'));
    return {wendle_pack::StringEntry("CommandLine", "A:A:A"),
            wendle_pack::StringEntry("URL", "https://wendle.example.org/java"),
            {"Setup.class", 0, installer},
            {"data.txt", 0, Text("data")}};
}

Bytes Packed(const Bytes& stub, const std::vector<Entry>& entries)
{
    Bytes file = stub;
    Bytes payload = wendle_pack::EncodePayload(entries, (uint32_t)stub.size());
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

// Both builds run on little-endian machines, as the format is.
void Put32(Bytes& file, size_t at, uint32_t value)
{
    std::memcpy(&file[at], &value, 4);
}

}  // namespace

Bytes Base(const Bytes& stub)
{
    return Packed(stub, BaseEntries());
}

std::vector<Mutant> MakeMutants(const Bytes& stub, size_t randomMutants, uint32_t seed)
{
    std::vector<Mutant> mutants;
    const Bytes base = Base(stub);
    const uint32_t start = (uint32_t)stub.size();
    auto add = [&](const std::string& name, Bytes file) { mutants.push_back({name, file}); };
    // The base's entries changed by change, then packed as they are.
    auto entries = [&](const std::string& name, const std::function<void(std::vector<Entry>&)>& change) {
        std::vector<Entry> changed = BaseEntries();
        change(changed);
        add(name, Packed(stub, changed));
    };
    // The base with one 32-bit field overwritten.
    auto field = [&](const std::string& name, size_t at, uint32_t value) {
        Bytes file = base;
        Put32(file, at, value);
        add(name, file);
    };

    std::vector<size_t> headers;
    size_t header = start;
    for (const Entry& entry : BaseEntries()) {
        const std::string which = entry.name + ": ";
        size_t data = header + 3 + entry.name.size() + 1 + 8;
        for (size_t cut : {header + 1, header + 5, data - 5, data - 1, data + 1})
            add(which + "cut at " + std::to_string(cut - start), Bytes(base.begin(), base.begin() + cut));
        for (uint32_t kind : {1u, 0xFFFFFFFFu})
            field(which + "kind " + std::to_string(kind), data - 8, kind);
        uint32_t length = (uint32_t)entry.data.size(), toTrailer = (uint32_t)(base.size() - 4 - data);
        for (uint32_t stored : {0u, length - 1, length + 1, toTrailer + 1, 0xFFFFFFFFu, (uint32_t)(start - data)})
            field(which + "length " + std::to_string(stored), data - 4, stored);
        Bytes magic = base;
        magic[header] = 'T';
        add(which + "magic Tvq", magic);
        headers.push_back(header);
        header = data + length;
    }
    for (uint32_t trailer : {0u, start - 1, start + 1, (uint32_t)headers[1], (uint32_t)base.size() - 4,
                             (uint32_t)base.size() - 3, (uint32_t)base.size(), 0xFFFFFFFFu})
        field("trailer " + std::to_string(trailer), base.size() - 4, trailer);
    for (size_t count : {0, 1, 2, 3, 9, 10, 11, 12})
        entries(std::to_string(count) + " entries", [count](std::vector<Entry>& all) {
            all.resize(count < 4 ? count : 4);
            for (size_t extra = all.size(); extra < count; ++extra)
                all.push_back({"extra" + std::to_string(extra), 0, Text("x")});
        });
    for (size_t length : {0, 18, 19, 20, 21, 300})
        entries("installer name of " + std::to_string(length),
                [length](std::vector<Entry>& all) { all[2].name = std::string(length, 'n'); });
    for (const char* name : {"..", ".", "a\\b.class", "a/b.class", "C:b.class", " ", "\xE9t\xE9.class",
                             "CommandLine", "url"})
        entries(std::string("installer named ") + name, [name](std::vector<Entry>& all) { all[2].name = name; });
    entries("names in capitals", [](std::vector<Entry>& all) { all[0].name = "COMMANDLINE", all[1].name = "Url"; });
    entries("settings swapped", [](std::vector<Entry>& all) { std::swap(all[0], all[1]); });
    for (size_t length : {0, 248, 249, 258, 259, 260, 300}) {
        entries("requirement of " + std::to_string(length), [length](std::vector<Entry>& all) {
            all[0] = wendle_pack::StringEntry("CommandLine", std::string(length, 'r'));
        });
        entries("address of " + std::to_string(length), [length](std::vector<Entry>& all) {
            all[1] = wendle_pack::StringEntry("URL", std::string(length, 'u'));
        });
    }
    entries("requirement without its NUL", [](std::vector<Entry>& all) { all[0].data.pop_back(); });
    entries("address with a NUL inside", [](std::vector<Entry>& all) { all[1].data[4] = 0; });

    // Random bytes of the payload, and now and then of the trailer.
    uint32_t state = seed;
    auto next = [&state]() { return state = state * 1664525u + 1013904223u; };
    for (size_t index = 0; index < randomMutants; ++index) {
        Bytes file = base;
        for (uint32_t flips = 1 + next() % 4; flips > 0; --flips) {
            size_t at = next() % 8 == 0 ? file.size() - 1 - next() % 4 : start + next() % (file.size() - start);
            file[at] = (uint8_t)(next() >> 24);
        }
        add("random " + std::to_string(index), file);
    }
    return mutants;
}

namespace {

// The member headers of RuntimeBase, in order: name, type, data size.
const struct {
    const char* name;
    char type;
    size_t size;
} kRuntimeMembers[] = {{"bin/", '5', 0}, {"bin/java.exe", '0', 70000}, {"lib/", '5', 0},
                       {"lib/modules", '0', 1000}, {"release", '0', 24}};

void FixChecksum(Bytes& tar, size_t header)
{
    std::memset(&tar[header + 148], ' ', 8);
    unsigned sum = 0;
    for (size_t at = header; at < header + 512; ++at)
        sum += tar[at];
    char text[8];
    std::snprintf(text, sizeof text, "%06o", sum);
    std::memcpy(&tar[header + 148], text, 7);
}

}  // namespace

Bytes RuntimeBase()
{
    Bytes tar;
    for (const auto& member : kRuntimeMembers) {
        Bytes header = wendle_pack::TarHeader(member.name, member.type, member.size);
        tar.insert(tar.end(), header.begin(), header.end());
        tar.resize(tar.size() + (member.size + 511) / 512 * 512, 'd');
    }
    tar.resize(tar.size() + 1024);
    return tar;
}

std::vector<Mutant> MakeRuntimeMutants(size_t randomMutants, uint32_t seed)
{
    std::vector<Mutant> mutants;
    const Bytes base = RuntimeBase();
    std::vector<size_t> headers;
    for (size_t at = 0, i = 0; i < 5; at += 512 + (kRuntimeMembers[i++].size + 511) / 512 * 512)
        headers.push_back(at);
    // The base with count bytes at offset within a header, the checksum made right or not.
    auto change = [&](const std::string& name, size_t header, size_t offset, const std::string& bytes, bool fix) {
        Bytes file = base;
        std::memcpy(&file[header + offset], bytes.data(), bytes.size());
        if (fix)
            FixChecksum(file, header);
        mutants.push_back({name, file});
    };
    for (size_t h : headers) {
        const std::string at = "header at " + std::to_string(h) + ": ";
        for (const char* name : {"..", "/x", "C:x", "a\\b", "NUL.txt", "COM1", "x.", "a//b", "../../x"})
            change(at + "name " + name, h, 0, std::string(name) + '\0', true);
        for (const char* size : {"00000000000", "77777777777", "00000200000", "00000001751"})
            change(at + "size " + size, h, 124, size, true);
        change(at + "checksum broken", h, 0, "c", false);
        change(at + "no magic", h, 257, "gnu", true);
        change(at + "a prefix", h, 345, "p", true);
        mutants.push_back({at + "cut", Bytes(base.begin(), base.begin() + h + 512)});
    }
    for (char type : {'1', '2', '3', '4', '6', '7', 'L', 'x', 'g', '5'})
        change(std::string("type ") + type, headers[1], 156, std::string(1, type), true);
    change("a file named like an earlier one", headers[3], 0, std::string("bin/JAVA.EXE") + '\0', true);
    change("a file without its folder", headers[3], 0, std::string("etc/modules") + '\0', true);
    mutants.push_back({"no end block", Bytes(base.begin(), base.end() - 1024)});

    uint32_t state = seed;
    auto next = [&state]() { return state = state * 1664525u + 1013904223u; };
    for (size_t index = 0; index < randomMutants; ++index) {
        Bytes file = base;
        size_t header = headers[next() % headers.size()];
        for (uint32_t flips = 1 + next() % 3; flips > 0; --flips)
            file[header + next() % 512] = (uint8_t)(next() >> 24);
        if (next() % 4 != 0)
            FixChecksum(file, header);
        mutants.push_back({"random " + std::to_string(index), file});
    }
    return mutants;
}

Bytes MinimalPeStub()
{
    Bytes stub(0x200, 0);
    stub[0] = 'M', stub[1] = 'Z';
    Put32(stub, 0x3C, 0x80);
    std::memcpy(&stub[0x80], "PE\0\0", 4);
    stub[0x80 + 4 + 16] = 224;                          // size of the optional header
    stub[0x80 + 24] = 0x0B, stub[0x80 + 25] = 0x01;     // PE32
    Put32(stub, 0x80 + 24 + 92, 16);                    // sixteen data directories
    return stub;
}

}  // namespace hardening
