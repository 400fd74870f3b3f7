// The real Wendle.exe, started as a user or a script would start it.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "tools/wendle-pack/pack_format.h"
#include "window_driver.h"

using test_support::Bytes;
using test_support::ChildProcess;
using test_support::RunOptions;
using test_support::ScratchDir;

namespace {

const char kTitle[] = "Tarrowby Java Edition";
const char kUsage[] = "usage:\n\nWendle <version>:<vendor>:<os> ...";
const DWORD kQuickExitMs = 30000;

class LauncherRun : public ::testing::Test {
protected:
    ScratchDir work{"run"};
    ScratchDir temp{"run-tmp"};

    RunOptions InTemp() const
    {
        RunOptions options;
        options.tempDir = temp.path() + "\\";
        return options;
    }

    std::string PackStandard(const std::string& requirement = "A:A:A")
    {
        std::string classFile = work / "Installer.class";
        test_support::WriteBytes(classFile, test_support::FakeClassFile(3000));
        std::string exe = work / "setup.exe";
        test_support::PackInstaller(exe, requirement, "https://example.org/java", classFile);
        return exe;
    }

    std::string PackEntries(const std::vector<wendle_pack::Entry>& entries)
    {
        Bytes stub = test_support::ReadBytes(WENDLE_EXE_PATH);
        Bytes payload = wendle_pack::EncodePayload(entries, (uint32_t)stub.size());
        std::string exe = work / "odd.exe";
        test_support::AppendToStub(exe, payload);
        return exe;
    }

    // Starts exe without arguments, expects the usage message, answers it
    // and expects the launcher to end with 0 and leave nothing in temp.
    void ExpectUsageMessage(const std::string& exe, const char* what)
    {
        ChildProcess launcher("\"" + exe + "\"", InTemp());
        HWND box = test_support::WaitForWindow(launcher.id(), "#32770", kQuickExitMs);
        ASSERT_NE(nullptr, box) << what << ": no usage message";
        test_support::MessageBoxView view = test_support::ReadMessageBox(box);
        EXPECT_EQ(kTitle, view.caption) << what;
        EXPECT_EQ(kUsage, view.text) << what;
        EXPECT_TRUE(view.hasOk) << what;
        EXPECT_FALSE(view.hasYes || view.hasNo || view.hasCancel) << what;
        // The probe class waits in the temporary directory while the box is up.
        EXPECT_EQ(std::vector<std::string>{"TvqVersion.class"}, test_support::ListDir(temp.path()))
            << what;
        test_support::Click(box, IDOK);
        DWORD exitCode = 99;
        ASSERT_TRUE(launcher.Wait(kQuickExitMs, &exitCode)) << what;
        EXPECT_EQ(0u, exitCode) << what;
        EXPECT_TRUE(test_support::ListDir(temp.path()).empty()) << what << ": left files behind";
    }

