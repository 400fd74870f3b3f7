// The real Wendle.exe with long and odd inputs: command lines around the
// 260-byte requirement field and far beyond it, requirements with quotes,
// tabs, percent signs and non-ASCII bytes, temporary directories with
// blanks, non-ASCII names, or none that can be written, VMs that crash,
// hang, answer "T", flood their output or end at once, VM paths and save
// folders at and past the 259-character limit. Whatever the input, the
// launcher ends with 0 and leaves nothing in the temporary directory and no
// capture file "\stdout.tmp" behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "launcher_session.h"
#include "res/resource.h"
#include "test_support.h"
#include "vm_doubles.h"
#include "window_driver.h"

using test_support::ChildProcess;
using test_support::RunOptions;
using test_support::ScratchDir;

namespace {

const DWORD kQuickMs = 30000;
const char kCaptureFile[] = "C:\\stdout.tmp";
const char kVmRoot[] = "C:\\odd-vm";
const char kJdkHome[] = "C:\\odd-vm\\jdk";
const char kJdkExe[] = "C:\\odd-vm\\jdk\\Bin\\java.exe";
const char kVmRecord[] = "C:\\odd-vm\\runs.txt";

const char kCannotSave[] = "Cannot save file to specified path.";
const char kNotAVm[] =
    "Cannot run specified executable. This file does not appear to be a Java virtual machine.";
const char kNoVmAtPath[] = "No Java virtual machine was found at the specified path.";
const char kSavedTo[] = "This application has been saved to %s.";

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

std::string WithoutTrailingBackslash(std::string path)
{
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

// A requirement string of exactly length characters: alternatives
// "1.1:A:A" separated by blanks, ending in a letter.
std::string RequirementOfLength(size_t length)
{
    std::string text;
    while (text.size() < length)
        text += "1.1:A:A ";
    text.resize(length);
    if (!text.empty())
        text.back() = 'A';
    return text;
}

class OddInputs : public ::testing::Test {
protected:
    ScratchDir work{"odd"};
    ScratchDir temp{"odd-tmp"};

    void SetUp() override
    {
        // The launcher also looks below JAVA_HOME; these tests name their VMs.
        SetEnvironmentVariableA("JAVA_HOME", nullptr);
        hardening::DeleteJavaSoftKeys();
        test_support::RemoveTree(kVmRoot);
        CreateDirectoryA(kVmRoot, nullptr);   // for the VMs' record
        DeleteFileA(kCaptureFile);
    }

    void TearDown() override
    {
        hardening::DeleteJavaSoftKeys();
        test_support::RemoveTree(kVmRoot);
        DeleteFileA(kCaptureFile);
    }

    RunOptions InTemp(const std::string& tempDir = "") const
    {
        RunOptions options;
        options.tempDir = tempDir.empty() ? temp.path() + "\\" : tempDir;
        options.currentDir = work.path();
        return options;
    }

    // A vm_double registered as the JDK, recording every run.
    void RegisterJdkDouble(vm_doubles::VmBehaviour behaviour)
    {
        behaviour.recordPath = kVmRecord;
        vm_doubles::InstallVmDouble(kJdkExe, behaviour);
        hardening::RegisterJdk(kJdkHome);
    }

    std::vector<vm_doubles::VmRun> VmRuns() const { return vm_doubles::ReadVmRuns(kVmRecord); }

    test_support::ProcessResult Probe(const std::string& tail, const RunOptions& options)
    {
        return test_support::RunProcess(Quoted(WENDLE_EXE_PATH) + " " + tail, options);
    }

    std::string PackInstaller(const std::string& requirement = "A:A:A")
    {
        std::string classFile = work / "Installer.class";
        test_support::WriteBytes(classFile, test_support::FakeClassFile(3000));
        std::string exe = work / "setup.exe";
        test_support::PackInstaller(exe, requirement, "https://example.org/java", classFile);
        return exe;
    }

    // Nothing in the temporary directory, no capture file in the root.
    void ExpectNothingLeft(const std::string& tempDir, const std::string& what)
    {
        EXPECT_EQ(std::vector<std::string>{}, test_support::ListDir(WithoutTrailingBackslash(tempDir)))
            << what << ": left in the temporary directory";
        EXPECT_FALSE(test_support::PathExists(kCaptureFile)) << what << ": " << kCaptureFile << " left";
    }
};

// ---------------------------------------------------------------------------
// Command lines: the requirement field holds 259 characters.

struct TailCase {
    const char* name;
    size_t length;
    const char* report;   // "" for none; %s stands for the VM's path
    bool probed;          // the VM ran the probe with the whole tail
};

TEST_F(OddInputs, CommandLinesAroundAndFarBeyondTheRequirementField)
{
    // The JDK kind hands "TvqVersion", a blank and the requirement to the VM
    // in a 260-byte argument text: 248 characters is the longest tail that
    // reaches the probe; a longer one that still fits the field leaves the
    // VM found but unsuitable.
    const TailCase cases[] = {
        {"248 characters: probed", 248, "1\r\nYES %s\r\n", true},
        {"249 characters: too long for the probe's arguments", 249, "1\r\nNO %s\r\n", false},
        {"259 characters: the longest accepted", 259, "1\r\nNO %s\r\n", false},
        {"260 characters: refused", 260, "", false},
        {"261 characters: refused", 261, "", false},
        {"32,000 characters: refused", 32000, "", false},
    };
    vm_doubles::VmBehaviour suitable;
    suitable.exitCode = 314;
    RegisterJdkDouble(suitable);
    for (const TailCase& tailCase : cases) {
        SCOPED_TRACE(tailCase.name);
        size_t runsBefore = VmRuns().size();
        std::string tail = RequirementOfLength(tailCase.length);
        test_support::ProcessResult result = Probe(tail, InTemp());
        ASSERT_FALSE(result.timedOut);
        EXPECT_EQ(0u, result.exitCode);
        char report[512];
        snprintf(report, sizeof report, tailCase.report, kJdkExe);
        EXPECT_EQ(report, result.output);
        std::vector<vm_doubles::VmRun> runs = VmRuns();
        ASSERT_EQ(runsBefore + (tailCase.probed ? 1 : 0), runs.size());
        if (tailCase.probed)
            EXPECT_EQ(Quoted(kJdkExe) + " TvqVersion " + tail, runs.back().commandLine);
        ExpectNothingLeft(temp.path(), tailCase.name);
    }
}

TEST_F(OddInputs, ATailOf259CharactersInAPrefixWithoutVmsReportsNone)
{
    test_support::ProcessResult result = Probe(RequirementOfLength(259), InTemp());
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ("0\r\n", result.output);
    ExpectNothingLeft(temp.path(), "259 characters, no VM");
}

// ---------------------------------------------------------------------------
// Requirements are opaque text: they reach the probe byte for byte.

TEST_F(OddInputs, RequirementsWithQuotesTabsPercentSignsAndNonAsciiReachTheProbeUnchanged)
{
    const struct {
        const char* name;
        const char* tail;
    } cases[] = {
        {"quoted alternative", "\"1.1:A:A\" A:A:A"},
        {"unbalanced quote", "\"1.1:A:A A:A:A"},
        {"quote inside", "1.1:Sun \"Micro\":A"},
        {"tab between alternatives", "1.1:A:A\tA:A:A"},
        {"percent signs", "%s%n%x:%%:%1024d"},
        {"environment-like", "%TEMP%:%PATH%:A"},
        {"non-ASCII vendor", "1.1:\xC9" "diteur \xFC\xDF:A"},
        // First on the line: bytes from 0x80 up are no blanks to skip.
        {"bytes 0x80 to 0xFF", "\x80\x9F\xA0\xFF:A:A"},
    };
    vm_doubles::VmBehaviour suitable;
    suitable.exitCode = 314;
    RegisterJdkDouble(suitable);
    for (const auto& oddCase : cases) {
        SCOPED_TRACE(oddCase.name);
        size_t runsBefore = VmRuns().size();
        test_support::ProcessResult result = Probe(oddCase.tail, InTemp());
        ASSERT_FALSE(result.timedOut);
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(std::string("1\r\nYES ") + kJdkExe + "\r\n", result.output);
        std::vector<vm_doubles::VmRun> runs = VmRuns();
        ASSERT_EQ(runsBefore + 1, runs.size());
        EXPECT_EQ(Quoted(kJdkExe) + " TvqVersion " + oddCase.tail, runs.back().commandLine);
        ExpectNothingLeft(temp.path(), oddCase.name);
    }
}

// ---------------------------------------------------------------------------
// Temporary directories.

const struct {
    const char* name;
    const char* folder;
} kOddTempFolders[] = {
    {"blanks", "my temp dir"},
    {"non-ASCII characters", "t\xE9mp \xFC\xDF\xE6"},
    {"blanks at both ends of a word", "a  b"},
};

TEST_F(OddInputs, TemporaryDirectoriesWithBlanksOrNonAsciiNamesServeProbeAndLaunch)
{
    vm_doubles::VmBehaviour suitable;
    suitable.exitCode = 314;
    RegisterJdkDouble(suitable);
    std::string exe = PackInstaller();
    for (const auto& odd : kOddTempFolders) {
        SCOPED_TRACE(odd.name);
        std::string folder = temp / odd.folder;
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        RunOptions options = InTemp(folder + "\\");

        // Probe mode: the JDK kind runs the VM in the temporary directory.
        size_t runsBefore = VmRuns().size();
        test_support::ProcessResult result = Probe("A:A:A", options);
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(std::string("1\r\nYES ") + kJdkExe + "\r\n", result.output);
        std::vector<vm_doubles::VmRun> runs = VmRuns();
        ASSERT_EQ(runsBefore + 1, runs.size());
        EXPECT_EQ(folder, runs.back().currentDir);
        ExpectNothingLeft(folder, std::string(odd.name) + ", probe mode");

        // Interactive: extracted there, launched there, removed again.
        hardening::RunTrace trace =
            hardening::RunAnswering(Quoted(exe), options, hardening::SelectionAnswer::Launch, kQuickMs);
        EXPECT_TRUE(trace.ended);
        EXPECT_EQ(0u, trace.exitCode);
        EXPECT_EQ(std::vector<std::string>{"selection"}, trace.windows);
        runs = VmRuns();
        ASSERT_EQ(runsBefore + 3, runs.size()) << "probe, probe and launch";
        EXPECT_EQ(Quoted(kJdkExe) + " Installer", runs.back().commandLine);
        EXPECT_EQ(folder, runs.back().currentDir);
        ExpectNothingLeft(folder, std::string(odd.name) + ", launch");
        RemoveDirectoryA(folder.c_str());
    }
}

TEST_F(OddInputs, TheJreKindKeepsATemporaryDirectoryWithBlanksInOneArgument)
{
    // The JRE kind names the class directory on the command line: split at
    // its blanks, the VM would look for the class in a folder that is not
    // there.
    std::string jre = std::string(kVmRoot) + "\\jre\\Bin\\jre.exe";
    vm_doubles::VmBehaviour suitable;
    suitable.exitCode = 314;
    suitable.recordPath = kVmRecord;
    vm_doubles::InstallVmDouble(jre, suitable);
    const std::string key = "Software\\JavaSoft\\Java Runtime Environment";
    HKEY handle;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                             KEY_WRITE, nullptr, &handle, nullptr));
    RegSetValueExA(handle, "CurrentVersion", 0, REG_SZ, (const BYTE*)"1.1", 4);
    RegCloseKey(handle);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (key + "\\1.1").c_str(), 0, nullptr,
                                             0, KEY_WRITE, nullptr, &handle, nullptr));
    std::string home = std::string(kVmRoot) + "\\jre";
    RegSetValueExA(handle, "JavaHome", 0, REG_SZ, (const BYTE*)home.c_str(), DWORD(home.size() + 1));
    RegCloseKey(handle);

    std::string folder = temp / "my temp dir";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    test_support::ProcessResult result = Probe("A:A:A", InTemp(folder + "\\"));
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ("1\r\nYES " + jre + "\r\n", result.output);
    std::vector<vm_doubles::VmRun> runs = VmRuns();
    ASSERT_EQ(1u, runs.size());
    const std::string& line = runs[0].commandLine;
    EXPECT_TRUE(line.find("-cp \"" + folder + "\" TvqVersion A:A:A") != std::string::npos ||
                line.find("-cp \"" + folder + "\\\" TvqVersion A:A:A") != std::string::npos)
        << line;
    ExpectNothingLeft(folder, "JRE kind, blanks");
}

