#include "mutant_generator.h"

#include <cstdio>
#include <map>
#include <memory>
#include <utility>

#include "tools/wendle-pack/pack_format.h"
#include "tools/wendle-pack/pe_signature.h"

namespace hardening {

namespace {

const char kRequirement[] = "A:A:A";
const char kUrl[] = "https://example.org/java";
const char kClassName[] = "Installer.class";
const size_t kClassSize = 200;

// splitmix64: the same numbers from the same seed on every compiler, which
// the standard library's distributions do not promise.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t bound) { return bound == 0 ? 0 : size_t(Next() % bound); }

private:
    uint64_t state_;
};

using SharedBytes = std::shared_ptr<const Bytes>;

struct RawEntry {
    std::string name;
    uint32_t kind = 0;
    uint32_t length = 0;
    Bytes data;
};

RawEntry Setting(const std::string& name, const std::string& value)
{
    RawEntry entry;
    entry.name = name;
    entry.data.assign(value.begin(), value.end());
    entry.data.push_back(0);
    entry.length = uint32_t(entry.data.size());
    return entry;
}

Bytes ClassBytes(size_t size)
{
    Bytes bytes(size);
    const uint8_t magic[4] = {0xCA, 0xFE, 0xBA, 0xBE};
    for (size_t i = 0; i < size; ++i)
        bytes[i] = i < 4 ? magic[i] : uint8_t(i * 13 + 5);
    return bytes;
}

std::vector<RawEntry> BaseEntries()
{
    RawEntry installer;
    installer.name = kClassName;
    installer.data = ClassBytes(kClassSize);
    installer.length = uint32_t(kClassSize);
    return {Setting(wendle_pack::kRequirementEntry, kRequirement),
            Setting(wendle_pack::kUrlEntry, kUrl), installer};
}

// The stub, the entries as given (stored length and data may disagree) and
// a trailer pointing at the first entry.
Bytes Build(const Bytes& stub, const std::vector<RawEntry>& entries)
{
    Bytes file = stub;
    for (const RawEntry& entry : entries)
        wendle_pack::AppendEntryBytes(file, entry.name, entry.kind, entry.length, entry.data);
    wendle_pack::AppendUInt32(file, uint32_t(stub.size()));
    return file;
}

void PutUInt32(Bytes& file, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        file[offset + i] = uint8_t(value >> (8 * i));
}

Bytes WithTrailer(Bytes file, uint32_t firstEntry)
{
    PutUInt32(file, file.size() - 4, firstEntry);
    return file;
}

// Where the fields of the base payload lie.
struct Layout {
    uint32_t header[3];   // the magic
    uint32_t name[3];
    uint32_t kind[3];
    uint32_t length[3];
    uint32_t data[3];
    uint32_t dataLength[3];
    uint32_t trailer;
    uint32_t size;
};

Layout LayoutOf(size_t stubSize)
{
    Layout layout;
    std::vector<RawEntry> entries = BaseEntries();
    uint32_t at = uint32_t(stubSize);
    for (int i = 0; i < 3; ++i) {
        layout.header[i] = at;
        layout.name[i] = at + 3;
        layout.kind[i] = layout.name[i] + uint32_t(entries[i].name.size()) + 1;
        layout.length[i] = layout.kind[i] + 4;
        layout.data[i] = layout.length[i] + 4;
        layout.dataLength[i] = entries[i].length;
        at = layout.data[i] + entries[i].length;
    }
    layout.trailer = at;
    layout.size = at + 4;
    return layout;
}

std::string Hex(uint64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", (unsigned long long)value);
    return text;
}

// "entry 1: kind" for an offset of the base file.
std::string FieldAt(const Layout& layout, uint32_t offset)
{
    if (offset < layout.header[0])
        return "stub";
    if (offset >= layout.trailer)
        return offset >= layout.size ? "end of file" : "trailer";
    for (int i = 2; i >= 0; --i) {
        if (offset < layout.header[i])
            continue;
        std::string entry = "entry " + std::to_string(i) + ": ";
        if (offset < layout.name[i])
            return entry + "magic";
        if (offset < layout.kind[i])
            return entry + "name";
        if (offset < layout.length[i])
            return entry + "kind";
        if (offset < layout.data[i])
            return entry + "length";
        return entry + "data";
    }
    return "stub";
}

std::string Printable(const std::string& text)
{
    if (text.size() > 24)
        return Printable(text.substr(0, 8)) + "..." + std::to_string(text.size()) + " bytes";
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += char(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

bool SameLetters(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? char(b[i] - 'A' + 'a') : b[i];
        if (x != y)
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

const char* FamilyName(Family family)
{
    switch (family) {
    case Family::Truncated: return "truncated";
    case Family::Trailer: return "trailer offset";
    case Family::EntryCount: return "entry count";
    case Family::NameLength: return "name length";
    case Family::OddName: return "odd name";
    case Family::Value: return "setting value";
    case Family::Kind: return "kind";
    case Family::Length: return "length";
    case Family::Loop: return "looping chain";
    case Family::Certificate: return "certificate table";
    case Family::ByteFlips: return "byte flips";
    }
    return "?";
}

MutantSet::MutantSet(Bytes stub, uint64_t seed, size_t randomMutants)
    : stub_(std::move(stub)), seed_(seed)
{
    AddTruncations();
    AddTrailers();
    AddEntryCounts();
    AddNames();
    AddValues();
    AddKinds();
    AddLengths();
    AddLoops();
    AddCertificates();
    AddByteFlips(randomMutants);
}

Mutant MutantSet::Make(size_t index) const
{
    const Recipe& recipe = recipes_[index];
    return Mutant{recipe.family, recipe.name, recipe.make()};
}

std::vector<size_t> MutantSet::Sample(size_t count) const
{
    std::vector<size_t> indexes;
    if (count >= size()) {
        for (size_t i = 0; i < size(); ++i)
            indexes.push_back(i);
        return indexes;
    }
    for (size_t i = 0; i < count; ++i)
        indexes.push_back(i * size() / count);
    return indexes;
}

Bytes MutantSet::Base() const
{
    return Build(stub_, BaseEntries());
}

void MutantSet::Add(Family family, std::string name, std::function<Bytes()> make)
{
    recipes_.push_back(Recipe{family, std::move(name), std::move(make)});
}

void MutantSet::AddTruncations()
{
    const Layout layout = LayoutOf(stub_.size());
    const SharedBytes base = std::make_shared<const Bytes>(Base());
    // Cuts inside the executable image are not among them: Windows refuses
    // to start what is left, so the launcher never sees such a file.
    std::vector<uint32_t> cuts;
    // Every byte of the three headers and the settings' data.
    for (uint32_t at = layout.header[0]; at <= layout.data[2]; ++at)
        cuts.push_back(at);
    for (uint32_t at : {layout.data[2] + 1, layout.data[2] + layout.dataLength[2] / 2,
                        layout.trailer - 1, layout.trailer, layout.trailer + 1,
                        layout.trailer + 2, layout.trailer + 3})
        cuts.push_back(at);
    const uint32_t first = layout.header[0];
    for (uint32_t cut : cuts) {
        std::string where = "cut at " + Hex(cut) + " (" + FieldAt(layout, cut) + ")";
        // As a broken download ends: the last four bytes are whatever was there.
        Add(Family::Truncated, where, [base, cut] { return Bytes(base->begin(), base->begin() + cut); });
        // The same with a trailer that still leads to the first entry, so the
        // walk itself meets the cut.
        Add(Family::Truncated, where + ", trailer to the first entry", [base, cut, first] {
            Bytes file(base->begin(), base->begin() + cut);
            wendle_pack::AppendUInt32(file, first);
            return file;
        });
    }
}

void MutantSet::AddTrailers()
{
    const Layout layout = LayoutOf(stub_.size());
    const SharedBytes base = std::make_shared<const Bytes>(Base());
    const uint32_t stubSize = uint32_t(stub_.size());
    std::vector<uint32_t> offsets = {0, 1, 2, 3, 0x40, stubSize - 4, stubSize - 1, stubSize + 1,
                                     stubSize + 2, stubSize + 3};
    for (int i = 0; i < 3; ++i)
        for (uint32_t at : {layout.header[i] - 1, layout.header[i], layout.header[i] + 1,
                            layout.name[i], layout.kind[i], layout.data[i]})
            offsets.push_back(at);
    for (uint32_t at : {layout.trailer - 1, layout.trailer, layout.trailer + 1, layout.trailer + 3,
                        layout.size, layout.size + 1, layout.size + 4096, 0x00717674u,
                        0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFCu, 0xFFFFFFFFu})
        offsets.push_back(at);
    for (uint32_t offset : offsets)
        Add(Family::Trailer, "trailer " + Hex(offset) + " (" + FieldAt(layout, offset) + ")",
            [base, offset] { return WithTrailer(*base, offset); });
}

void MutantSet::AddEntryCounts()
{
    const SharedBytes stub = std::make_shared<const Bytes>(stub_);
    for (size_t count : {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 20, 64, 100, 255, 256, 500, 999, 1000}) {
        struct Variant {
            const char* what;
            uint32_t kind;
            bool sameName;
        };
        for (Variant variant : {Variant{"", 0, false}, Variant{", extras of kind 1", 1, false},
                                Variant{", extras all named same.dat", 0, true}}) {
            if (count <= 3 && variant.what[0] != '\0')
                continue;
            Add(Family::EntryCount, std::to_string(count) + " entries" + variant.what,
                [stub, count, variant] {
                    std::vector<RawEntry> entries = BaseEntries();
                    entries.resize(count < 3 ? count : 3);
                    for (size_t i = 3; i < count; ++i) {
                        RawEntry extra;
                        char name[32];
                        std::snprintf(name, sizeof name, "extra%04u.dat", unsigned(i));
                        extra.name = variant.sameName ? "same.dat" : name;
                        extra.kind = variant.kind;
                        extra.data = ClassBytes(16);
                        extra.length = 16;
                        entries.push_back(extra);
                    }
                    return Build(*stub, entries);
                });
        }
    }
}

void MutantSet::AddNames()
{
    const SharedBytes stub = std::make_shared<const Bytes>(stub_);
    auto renamed = [stub](int slot, std::string name) {
        return [stub, slot, name] {
            std::vector<RawEntry> entries = BaseEntries();
            entries[slot].name = name;
            return Build(*stub, entries);
        };
    };
    for (int slot = 0; slot < 3; ++slot)
        for (size_t length : {0, 1, 18, 19, 20, 21, 64, 255, 256, 259, 260, 261, 1024, 4095, 4096,
                              65535, 65536})
            Add(Family::NameLength,
                "entry " + std::to_string(slot) + " named by " + std::to_string(length) + " characters",
                renamed(slot, std::string(length, 'n')));

    // Near misses of the two setting names.
    for (const char* name : {"commandline", "COMMANDLINE", "CommandLine ", "CommandLine.",
                             "CommandLin", "CommandLinee", " CommandLine", "Command\tLine"})
        Add(Family::OddName, "entry 0 named " + Printable(name), renamed(0, name));
    for (const char* name : {"url", "Url", "URL ", "URL.", "UR", "URLs", "\xDCRL", "U\0RL"})
        Add(Family::OddName, "entry 1 named " + Printable(name), renamed(1, name));

    // The installer class name is a file name in the temporary directory.
    const std::vector<std::string> classNames = {
        ".", "..", "...", "a\\b.class", "a/b.class", "c:x.class", ":", "\\", "/", "..\\x.class",
        "CON", "NUL", "PRN", "AUX", "COM1", "LPT1", "nul.class", "con.class", "CONIN$",
        "a*.class", "a?.class", "a<b.class", "a>b.class", "a|b.class", "a\"b.class", " ",
        "x ", "x.", "x. . .", "\t", "\x01\x02\x1F", "\x7F\x80\xFF", "\xE9t\xE9.class",
        "\x82\xA0.class", "TvqVersion.class", "stdout.tmp", "CommandLine", "URL",
        "Installer", ".class", "a.b.c.class", "Installer.CLASS", std::string(19, '.'),
    };
    for (const std::string& name : classNames)
        Add(Family::OddName, "entry 2 named " + Printable(name), renamed(2, name));
}

void MutantSet::AddValues()
{
    const SharedBytes stub = std::make_shared<const Bytes>(stub_);
    const char* slotNames[2] = {"requirement", "URL"};
    for (int slot = 0; slot < 2; ++slot) {
        for (size_t length : {0, 1, 258, 259, 260, 261, 1023, 4096, 65535, 65536}) {
            std::string text(length, slot == 0 ? 'r' : 'u');
            std::string what = std::string(slotNames[slot]) + " of " + std::to_string(length) + " characters";
            Add(Family::Value, what, [stub, slot, text] {
                std::vector<RawEntry> entries = BaseEntries();
                entries[slot] = Setting(entries[slot].name, text);
                return Build(*stub, entries);
            });
            Add(Family::Value, what + " without its NUL", [stub, slot, text] {
                std::vector<RawEntry> entries = BaseEntries();
                entries[slot].data.assign(text.begin(), text.end());
                entries[slot].length = uint32_t(text.size());
                return Build(*stub, entries);
            });
            Add(Family::Value, what + ", length not counting the NUL", [stub, slot, text] {
                std::vector<RawEntry> entries = BaseEntries();
                entries[slot] = Setting(entries[slot].name, text);
                entries[slot].length -= 1;
                return Build(*stub, entries);
            });
        }
        for (const char* text : {"%s%s%s%s%n%n", "%1024d", "\"", "\"quoted\" A:A:A", "a\tb\tc",
                                 "\xE9\xE8\xFF", "\x01\x7F", "A:A:A\r\n", " ", "\\\\server\\share"}) {
            Add(Family::Value, std::string(slotNames[slot]) + " " + Printable(text),
                [stub, slot, text] {
                    std::vector<RawEntry> entries = BaseEntries();
                    entries[slot] = Setting(entries[slot].name, text);
                    return Build(*stub, entries);
                });
        }
    }
}

void MutantSet::AddKinds()
{
    const SharedBytes stub = std::make_shared<const Bytes>(stub_);
    for (int slot = 0; slot < 3; ++slot)
        for (uint32_t kind : {1u, 2u, 0x100u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
            Add(Family::Kind, "entry " + std::to_string(slot) + " of kind " + Hex(kind),
                [stub, slot, kind] {
                    std::vector<RawEntry> entries = BaseEntries();
                    entries[slot].kind = kind;
                    return Build(*stub, entries);
                });
}

void MutantSet::AddLengths()
{
    const Layout layout = LayoutOf(stub_.size());
    const SharedBytes base = std::make_shared<const Bytes>(Base());
    for (int slot = 0; slot < 3; ++slot) {
        const uint32_t actual = layout.dataLength[slot];
        const uint32_t toTrailer = layout.trailer - layout.data[slot];
        const struct {
            const char* what;
            uint32_t length;
        } lengths[] = {
            {"0", 0},
            {"one short", actual - 1},
            {"one long", actual + 1},
            {"up to the trailer", toTrailer},
            {"one into the trailer", toTrailer + 1},
            {"to the end of the file", toTrailer + 4},
            {"past the end of the file", toTrailer + 5},
            {"the file size", layout.size},
            {"0x7FFFFFFF", 0x7FFFFFFFu},
            {"0x80000000", 0x80000000u},
            {"0xFFFFFFFF", 0xFFFFFFFFu},
        };
        for (const auto& length : lengths) {
            uint32_t field = layout.length[slot];
            uint32_t value = length.length;
            Add(Family::Length, "entry " + std::to_string(slot) + " length " + length.what,
                [base, field, value] {
                    Bytes file = *base;
                    PutUInt32(file, field, value);
                    return file;
                });
        }
    }
}

void MutantSet::AddLoops()
{
    const Layout layout = LayoutOf(stub_.size());
    const SharedBytes base = std::make_shared<const Bytes>(Base());
    // A length that wraps the 32-bit offset around to an earlier header (or
    // the entry's own): a reader that adds without a bound walks in circles.
    for (int from = 0; from < 3; ++from) {
        for (int to = 0; to <= from; ++to) {
            uint32_t field = layout.length[from];
            uint32_t value = layout.header[to] - layout.data[from];
            Add(Family::Loop,
                "entry " + std::to_string(from) + " leads back to entry " + std::to_string(to),
                [base, field, value] {
                    Bytes file = *base;
                    PutUInt32(file, field, value);
                    return file;
                });
        }
    }
    const SharedBytes stub = std::make_shared<const Bytes>(stub_);
    for (size_t count : {10, 11, 1000}) {
        Add(Family::Loop, std::to_string(count) + " entries, the last leading back to the first",
            [stub, count] {
                std::vector<RawEntry> entries = BaseEntries();
                for (size_t i = 3; i < count; ++i) {
                    RawEntry extra;
                    extra.name = "loop" + std::to_string(i) + ".dat";
                    extra.data = ClassBytes(8);
                    extra.length = 8;
                    entries.push_back(extra);
                }
                Bytes file = Build(*stub, entries);
                // The last entry's data ends at the trailer; its length
                // field lies 8 bytes in front of its data.
                uint32_t lastData = uint32_t(file.size() - 4 - entries.back().length);
                PutUInt32(file, lastData - 4, uint32_t(stub->size()) - lastData);
                return file;
            });
    }
    // The trailer points at the middle entry, and the last entry leads back to it.
    uint32_t field = layout.length[2];
    uint32_t value = layout.header[1] - layout.data[2];
    uint32_t middle = layout.header[1];
    Add(Family::Loop, "trailer to entry 1, entry 2 leading back to entry 1", [base, field, value, middle] {
        Bytes file = WithTrailer(*base, middle);
        PutUInt32(file, field, value);
        return file;
    });
}

void MutantSet::AddCertificates()
{
    // The security directory entry of the stub's PE headers says where a
    // signature's certificate table starts; the trailer is then read in
    // front of it. The loader ignores the entry, so any value still runs.
    const uint64_t entry = wendle_pack::FindCertificateTable(stub_).directoryEntry;
    if (entry == 0)
        return;
    const SharedBytes base = std::make_shared<const Bytes>(Base());
    const uint32_t baseSize = uint32_t(base->size());
    const uint32_t tableSize = 16;
    const uint32_t fileSize = baseSize + tableSize;
    const uint32_t payloadStart = uint32_t(stub_.size());
    auto signedFile = [base, entry, tableSize](bool withTable, uint32_t offset, uint32_t size) {
        return [base, entry, tableSize, withTable, offset, size] {
            Bytes file = *base;
            PutUInt32(file, size_t(entry), offset);
            PutUInt32(file, size_t(entry) + 4, size);
            if (withTable) {
                // A WIN_CERTIFICATE header: length, revision 2.0, PKCS#7.
                Bytes table = {16, 0, 0, 0, 0, 2, 2, 0, 0x30, 0x82, 0, 0, 0, 0, 0, 0};
                table.resize(tableSize);
                file.insert(file.end(), table.begin(), table.end());
            }
            return file;
        };
    };
    Add(Family::Certificate, "signed: table behind the trailer", signedFile(true, baseSize, tableSize));
    for (uint32_t offset : {0u, 1u, uint32_t(entry), payloadStart, baseSize - 4, baseSize - 1,
                            baseSize, baseSize + 1, fileSize, 0xFFFFFFFFu}) {
        for (uint32_t size : {0u, 1u, tableSize - 1, tableSize, tableSize + 1, fileSize - offset,
                              fileSize, 0xFFFFFFFFu}) {
            if (offset == baseSize && size == tableSize)
                continue;
            Add(Family::Certificate,
                "table entry " + Hex(offset) + "+" + Hex(size) + ", table appended",
                signedFile(true, offset, size));
        }
        Add(Family::Certificate, "table entry " + Hex(offset) + "+" + Hex(tableSize) + ", no table",
            signedFile(false, offset, tableSize));
    }
}

void MutantSet::AddByteFlips(size_t count)
{
    const Layout layout = LayoutOf(stub_.size());
    const SharedBytes base = std::make_shared<const Bytes>(Base());
    // Headers and trailer are where a flip changes the walk; the data mostly
    // only what is extracted. Half of the mutants aim at them alone.
    std::vector<uint32_t> structure;
    for (int i = 0; i < 3; ++i)
        for (uint32_t at = layout.header[i]; at < layout.data[i]; ++at)
            structure.push_back(at);
    for (uint32_t at = layout.trailer; at < layout.size; ++at)
        structure.push_back(at);
    const uint32_t payloadStart = layout.header[0];
    const uint32_t payloadSize = layout.size - payloadStart;
    for (size_t index = 0; index < count; ++index) {
        Random random(seed_ * 0x100000001B3ull + index);
        const bool structureOnly = index % 2 == 0;
        const size_t edits = 1 + random.Below(8);
        std::map<uint32_t, uint8_t> changes;
        for (size_t edit = 0; edit < edits; ++edit) {
            uint32_t at = structureOnly ? structure[random.Below(structure.size())]
                                        : payloadStart + uint32_t(random.Below(payloadSize));
            uint8_t current = changes.count(at) ? changes[at] : (*base)[at];
            uint8_t value = 0;
            switch (random.Below(4)) {
            case 0: value = uint8_t(random.Next()); break;
            case 1: value = uint8_t(current ^ (1u << random.Below(8))); break;
            case 2: value = 0x00; break;
            default: value = 0xFF; break;
            }
            changes[at] = value;
        }
        std::string name = structureOnly ? "header bytes" : "payload bytes";
        for (const auto& change : changes)
            name += " " + Hex(change.first) + "=" + Hex(change.second);
        Add(Family::ByteFlips, name, [base, changes] {
            Bytes file = *base;
            for (const auto& change : changes)
                file[change.first] = change.second;
            return file;
        });
    }
}

Bytes MinimalPeStub(size_t size)
{
    const uint32_t pe = 0x40;
    Bytes stub(size < 0x180 ? 0x180 : size, 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    PutUInt32(stub, 0x3C, pe);
    const uint8_t signature[4] = {'P', 'E', 0, 0};
    for (int i = 0; i < 4; ++i)
        stub[pe + i] = signature[i];
    stub[pe + 4] = 0x4C;          // i386
    stub[pe + 5] = 0x01;
    stub[pe + 20] = 0xE0;         // optional header size 224
    const uint32_t optional = pe + 24;
    stub[optional] = 0x0B;        // PE32
    stub[optional + 1] = 0x01;
    PutUInt32(stub, optional + 92, 16);   // number of data directories
    return stub;
}

Outcome Predict(const Bytes& file)
{
    std::vector<wendle_pack::ListedEntry> entries;
    std::string error;
    if (!wendle_pack::ReadPayload(file, &entries, &error) || entries.size() < 3)
        return Outcome::Usage;
    if (!SameLetters(entries[0].name, "commandline") || !SameLetters(entries[1].name, "url"))
        return Outcome::Usage;
    std::string value;
    if (!wendle_pack::ReadStringValue(file, entries[0], &value) ||
        !wendle_pack::ReadStringValue(file, entries[1], &value))
        return Outcome::Usage;
    return Outcome::Settings;
}

std::string InstallerClassName(const Bytes& file)
{
    std::vector<wendle_pack::ListedEntry> entries;
    std::string error;
    if (!wendle_pack::ReadPayload(file, &entries, &error) || entries.size() < 3)
        return std::string();
    return entries[2].name;
}

}  // namespace hardening
