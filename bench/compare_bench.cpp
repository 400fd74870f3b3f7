// Times any set of programs against each other, for looking into a gap that
// the other benches show:
//   wendle_bench compare [--reps N] KEY "COMMAND LINE" KEY "COMMAND LINE" ...
// The programs take turns in a rotating order after one warm-up round; each
// must exit with 0.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "benches.h"
#include "timing.h"

namespace bench {

int RunCompareBench(int argc, char** argv)
{
    int reps = 11;
    std::vector<std::string> keys;
    std::vector<std::string> commands;
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
            reps = atoi(argv[++i]);
        } else if (i + 1 < argc) {
            keys.push_back(argv[i]);
            commands.push_back(argv[++i]);
        } else {
            Fail(std::string("no command line for ") + argv[i]);
        }
    }
    std::vector<std::vector<double>> samples(commands.size());
    for (int rep = 0; rep <= reps; ++rep) {
        for (size_t turn = 0; turn < commands.size(); ++turn) {
            size_t which = (rep + turn) % commands.size();
            double elapsed = TimeProcess(commands[which], "C:\\");
            if (rep > 0)
                samples[which].push_back(elapsed);
        }
    }
    for (size_t which = 0; which < commands.size(); ++which)
        PrintSamples(keys[which], "ms", samples[which]);
    return 0;
}

}  // namespace bench