TEST_F(OddInputs, ATemporaryDirectoryThatCannotBeWrittenEndsTheRunQuietly)
{
    std::string exe = PackInstaller();
    std::string aFile = work / "not-a-folder";
    test_support::WriteText(aFile, "x");
    // Root is not stopped by file permissions, so under Wine an unwritable
    // folder is a drive on a file system that refuses new files to anyone.
    const char unwritableDrive = 'R';
    const bool underWine = hardening::UnderWine();
    const bool haveDrive = underWine && hardening::MapDrive(unwritableDrive, "Z:\\proc");
    const struct {
        const char* name;
        std::string tempDir;
    } cases[] = {
        {"missing", temp / "does-not-exist\\"},
        {"a file, not a folder", aFile + "\\"},
        {"on a drive that takes no new files", haveDrive ? "R:\\" : ""},
    };
    for (const auto& unusable : cases) {
        if (unusable.tempDir.empty())
            continue;
        SCOPED_TRACE(unusable.name);
        RunOptions options = InTemp(unusable.tempDir);
        // Interactive with a valid payload: a run that went on would show
        // the no-VM dialog.
        hardening::RunTrace trace =
            hardening::RunAnswering(Quoted(exe), options, hardening::SelectionAnswer::Cancel, kQuickMs);
        EXPECT_TRUE(trace.ended);
        EXPECT_EQ(0u, trace.exitCode);
        EXPECT_EQ(std::vector<std::string>{}, trace.windows);
        test_support::ProcessResult result = Probe("A:A:A", options);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ("", result.output) << "no probe report";
        EXPECT_FALSE(test_support::PathExists(kCaptureFile));
    }
    EXPECT_FALSE(test_support::PathExists(temp / "does-not-exist"));
    EXPECT_EQ((std::vector<std::string>{"Installer.class", "not-a-folder", "setup.exe"}),
              test_support::ListDir(work.path()));
    if (haveDrive)
        hardening::UnmapDrive(unwritableDrive);
    else if (underWine)
        ADD_FAILURE() << "could not map a drive to /proc: the unwritable case did not run";
}

