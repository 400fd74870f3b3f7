// Windows side of bench/run and bench/campaign, under Wine: times the
// launcher and its floors and prints raw samples for bench/run to summarise.
//   wendle_bench search  --wendle EXE --wendle-lazy EXE --floor EXE --floor-imports EXE
//                        --probe-class FILE [--reps N] [--jvm-reps N]
//   wendle_bench many    --wendle EXE [--reps N]
//   wendle_bench extract --packed EXE --class FILE [--reps N]
//   wendle_bench runtime --packed EXE --folder DIR --tar FILE [--reps N]
//   wendle_bench bundled --packed EXE --requirement TEXT [--reps N]
//   wendle_bench memory  --small EXE --big EXE [--reps N]
//   wendle_bench compare [--reps N] KEY COMMAND KEY COMMAND ...
//   wendle_bench mutants [--random N] [--seed S]
#include <cstdio>
#include <cstring>
#include <exception>

#include "benches.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: wendle_bench search|many|extract|runtime|bundled|memory|compare|mutants OPTIONS\n");
        return 2;
    }
    try {
        if (strcmp(argv[1], "search") == 0)
            return bench::RunSearchBench(argc, argv);
        if (strcmp(argv[1], "many") == 0)
            return bench::RunManyBench(argc, argv);
        if (strcmp(argv[1], "extract") == 0)
            return bench::RunExtractBench(argc, argv);
        if (strcmp(argv[1], "runtime") == 0)
            return bench::RunRuntimeBench(argc, argv);
        if (strcmp(argv[1], "bundled") == 0)
            return bench::RunBundledBench(argc, argv);
        if (strcmp(argv[1], "memory") == 0)
            return bench::RunMemoryBench(argc, argv);
        if (strcmp(argv[1], "compare") == 0)
            return bench::RunCompareBench(argc, argv);
        if (strcmp(argv[1], "mutants") == 0)
            return bench::RunMutantCount(argc, argv);
    } catch (const std::exception& error) {
        printf("error %s\n", error.what());
        fflush(stdout);
        return 1;
    }
    fprintf(stderr, "wendle_bench: unknown bench %s\n", argv[1]);
    return 2;
}