    // Starts exe and expects it to end by itself, with 0, showing nothing.
    void ExpectQuietEnd(const std::string& commandLine, const RunOptions& options, const char* what)
    {
        ChildProcess launcher(commandLine, options);
        DWORD exitCode = 99;
        bool ended = launcher.Wait(kQuickExitMs, &exitCode);
        EXPECT_TRUE(ended) << what << ": still running (a window is waiting for an answer?)";
        EXPECT_EQ(0u, exitCode) << what;
    }
};

TEST_F(LauncherRun, WithoutPayloadShowsTheUsageMessage)
{
    ExpectUsageMessage(WENDLE_EXE_PATH, "plain Wendle.exe");
}

TEST_F(LauncherRun, PayloadsWithoutTheThreeSettingsShowTheUsageMessage)
{
    using wendle_pack::StringEntry;
    Bytes classBytes = test_support::FakeClassFile(100);
    wendle_pack::Entry installer;
    installer.name = "Installer.class";
    installer.data = classBytes;

    ExpectUsageMessage(PackEntries({StringEntry("CommandLine", "A:A:A"),
                                    StringEntry("Address", "x"), installer}),
                       "second entry is not url");
    ExpectUsageMessage(PackEntries({StringEntry("URL", "x"), StringEntry("CommandLine", "A:A:A"),
                                    installer}),
                       "entries in another order");
    ExpectUsageMessage(PackEntries({StringEntry("CommandLine", "A:A:A"), StringEntry("URL", "x")}),
                       "no installer class");
    ExpectUsageMessage(PackEntries({StringEntry("CommandLine", std::string(260, 'r')),
                                    StringEntry("URL", "x"), installer}),
                       "requirement of 260 characters");
    ExpectUsageMessage(PackEntries({StringEntry("CommandLine", "A:A:A"),
                                    StringEntry("URL", std::string(300, 'u')), installer}),
                       "address of 300 characters");
}

TEST_F(LauncherRun, SettingNamesAreComparedWithoutLetterCase)
{
    using wendle_pack::StringEntry;
    wendle_pack::Entry installer;
    installer.name = "Installer.class";
    installer.data = test_support::FakeClassFile(100);
    // Accepted: no usage message but the search, which finds no VM in this
    // prefix and hands over to the no-VM dialog.
    ChildProcess launcher("\"" + PackEntries({StringEntry("COMMANDLINE", "A:A:A"),
                                              StringEntry("url", "x"), installer}) + "\"",
                          InTemp());
    // The selection dialog shows during the search; the no-VM dialog is the
    // one with the address field.
    HWND noVm = nullptr;
    for (DWORD waited = 0; noVm == nullptr && waited < kQuickExitMs; waited += 50) {
        for (HWND window : test_support::TopLevelWindows(launcher.id()))
            if (GetDlgItem(window, 1010) != nullptr)
                noVm = window;
        Sleep(50);
    }
    ASSERT_NE(nullptr, noVm) << "no no-VM dialog";
    // Under Wine the dialog can show a moment before its address is set.
    for (int attempt = 0; attempt < 100 && test_support::ControlText(noVm, 1010) != "x"; ++attempt)
        Sleep(50);
    EXPECT_EQ("x", test_support::ControlText(noVm, 1010));
    test_support::Click(noVm, IDCANCEL);
    DWORD exitCode = 99;
    ASSERT_TRUE(launcher.Wait(kQuickExitMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(test_support::ListDir(temp.path()).empty());
}

TEST_F(LauncherRun, ProbeModeLeavesNothingBehindAndNeverReadsThePayload)
{
    std::string exe = PackStandard();
    // The launcher's own file is held open without write sharing while the
    // payload is read; a probe run must not open it at all.
    ExpectQuietEnd("\"" + exe + "\" A:A:A", InTemp(), "probe mode");
    EXPECT_TRUE(test_support::ListDir(temp.path()).empty());
    const std::vector<std::string> expected{"Installer.class", "setup.exe"};
    EXPECT_EQ(expected, test_support::ListDir(work.path()));
}

TEST_F(LauncherRun, ATemporaryDirectoryThatCannotTakeTheProbeEndsTheRunAtOnce)
{
    RunOptions missing;
    missing.tempDir = temp / "does-not-exist\\";
    // Without payload the usage message would wait for an answer; the run
    // must end before it.
    ExpectQuietEnd(std::string("\"") + WENDLE_EXE_PATH + "\"", missing, "interactive");
    ExpectQuietEnd(std::string("\"") + WENDLE_EXE_PATH + "\" A:A:A", missing, "probe mode");
    EXPECT_FALSE(test_support::PathExists(temp / "does-not-exist"));
}

TEST_F(LauncherRun, BlanksOnlyOnTheCommandLineMeanInteractive)
{
    ChildProcess launcher(std::string("\"") + WENDLE_EXE_PATH + "\"    ", InTemp());
    HWND box = test_support::WaitForWindow(launcher.id(), "#32770", kQuickExitMs);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(kUsage, test_support::ReadMessageBox(box).text);
    test_support::Click(box, IDOK);
    DWORD exitCode = 99;
    ASSERT_TRUE(launcher.Wait(kQuickExitMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
}

}  // namespace