TEST_F(OddInputs, ATemporaryDirectoryMarkedReadOnlyStillServes)
{
    // Windows ignores the read-only attribute of a folder for the files in
    // it (it marks system folders); the run goes on and cleans up.
    std::string folder = temp / "marked";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY));
    test_support::ProcessResult result = Probe("A:A:A", InTemp(folder + "\\"));
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ("0\r\n", result.output);
    ExpectNothingLeft(folder, "read-only folder");
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// ---------------------------------------------------------------------------
// VMs that misbehave: the probe decides on the first captured byte "T" or
// the exit status 314; everything else is "not suitable", never a fault.

struct VmCase {
    const char* name;
    vm_doubles::VmBehaviour behaviour;
    bool suitable;
};

vm_doubles::VmBehaviour Behaviour(DWORD exitCode, const std::string& output = "",
                                  unsigned long long bulk = 0, DWORD sleepMs = 0, bool crash = false)
{
    vm_doubles::VmBehaviour behaviour;
    behaviour.exitCode = exitCode;
    behaviour.output = output;
    behaviour.bulkBytes = bulk;
    behaviour.sleepMs = sleepMs;
    behaviour.crash = crash;
    return behaviour;
}

TEST_F(OddInputs, VmsThatCrashFloodTheirOutputAnswerTOrEndAtOnce)
{
    const unsigned long long tenMegabytes = 10ull << 20;
    const VmCase cases[] = {
        {"crashes", Behaviour(0, "", 0, 0, true), false},
        {"crashes after printing T", Behaviour(0, "T", 0, 0, true), true},
        {"prints T and exits with 0", Behaviour(0, "T"), true},
        {"prints 10 MB", Behaviour(0, "", tenMegabytes), false},
        {"prints T and 10 MB", Behaviour(0, "T", tenMegabytes), true},
        {"prints 10 MB and exits with 314", Behaviour(314, "", tenMegabytes), true},
        {"exits at once with 0", Behaviour(0), false},
        {"exits at once with 314", Behaviour(314), true},
        {"exits at once with -1", Behaviour(0xFFFFFFFF), false},
    };
    for (const VmCase& vmCase : cases) {
        SCOPED_TRACE(vmCase.name);
        RegisterJdkDouble(vmCase.behaviour);
        test_support::ProcessResult result = Probe("A:A:A", InTemp());
        ASSERT_FALSE(result.timedOut);
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(std::string("1\r\n") + (vmCase.suitable ? "YES " : "NO ") + kJdkExe + "\r\n",
                  result.output);
        EXPECT_EQ(1u, VmRuns().size());
        ExpectNothingLeft(temp.path(), vmCase.name);
        DeleteFileA(kVmRecord);
    }
}

