// Extraction: the launcher's ExtractAll of a packed executable into a run's
// own folder in the temporary directory, as the launcher makes one, against
// CopyFileA of the same class bytes into such a folder, and, for
// information, the copy loop with other chunks (its own is 64 KiB, once
// 32000 bytes). The five take turns; each gets a new folder, made before and
// removed with what it holds after the timing, as the launcher removes its
// own.
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "benches.h"
#include "payload/file_handle.h"
#include "payload/payload_archive.h"
#include "payload/runtime_archive.h"
#include "payload/text_buffer.h"
#include "payload/work_folder.h"
#include "harness.h"
#include "timing.h"

namespace bench {

namespace {

// The copy loop again with other chunks, for information: the multiple of
// the 4 KiB page nearest to the former 32000, 64 KiB, and 1 MiB.
const DWORD kOtherChunks[] = {32768, 64 * 1024, 1024 * 1024};
const int kMethods = 5;

ULONGLONG FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        Fail("no file " + path);
    return ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

// ExtractTo with another chunk size: the same FileHandle calls in the same
// order.
void ExtractWithChunk(PayloadArchive& archive, const PayloadEntry& entry,
                      const std::string& target, DWORD chunkSize)
{
    std::vector<char> buffer(chunkSize);
    archive.file.Seek(entry.dataOffset, FILE_BEGIN);
    FileHandle out;
    out.CreateWrite(target.c_str());
    for (DWORD left = entry.length; left > 0;) {
        DWORD chunk = left < chunkSize ? left : chunkSize;
        DWORD got = archive.file.Read(buffer.data(), chunk);
        out.Write(buffer.data(), got);
        if (got < chunk)
            break;
        left -= got;
    }
    out.Close();
}

}  // namespace

int RunExtractBench(int argc, char** argv)
{
    std::string packed = Option(argc, argv, "--packed");
    std::string classFile = Option(argc, argv, "--class");
    int reps = IntOption(argc, argv, "--reps", 5);

    PayloadArchive archive;
    archive.ReadDirectoryFrom(packed.c_str());
    if (archive.CountEntries() != 3)
        Fail(packed + ": expected three payload entries");
    const PayloadEntry& entry = *archive.entries[2];
    if (entry.length != FileSize(classFile))
        Fail(packed + ": its class entry is not the size of " + classFile);

    const std::string tempDir = wt::TempDir();

    static const char* const kKeys[kMethods] = {"extract.extractall", "extract.copyfile",
                                                 "extract.chunk32k", "extract.chunk64k",
                                                 "extract.chunk1m"};
    std::vector<double> samples[kMethods];
    for (int rep = 0; rep <= reps; ++rep) {
        for (int turn = 0; turn < kMethods; ++turn) {
            int method = (rep + turn) % kMethods;
            char workDir[kTextBufferSize];
            if (!CreateWorkFolder(tempDir.c_str(), workDir))
                Fail("cannot make a folder in " + tempDir);
            const std::string target = workDir + std::string(entry.name);
            double started = NowMs();
            if (method == 0)
                archive.ExtractAll(workDir, 0);
            else if (method == 1 && !CopyFileA(classFile.c_str(), target.c_str(), FALSE))
                Fail("CopyFileA to " + target);
            else if (method >= 2)
                ExtractWithChunk(archive, entry, target, kOtherChunks[method - 2]);
            double elapsed = NowMs() - started;
            if (FileSize(target) != entry.length)
                Fail(target + " has the wrong size after " + kKeys[method]);
            RemoveFolderTree(workDir);
            if (rep > 0)
                samples[method].push_back(elapsed);
        }
    }
    for (int method = 0; method < kMethods; ++method)
        PrintSamples(kKeys[method], "ms", samples[method]);
    return 0;
}

namespace {

// CopyFileA of every file below source into target, folders made first,
// as an unpacking of the same files would leave them.
void CopyTree(const std::string& source, const std::string& target)
{
    if (!CreateDirectoryA(target.c_str(), NULL))
        Fail("cannot make " + target);
    for (const auto& found : std::filesystem::recursive_directory_iterator(source)) {
        std::string to = target + "\\" + std::filesystem::relative(found.path(), source).string();
        if (found.is_directory() ? !CreateDirectoryA(to.c_str(), NULL)
                                 : !CopyFileA(found.path().string().c_str(), to.c_str(), TRUE))
            Fail("cannot copy to " + to);
    }
}

}  // namespace

// The runtime's archive: RuntimeArchive::UnpackTo straight from the packed
// file against CopyFileA of the same files (the runtime folder it was
// packed from), and, for information, CopyFileA of the archive as one file.
int RunRuntimeBench(int argc, char** argv)
{
    std::string packed = Option(argc, argv, "--packed");
    std::string folder = Option(argc, argv, "--folder");
    std::string tarFile = Option(argc, argv, "--tar");
    int reps = IntOption(argc, argv, "--reps", 5);

    PayloadArchive archive;
    archive.ReadDirectoryFrom(packed.c_str());
    int slot = archive.CountEntries() - 1;
    if (slot < 3 || lstrcmpiA(archive.entries[slot]->name, kRuntimeEntry) != 0)
        Fail(packed + ": its last entry is not the runtime");
    const std::string tempDir = wt::TempDir();
    static const char* const kKeys[3] = {"runtime.unpack", "runtime.copyfiles", "runtime.copytar"};
    std::vector<double> samples[3];
    for (int rep = 0; rep <= reps; ++rep) {
        for (int turn = 0; turn < 3; ++turn) {
            int method = (rep + turn) % 3;
            char workDir[kTextBufferSize];
            if (!CreateWorkFolder(tempDir.c_str(), workDir))
                Fail("cannot make a folder in " + tempDir);
            const std::string target = workDir + std::string("runtime");
            double started = NowMs();
            if (method == 0 && !RuntimeArchive(archive.file, *archive.entries[slot]).UnpackTo(target.c_str()))
                Fail("the runtime was refused");
            else if (method == 1)
                CopyTree(folder, target);
            else if (method == 2 && !CopyFileA(tarFile.c_str(), target.c_str(), FALSE))
                Fail("CopyFileA to " + target);
            double elapsed = NowMs() - started;
            RemoveFolderTree(workDir);
            if (rep > 0)
                samples[method].push_back(elapsed);
        }
    }
    for (int method = 0; method < 3; ++method)
        PrintSamples(kKeys[method], "ms", samples[method]);
    return 0;
}

}  // namespace bench
