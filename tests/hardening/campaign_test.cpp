// The real Wendle.exe against malformed payloads and odd inputs.
//
// The campaign runs each mutant without arguments, with one VM that answers
// "not suitable", and checks it against wendle-pack's own reader of the
// payload: the usage message exactly when that reader finds no three
// settings; otherwise the no-VM dialog with the payload's address, the probe
// run with exactly the payload's requirement, and the installer class saved
// byte for byte (or refused, for a kind that cannot be extracted). Every run
// ends with the exit status of its road (1603 after the usage message, 1633
// after a save, 1602 after Cancel) and leaves nothing behind. Three CTest
// tests share the mutants.
#include <gtest/gtest.h>

#include "harness.h"
#include "mutants.h"
#include "payload/payload_archive.h"
#include "payload/runtime_archive.h"
#include "res/resource.h"

namespace {

const char kRuns[] = "C:\\vms-runs.txt";

struct Expected {
    bool settings = false;
    std::string requirement, url, className, installer;
    uint32_t kind = 0;
};

Expected Predict(const hardening::Bytes& file)
{
    Expected expected;
    wendle_pack::ChainWalk walk;
    std::string error;
    if (!wendle_pack::WalkPayload(file, &walk, &error) || walk.entries.size() < 3)
        return expected;
    const auto& entries = walk.entries;
    expected.settings = _stricmp(entries[0].name.c_str(), "commandline") == 0 &&
                        _stricmp(entries[1].name.c_str(), "url") == 0 &&
                        wendle_pack::ReadStringValue(file, entries[0], &expected.requirement) &&
                        wendle_pack::ReadStringValue(file, entries[1], &expected.url);
    expected.className = entries[2].name;
    expected.kind = entries[2].kind;
    expected.installer.assign(file.begin() + entries[2].dataOffset,
                              file.begin() + entries[2].dataOffset + entries[2].length);
    return expected;
}

std::string FromAnsi(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &wide[0], (int)wide.size()));
    return wt::Utf8(wide);
}

void RunMutant(const hardening::Mutant& mutant, const std::string& exe)
{
    SCOPED_TRACE(mutant.name);
    wt::WriteFile(exe, std::string(mutant.file.begin(), mutant.file.end()));
    DeleteFileA(kRuns);
    Expected expected = Predict(mutant.file);
    wt::Session session({}, "", exe);
    DWORD status = 1603;
    if (!expected.settings) {
        auto box = session.NextBox();
        EXPECT_EQ(wt::LauncherString(IDS_USAGE), box.text);
        session.Answer(box, IDOK);
    } else {
        HWND dialog = session.Wait(wt::IsNoVm, 90000);
        EXPECT_EQ(FromAnsi(expected.url), wt::ItemText(dialog, IDC_DOWNLOAD_URL));
        std::string saved = session.dir / expected.className;
        wt::Choose(dialog, IDC_OPT_SAVE);
        wt::Type(dialog, IDC_SAVE_FOLDER, FromAnsi(session.dir.path));
        wt::Click(dialog, IDOK);
        auto box = session.NextBox();
        // A name that Windows refuses ends both walks before it gets here.
        bool saves = expected.kind == 0;
        std::string message = wt::LauncherString(saves ? IDS_SAVED_TO : IDS_CANNOT_SAVE);
        EXPECT_EQ(saves ? message.replace(message.find("%s"), 2, FromAnsi(saved)) : message, box.text);
        session.Answer(box, IDOK);
        EXPECT_EQ(saves ? expected.installer : "", wt::ReadFile(FromAnsi(saved)));
        if (IsWindowVisible(dialog))
            wt::Click(dialog, IDCANCEL);
        status = saves ? 1633 : 1602;
    }
    session.End(status);
    std::vector<std::string> runs = wt::RecordedRuns(kRuns);
    // Every requirement that fits its setting reaches the VM whole.
    bool reachesVm = expected.settings;
    if (expected.requirement.find_first_of("\r\n") == std::string::npos)
        EXPECT_EQ(reachesVm ? "\"C:\\vms\\jdk\\Bin\\java.exe\" TvqVersion " + expected.requirement : "",
                  runs.empty() ? "" : runs[0].substr(0, runs[0].rfind('|')));
}

void RunPart(size_t part)
{
    wt::ForgetAllVms();
    wt::InstallKind(wt::kJdk, "exit=159\nrecord=" + std::string(kRuns));
    std::string stub = wt::ReadFile(WENDLE_EXE);
    // bench/campaign runs longer campaigns: more random mutants, other seeds.
    const char *count = getenv("WENDLE_RANDOM_MUTANTS"), *seed = getenv("WENDLE_MUTANT_SEED");
    std::vector<hardening::Mutant> mutants = hardening::MakeMutants(hardening::Bytes(stub.begin(), stub.end()),
        count ? strtoul(count, nullptr, 10) : 120, seed ? (uint32_t)strtoul(seed, nullptr, 10) : 1);
    wt::Scratch dir("mutants");
    for (size_t index = part; index < mutants.size(); index += 3)
        RunMutant(mutants[index], dir / "setup.exe");
    wt::ForgetAllVms();
}

// The runtime's archive, unpacked by the launcher's reader as a run does:
// whole, exactly as wendle-pack's reader takes it, or not at all, and never
// a file outside the folder.
TEST(Campaign, Runtime)
{
    wt::Scratch dir("runtimes");
    const std::vector<std::string> temp = wt::List(wt::TempDir());
    for (const hardening::Mutant& mutant : hardening::MakeRuntimeMutants(400)) {
        SCOPED_TRACE(mutant.name);
        std::vector<wendle_pack::RuntimeMember> members;
        std::string error;
        bool expected = wendle_pack::ReadRuntimeTar(mutant.file.data(), mutant.file.size(), true, &members, &error);
        std::vector<uint8_t> payload = wendle_pack::EncodePayload({{"runtime.tar", 0, mutant.file}}, 0);
        wt::WriteFile(dir / "setup.exe", std::string(payload.begin(), payload.end()));
        PayloadArchive archive;
        archive.ReadDirectoryFrom((dir / "setup.exe").c_str());
        ASSERT_EQ(expected, RuntimeArchive(archive.file, *archive.entries[0]).UnpackTo((dir / "rt").c_str())) << error;
        archive.Close();
        size_t found = 0;
        for (const auto& file : std::filesystem::recursive_directory_iterator(dir.path)) {
            ++found;
            auto member = std::find_if(members.begin(), members.end(), [&](const wendle_pack::RuntimeMember& m) {
                return wt::P(dir / "rt") / wt::P(m.path) == file.path();
            });
            if (file.path().filename() != "setup.exe" && file.path().filename() != "rt")
                EXPECT_TRUE(member != members.end() && (member->folder || file.file_size() == member->size)) << file.path();
        }
        EXPECT_EQ(expected ? members.size() + 2 : 1, found);
        EXPECT_EQ(temp, wt::List(wt::TempDir()));
        wt::RemoveTree(dir / "rt");
    }
}

TEST(Campaign, Part0) { RunPart(0); }
TEST(Campaign, Part1) { RunPart(1); }
TEST(Campaign, Part2) { RunPart(2); }

}  // namespace