TEST_F(OddInputs, AVmThatHangsIsGivenUpAfterTwentySeconds)
{
    // The only hang in the suite: it costs the full wait.
    RegisterJdkDouble(Behaviour(0, "", 0, 21000));
    DWORD started = GetTickCount();
    test_support::ProcessResult result = Probe("A:A:A", InTemp());
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(std::string("1\r\nNO ") + kJdkExe + "\r\n", result.output);
    EXPECT_GE(GetTickCount() - started, 19000u) << "ended before the VM's wait was over";
    // The VM runs on past the launcher and holds the capture file open (it
    // is its standard output). Once the VM has ended too, nothing of the run
    // may remain, the capture file included.
    DWORD vmEnds = 21000 + 2000;
    DWORD elapsed = GetTickCount() - started;
    if (elapsed < vmEnds)
        Sleep(vmEnds - elapsed);
    ExpectNothingLeft(temp.path(), "hanging VM");
}

// ---------------------------------------------------------------------------
// The no-VM dialog with paths at and past 259 characters.

// A folder path of exactly length characters below base, made of
// segments of 'd's (at most 120 each), every folder (base too) created.
std::string FolderOfLength(const std::string& base, size_t length)
{
    CreateDirectoryA(base.c_str(), nullptr);
    std::string path = base;
    size_t room = length - base.size();
    while (room > 0) {
        // Each segment costs its backslash too; a room of one could take
        // no further segment, so none is left.
        size_t segment = std::min<size_t>(room - 1, 120);
        if (room - 1 - segment == 1)
            --segment;
        path += "\\" + std::string(segment, 'd');
        CreateDirectoryA(path.c_str(), nullptr);
        room -= segment + 1;
    }
    return path;
}

