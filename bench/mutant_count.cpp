// The mutation campaign's list of mutants, for bench/campaign to report on:
// the same generator and the same stub as tests/hardening/campaign_test.cpp,
// so that index and name match what the campaign runs.
//   wendle_bench mutants [--random N] [--seed S]
// prints "mutant INDEX PART NAME" for each (PART: the Campaign.PartN that
// runs it), then "mutants COUNT".
#include <cstdio>
#include <cstdlib>

#include "benches.h"
#include "harness.h"
#include "mutants.h"
#include "timing.h"

namespace bench {

int RunMutantCount(int argc, char** argv)
{
    int random = IntOption(argc, argv, "--random", 120);
    int seed = IntOption(argc, argv, "--seed", 1);
    std::string stub = wt::ReadFile(WENDLE_EXE);
    if (stub.empty())
        Fail(std::string("cannot read ") + WENDLE_EXE);
    std::vector<hardening::Mutant> mutants =
        hardening::MakeMutants(hardening::Bytes(stub.begin(), stub.end()), (size_t)random, (uint32_t)seed);
    for (size_t index = 0; index < mutants.size(); ++index)
        printf("mutant %zu %zu %s\n", index, index % 3, mutants[index].name.c_str());
    printf("mutants %zu\n", mutants.size());
    return 0;
}

}  // namespace bench
