// The benches that run under Wine; each prints samples (timing.h).
#pragma once

namespace bench {

int RunSearchBench(int argc, char** argv);
int RunManyBench(int argc, char** argv);
int RunExtractBench(int argc, char** argv);
int RunRuntimeBench(int argc, char** argv);
int RunBundledBench(int argc, char** argv);
int RunMemoryBench(int argc, char** argv);
int RunCompareBench(int argc, char** argv);
int RunMutantCount(int argc, char** argv);

}  // namespace bench