// A file path of exactly length characters below base, its folders created.
std::string PathOfLength(const std::string& base, size_t length, const std::string& fileName)
{
    return FolderOfLength(base, length - 1 - fileName.size()) + "\\" + fileName;
}

class NoVmDialogRun {
public:
    // The selection dialog shows before its search, then hides itself and
    // hands over: wait for the no-VM dialog itself.
    NoVmDialogRun(const std::string& exe, const RunOptions& options) : launcher_(Quoted(exe), options)
    {
        DWORD started = GetTickCount();
        while (dialog_ == nullptr && GetTickCount() - started < kQuickMs) {
            for (HWND window : test_support::TopLevelWindows(launcher_.id()))
                if (GetDlgItem(window, IDC_OPT_DOWNLOAD) != nullptr)
                    dialog_ = window;
            Sleep(20);
        }
    }
    HWND dialog() const { return dialog_; }

    // Chooses the option, types text into the field, clicks OK; returns
    // the message box text that follows ("" when none appears and the
    // dialog closes).
    std::string Submit(int option, int field, const std::string& text)
    {
        test_support::ChooseOption(dialog_, option);
        test_support::TypeText(dialog_, field, text);
        test_support::Click(dialog_, IDOK);
        DWORD started = GetTickCount();
        while (GetTickCount() - started < kQuickMs) {
            HWND box = test_support::WaitForNewWindow(launcher_.id(), "#32770", {dialog_}, 100);
            if (box != nullptr) {
                test_support::MessageBoxView view = test_support::ReadMessageBox(box);
                test_support::Click(box, IDOK);
                test_support::WaitUntilGone(box, kQuickMs);
                return view.text;
            }
            if (!test_support::IsShown(dialog_))
                return "";
        }
        return "(no answer)";
    }

    DWORD Finish()
    {
        if (test_support::IsShown(dialog_))
            test_support::Click(dialog_, IDCANCEL);
        DWORD exitCode = 99;
        EXPECT_TRUE(launcher_.Wait(kQuickMs, &exitCode));
        return exitCode;
    }

private:
    ChildProcess launcher_;
    HWND dialog_ = nullptr;
};

