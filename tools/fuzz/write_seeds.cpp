// Writes the mutation campaign's mutants, built on a small stand-in stub
// instead of Wendle.exe, into a folder: the payload fuzzer's seed corpus.
// Usage: payload_seeds DIR [RANDOM_MUTANTS]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mutants.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: payload_seeds DIR [RANDOM_MUTANTS]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const size_t random = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
    const hardening::Bytes stub = hardening::MinimalPeStub();
    const std::vector<hardening::Mutant> mutants = hardening::MakeMutants(stub, random);
    for (size_t index = 0; index < mutants.size(); ++index) {
        const hardening::Bytes& file = mutants[index].file;
        char name[32];
        std::snprintf(name, sizeof name, "/mutant-%05zu", index);
        std::FILE* out = std::fopen((dir + name).c_str(), "wb");
        if (out == nullptr || std::fwrite(file.data(), 1, file.size(), out) != file.size()) {
            std::perror((dir + name).c_str());
            return 1;
        }
        std::fclose(out);
    }
    std::FILE* base = std::fopen((dir + "/base").c_str(), "wb");
    const hardening::Bytes bytes = hardening::Base(stub);
    if (base == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), base) != bytes.size())
        return 1;
    std::fclose(base);
    std::printf("payload_seeds: %zu seeds in %s\n", mutants.size() + 1, dir.c_str());
    return 0;
}
