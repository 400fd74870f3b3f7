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
    const hardening::Bytes stub = hardening::MinimalPeStub();
    std::vector<hardening::Mutant> seeds = hardening::MakeMutants(stub, argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200);
    std::vector<hardening::Mutant> runtimes = hardening::MakeRuntimeMutants(50);
    seeds.insert(seeds.end(), runtimes.begin(), runtimes.end());
    seeds.push_back({"runtime", hardening::RuntimeBase()});
    seeds.push_back({"base", hardening::Base(stub)});
    for (size_t index = 0; index < seeds.size(); ++index) {
        std::string path = argv[1] + (index + 1 < seeds.size() ? "/mutant-" + std::to_string(index) : "/base");
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr || std::fwrite(seeds[index].file.data(), 1, seeds[index].file.size(), out) != seeds[index].file.size()) {
            std::perror(path.c_str());
            return 1;
        }
        std::fclose(out);
    }
    std::printf("payload_seeds: %zu seeds in %s\n", seeds.size(), argv[1]);
    return 0;
}