TEST_F(OddInputs, VmPathsOf259And300Characters)
{
    std::string exe = PackInstaller();
    ScratchDir vms("named");
    std::string vm259 = PathOfLength(vms.path(), 259, "java.exe");
    vm_doubles::VmBehaviour suitable;
    suitable.exitCode = 314;
    suitable.recordPath = kVmRecord;
    vm_doubles::InstallVmDouble(vm259, suitable);
    std::string other259 = PathOfLength(vms.path() + "\\o", 259, "javaw.exe");
    vm_doubles::InstallVmDouble(other259, suitable);
    std::string missing259 = PathOfLength(vms.path() + "\\m", 259, "java.exe");
    // The field takes 300 characters, the launcher's buffer 259: a path cut
    // to fit names another file, which must not run in its place.
    std::string missing300 = PathOfLength(vms.path() + "\\m", 300, "java.exe");
    std::string beyondVm300 = vm259 + std::string(41, 'x');
    for (const std::string& path : {vm259, other259, missing259})
        ASSERT_EQ(259u, path.size());
    for (const std::string& path : {missing300, beyondVm300})
        ASSERT_EQ(300u, path.size());

    const struct {
        const char* name;
        std::string path;
        std::string message;   // "" when the installer is launched
    } cases[] = {
        {"259 characters naming a suitable java.exe", vm259, ""},
        {"259 characters naming nothing", missing259, kNoVmAtPath},
        {"259 characters naming javaw.exe", other259, kNotAVm},
        {"300 characters naming nothing", missing300, kNoVmAtPath},
        {"300 characters whose first 259 name a suitable java.exe", beyondVm300, kNoVmAtPath},
    };
    for (const auto& pathCase : cases) {
        SCOPED_TRACE(pathCase.name);
        DeleteFileA(kVmRecord);
        NoVmDialogRun run(exe, InTemp());
        ASSERT_NE(nullptr, run.dialog());
        EXPECT_EQ(pathCase.message, run.Submit(IDC_OPT_RUN_VM, IDC_VM_PATH, pathCase.path));

        EXPECT_EQ(0u, run.Finish());
        std::vector<vm_doubles::VmRun> runs = VmRuns();
        if (pathCase.message.empty()) {
            ASSERT_EQ(2u, runs.size()) << "probe and launch";
            EXPECT_EQ(Quoted(vm259) + " TvqVersion A:A:A", runs[0].commandLine);
            EXPECT_EQ(Quoted(vm259) + " Installer", runs[1].commandLine);
        } else {
            EXPECT_EQ(0u, runs.size()) << "no VM may run for this path";
        }
        ExpectNothingLeft(temp.path(), pathCase.name);
    }
}

TEST_F(OddInputs, SaveFoldersAtAndPastTheJoinedPathLimit)
{
    std::string exe = PackInstaller();
    ScratchDir saves("saves");
    // "Installer.class" and its backslash take 16 characters.
    std::string fits = FolderOfLength(saves.path(), 243);
    std::string folder250 = FolderOfLength(saves.path() + "\\l", 250);
    ASSERT_EQ(243u, fits.size());
    ASSERT_EQ(250u, folder250.size());
    ASSERT_TRUE(test_support::PathExists(folder250));

    {
        SCOPED_TRACE("a folder of 243 characters: the joined path is 259");
        NoVmDialogRun run(exe, InTemp());
        ASSERT_NE(nullptr, run.dialog());
        std::string saved = fits + "\\Installer.class";
        char expected[1024];
        snprintf(expected, sizeof expected, kSavedTo, saved.c_str());
        EXPECT_EQ(expected, run.Submit(IDC_OPT_SAVE, IDC_SAVE_FOLDER, fits));
        EXPECT_EQ(0u, run.Finish());
        EXPECT_EQ(test_support::FakeClassFile(3000), test_support::ReadBytes(saved));
        ExpectNothingLeft(temp.path(), "save, 243");
    }
    {
        SCOPED_TRACE("a folder of 250 characters: the joined path would be 266");
        NoVmDialogRun run(exe, InTemp());
        ASSERT_NE(nullptr, run.dialog());
        EXPECT_EQ(kCannotSave, run.Submit(IDC_OPT_SAVE, IDC_SAVE_FOLDER, folder250));
        EXPECT_TRUE(test_support::IsShown(run.dialog())) << "the user may try again";
        EXPECT_EQ(0u, run.Finish());
        EXPECT_EQ(std::vector<std::string>{}, test_support::ListDir(folder250)) << "nothing written";
        ExpectNothingLeft(temp.path(), "save, 250");
    }
}

}  // namespace
