// Malformed installers for the mutation campaign: every mutant is a launcher
// stub followed by a payload that is broken in one deliberate way (or by
// random bytes from a fixed seed). The list and every mutant's bytes depend
// only on the stub and the seed, so a failing mutant is reproduced by its
// index. Built for Windows (the campaign) and natively (the fuzzer's seeds).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hardening {

using Bytes = std::vector<uint8_t>;

// The classes of damage, as reported in the figures.
enum class Family {
    Truncated,      // the file cut inside a header field or the data
    Trailer,        // the first-entry offset at and beyond every boundary
    EntryCount,     // 0 to 1000 entries
    NameLength,     // entry names of 0 to 64 KiB
    OddName,        // names a file system or a reader could trip on
    Value,          // setting values of 0 to 64 KiB, with and without their NUL
    Kind,           // kinds other than 0
    Length,         // lengths short, long, past the end of the file
    Loop,           // lengths that wrap around to an earlier header
    Certificate,    // a signature's certificate table, where the trailer is read
    ByteFlips,      // random bytes from the fixed seed
};
const char* FamilyName(Family family);
constexpr int kFamilyCount = 11;

struct Mutant {
    Family family;
    std::string name;   // what was done, e.g. "cut at 0x1A (entry 0: kind)"
    Bytes file;
};

class MutantSet {
public:
    // randomMutants: how many ByteFlips mutants follow the deterministic ones.
    MutantSet(Bytes stub, uint64_t seed, size_t randomMutants);

    size_t size() const { return recipes_.size(); }
    Family family(size_t index) const { return recipes_[index].family; }
    Mutant Make(size_t index) const;

    // count indexes spread evenly over the whole list (all of them when
    // count >= size()), so that a short run still meets every family.
    std::vector<size_t> Sample(size_t count) const;

    // The valid installer every mutant is derived from.
    Bytes Base() const;

private:
    struct Recipe {
        Family family;
        std::string name;
        std::function<Bytes()> make;
    };
    void Add(Family family, std::string name, std::function<Bytes()> make);
    void AddTruncations();
    void AddTrailers();
    void AddEntryCounts();
    void AddNames();
    void AddValues();
    void AddKinds();
    void AddLengths();
    void AddLoops();
    void AddCertificates();
    void AddByteFlips(size_t count);

    Bytes stub_;
    uint64_t seed_;
    std::vector<Recipe> recipes_;
};

// A small stand-in for the launcher's executable image: DOS and PE32
// headers with sixteen data directories (the security entry empty) and
// zeros up to size bytes. Natively built seeds use it in place of
// Wendle.exe, which keeps them small.
Bytes MinimalPeStub(size_t size = 0x200);

// What the launcher must show for a file started without arguments: the
// usage message, or (the three settings read) the VM search and its dialogs.
enum class Outcome { Usage, Settings };

// Reads the file as the launcher reads it, through wendle-pack's reader:
// the first entries must be "commandline" and "url" (any letter case) with
// readable string values, and a third entry must follow.
Outcome Predict(const Bytes& file);

// The third entry's name when Predict gives Settings: the installer class.
std::string InstallerClassName(const Bytes& file);

}  // namespace hardening
