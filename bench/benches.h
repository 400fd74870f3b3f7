// The three benches that run under Wine; each prints samples (timing.h).
#pragma once

namespace bench {

int RunSearchBench(int argc, char** argv);
int RunExtractBench(int argc, char** argv);
int RunMemoryBench(int argc, char** argv);
int RunCompareBench(int argc, char** argv);

// Writes the JavaSoft keys of a JDK or JRE (CurrentVersion 1.1 and its
// JavaHome) in the 32-bit view that the launcher reads.
void RegisterJava(const char* key, const char* javaHome);
void DeleteJavaSoftKeys();
extern const char kJdkKey[];
extern const char kJreKey[];

}  // namespace bench
