// Malformed installers: a launcher stub followed by a payload broken in one
// deliberate way, then by random bytes from a fixed seed. Every mutant
// depends only on the stub and the seed, so a failing one is reproduced by
// its index. Built for Windows (the campaign) and natively (the fuzzer's
// seeds).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hardening {

using Bytes = std::vector<uint8_t>;

struct Mutant {
    std::string name;   // what was done, e.g. "entry 2: kind 1"
    Bytes file;
};

// The valid installer the mutants come from, then the mutants.
Bytes Base(const Bytes& stub);
std::vector<Mutant> MakeMutants(const Bytes& stub, size_t randomMutants, uint32_t seed = 1);

// A runtime archive as wendle-pack writes one (folders, a file across the
// launcher's chunks, the release file last), then mutants of it: names,
// types and sizes changed with the checksum made right again, checksums
// broken, cuts, and random bytes of the headers.
Bytes RuntimeBase();
std::vector<Mutant> MakeRuntimeMutants(size_t randomMutants, uint32_t seed = 1);

// A small stand-in for the launcher's image: DOS and PE32 headers with
// sixteen data directories, the security entry empty.
Bytes MinimalPeStub();

}  // namespace hardening
