// The packed Wendle.exe under Wine, as its users meet it: Java VMs set up in
// the test's own prefix (stand-ins, or real JVMs behind vm_stub), a run in
// probe mode or with its dialogs worked like a user, and what must be left
// afterwards: exit code 0, an empty temporary directory, no capture file.
#include <gtest/gtest.h>

#include "harness.h"
#include "res/resource.h"
#include "ui/dialog_layout.h"

namespace {

using wt::Session;
using wt::IsNoVm;
using wt::IsSelection;
using wt::kJdk;
using wt::kJre;
using wt::kJview;
using wt::kModern;
using wt::kTemurin64;

const char kRecord[] = "C:\\installer-run.txt";
// What an installer sees beside it: the payload, the probe, the capture file.
const char kInstalled[] = "CommandLine Installer.class TvqVersion.class URL stdout.tmp\n";
const char kRuns[] = "C:\\vms-runs.txt";
const std::string kAnswerYes = "exit=314\nrecord=" + std::string(kRuns);
const std::string kAnswerNo = "exit=159\nrecord=" + std::string(kRuns);
const char kCannotStart[] = "not a program";

class Scenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        wt::ForgetAllVms();
        DeleteFileA(kRecord);
        DeleteFileA(kRuns);
    }
    void TearDown() override { SetUp(); }
};

using ProbeMode = Scenario;
using Dialogs = Scenario;

// Each row: the VMs, the requirement on the command line, the report that
// must be written; TEMP is a folder of the row's own unless it names one.
TEST_F(ProbeMode, TheReportNamesEveryVmFoundAndItsVerdict)
{
    const std::string jdk = "C:\\vms\\jdk\\Bin\\java.exe", jre = "C:\\vms\\jre\\Bin\\jre.exe";
    const std::string jview = wt::WindowsDir() + "\\jview.exe", temp = wt::TempDir() + "\\probe";
    struct {
        const char* what;
        std::vector<std::pair<wt::Kind, std::string>> vms;
        std::string requirement, report, tempDir, recorded;
    } cases[] = {
        {"no VM", {}, "A:A:A", "0\r\n"},
        {"three stand-ins", {{kJdk, kAnswerYes}, {kJre, kAnswerNo}, {kJview, kAnswerYes}}, "A:A:A",
         "3\r\nYES " + jdk + "\r\nNO " + jre + "\r\nYES " + jview + "\r\n"},
        {"real JVMs: JDK 17 and java.base alone", {{kJdk, wt::RealJvm()}, {kJre, wt::RealJvm(true)}},
         "1.1:A:A", "2\r\nYES " + jdk + "\r\nNO " + jre + "\r\n"},
        {"a real JVM as jview.exe", {{kJview, wt::RealJvm()}}, "1.0:Debian:Linux 1.3:A:A", "1\r\nYES " + jview + "\r\n"},
        {"a 64-bit Temurin", {{kTemurin64, wt::RealJvm()}}, "A:A:A", "1\r\nYES C:\\vms\\jdk\\bin\\java.exe\r\n"},
        {"259 characters reach the VM", {{kJdk, kAnswerYes}}, std::string(259, 'A'), "1\r\nYES " + jdk + "\r\n", "",
         "\" TvqVersion " + std::string(259, 'A') + "|"},
        {"side by side: yes, no, a hang that is ended, one that cannot start",
         {{kJdk, kAnswerYes}, {kJre, kAnswerNo}, {kJview, "sleep=30000\nexit=314"}, {kModern, kCannotStart}}, "A:A:A",
         "4\r\nYES " + jdk + "\r\nNO " + jre + "\r\nNO " + jview + "\r\nNO C:\\vms\\new\\bin\\java.exe\r\n"},
        {"two VMs that answer only when both run", {{kJdk, kAnswerYes + "\nmeet=C:\\vms\\a|C:\\vms\\b"},
          {kJre, kAnswerYes + "\nmeet=C:\\vms\\b|C:\\vms\\a"}}, "A:A:A", "2\r\nYES " + jdk + "\r\nYES " + jre + "\r\n"},
        {"the two kinds that run in the class folder, side by side", {{kJdk, wt::RealJvm()}, {kJview, wt::RealJvm()}},
         "1.1:A:A", "2\r\nYES " + jdk + "\r\nYES " + jview + "\r\n"},
        {"260 characters are refused", {{kJdk, kAnswerYes}}, std::string(260, 'A'), ""},
        {"a temporary directory with a blank", {{kJre, wt::RealJvm()}, {kJview, wt::RealJvm()}}, "1.1:A:A",
         "2\r\nYES " + jre + "\r\nYES " + jview + "\r\n", temp + "\\with blank"},
        {"a probe path over 259 characters", {{kJdk, kAnswerYes}}, "A:A:A", "", temp + "\\" + std::string(243 - temp.size(), 'l')},
        {"a temporary directory that is missing", {{kJdk, kAnswerYes}}, "A:A:A", "", temp + "\\missing"},
        {"a requirement that begins outside ASCII", {{kJdk, kAnswerNo}}, "\xC3\xA9t\xC3\xA9:A:A",
         "1\r\nNO " + jdk + "\r\n", "", "\" TvqVersion \xE9t\xE9:A:A|"},
    };
    for (const auto& each : cases) {
        SetUp();
        for (const auto& vm : each.vms) {
            std::string exe = wt::InstallKind(vm.first, vm.second, vm.first == kJre ? "C:\\vms\\jre"
                                                                   : vm.first == kModern ? "C:\\vms\\new" : "C:\\vms\\jdk");
            if (vm.second == kCannotStart)
                wt::WriteFile(exe, kCannotStart);
        }
        wt::MakeDirs("C:\\vms");
        std::string tempDir = each.tempDir.empty() ? temp + "\\own" : each.tempDir;
        if (tempDir.find("missing") == std::string::npos)
            wt::MakeDirs(tempDir);
        wt::Process launcher(wt::Quoted(WENDLE_EXE) + " " + each.requirement, "C:\\vms", tempDir + "\\");
        EXPECT_EQ(0u, launcher.Wait()) << each.what;
        EXPECT_EQ(each.report, launcher.Output()) << each.what;
        EXPECT_EQ(std::vector<std::string>{}, wt::List(tempDir)) << each.what;
        EXPECT_FALSE(wt::Exists("C:\\stdout.tmp")) << each.what;
        EXPECT_NE(std::string::npos, wt::ReadFile(kRuns).find(each.recorded)) << each.what;
        EXPECT_EQ(0, wt::Running("jview.exe")) << each.what;
        wt::RemoveTree(temp);
    }
}

TEST_F(Dialogs, OneVmIsSelectedAndOkInstalls)
{
    std::string jdk = wt::InstallKind(kJdk, wt::RealJvm());
    Session session({}, "", SIGNED_INSTALLER);
    HWND dialog = session.Selection();
    int selected = -1;
    EXPECT_EQ(std::vector<std::string>{jdk}, wt::ComboItems(dialog, IDC_VM_LIST, &selected));
    EXPECT_EQ(0, selected);
    EXPECT_EQ(wt::LauncherString(IDS_ONE_VM_FOUND), wt::ItemText(dialog, IDC_STATUS));
    EXPECT_EQ(wt::LauncherString(IDS_TITLE), wt::Text(dialog));
    wt::Click(dialog, IDOK);
    session.End();
    EXPECT_EQ(kInstalled, wt::ReadFile(kRecord));
}

TEST_F(Dialogs, SeveralVmsAreSortedAndOkRunsTheSelectedOne)
{
    wt::InstallKind(kJdk, kAnswerYes, "C:\\vms\\zdk");
    std::string jre = wt::InstallKind(kJre, kAnswerYes, "C:\\vms\\jre");
    Session session(wt::Settings("A:A:A"));
    HWND dialog = session.Selection();
    int selected = -1;
    EXPECT_EQ(jre, wt::ComboItems(dialog, IDC_VM_LIST, &selected)[selected]) << "the first in sort order";
    EXPECT_EQ(wt::LauncherString(IDS_SEVERAL_VMS_FOUND), wt::ItemText(dialog, IDC_STATUS));
    wt::Click(dialog, IDOK);
    session.End();
    std::vector<std::string> runs = wt::RecordedRuns(kRuns);
    EXPECT_EQ(3u, runs.size());
    EXPECT_EQ(0u, runs.back().find("\"" + jre + "\" -cp " + session.tempDir + "\\wendle-")) << runs.back();
    EXPECT_NE(std::string::npos, runs.back().find("\\ Installer|")) << runs.back();
}

// During a search that a hanging VM holds up: No lets it go on, Yes ends it
// and the run, VM and all.
TEST_F(Dialogs, CancelAsksFirst)
{
    wt::InstallKind(kJdk, "sleep=30000\n" + kAnswerYes);
    Session session(wt::Settings("A:A:A"));
    HWND dialog = session.Wait(IsSelection);
    for (int wait = 0; wait < 500 && wt::RecordedRuns(kRuns).empty(); ++wait)
        Sleep(20);
    for (int answer : {IDNO, IDYES}) {
        wt::Click(dialog, IDCANCEL);
        auto box = session.NextBox();
        EXPECT_EQ(wt::LauncherString(IDS_CANCEL_QUESTION), box.text);
        EXPECT_EQ(wt::LauncherString(IDS_TITLE), box.caption);
        EXPECT_EQ(dialog, box.owner);
        session.Answer(box, answer);
    }
    session.End();
    EXPECT_EQ(1u, wt::RecordedRuns(kRuns).size()) << "the probe, and no installer";
    EXPECT_EQ(0, wt::Running("java.exe"));
}

// Mixed answers side by side, one VM hanging until its limit: the dialog
// answers throughout and counts the answers; the list is today's.
TEST_F(Dialogs, SlowTheDialogAnswersWhileTheVmsAreProbed)
{
    std::string jdk = wt::InstallKind(kJdk, "sleep=1500\nexit=314");
    wt::InstallKind(kJre, kAnswerNo, "C:\\vms\\jre");
    wt::InstallKind(kJview, "sleep=30000\nexit=314");
    wt::WriteFile(wt::InstallKind(kModern, "", "C:\\vms\\new"), kCannotStart);
    Session session(wt::Settings("A:A:A"));
    HWND dialog = session.Wait(IsSelection);
    char threeOfFour[300];
    snprintf(threeOfFour, sizeof threeOfFour, wt::LauncherString(IDS_SEARCHING).c_str(), 3, 4);
    int unanswered = 0, counted = 0;
    for (DWORD_PTR result; wt::ComboItems(dialog, IDC_VM_LIST).empty() && session.process->Wait(50) == ~0u;) {
        unanswered += !SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result);
        counted += wt::ItemText(dialog, IDC_STATUS) == threeOfFour;
    }
    EXPECT_EQ(0, unanswered);
    EXPECT_LT(0, counted);
    EXPECT_EQ(std::vector<std::string>{jdk}, wt::ComboItems(dialog, IDC_VM_LIST));
    EXPECT_EQ(wt::LauncherString(IDS_ONE_VM_FOUND), wt::ItemText(dialog, IDC_STATUS));
    EXPECT_EQ(0, wt::Running("jview.exe"));
    wt::Click(dialog, IDCANCEL);
    session.Answer(session.NextBox(), IDYES);
    session.End();
}

TEST_F(Dialogs, WithoutASuitableVmTheUserNamesOneOrSavesTheInstaller)
{
    wt::InstallKind(kJdk, kAnswerNo);
    wt::InstallVm("C:\\vms\\x\\javaw.exe", kAnswerYes);
    wt::InstallVm("C:\\vms\\no\\java.exe", kAnswerNo);
    // A suitable java.exe whose path is 259 characters long: typed with one more character
    // behind it, a path cut to fit would name it.
    const std::string long259 = "C:\\vms\\" + std::string(243, 'd') + "\\java.exe";
    wt::InstallVm(long259, kAnswerYes);
    Session session(wt::Settings("A:A:A"));
    HWND dialog = session.Wait(IsNoVm, 90000);
    EXPECT_EQ(nullptr, wt::WaitForWindow(session.process->id(), IsSelection, 0));
    EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_OPT_DOWNLOAD));
    EXPECT_EQ("https://wendle.example.org/java", wt::ItemText(dialog, IDC_DOWNLOAD_URL));
    const int controls[] = {IDC_VM_PATH, IDC_BROWSE_VM, IDC_SAVE_FOLDER, IDC_BROWSE_FOLDER};
    struct {
        int option;
        std::string path;   // typed into the option's field
        UINT message;
        bool ownedByDialog;
    } steps[] = {
        {IDC_OPT_RUN_VM, "", IDS_NAME_A_VM, true},
        {IDC_OPT_RUN_VM, "C:\\vms\\missing\\java.exe", IDS_NO_VM_AT_PATH, true},
        {IDC_OPT_RUN_VM, "C:\\vms\\x\\javaw.exe", IDS_NOT_A_VM, true},
        {IDC_OPT_RUN_VM, "C:\\vms\\no\\java.exe", IDS_NOT_A_VM, true},
        {IDC_OPT_RUN_VM, long259 + "x", IDS_NO_VM_AT_PATH, true},
        {IDC_OPT_DOWNLOAD, "-", 0, false},   // only what is enabled
        {IDC_OPT_SAVE, "", IDS_NAME_A_FOLDER, true},
        {IDC_OPT_SAVE, "C:\\vms\\nowhere", IDS_CANNOT_SAVE, false},
        {IDC_OPT_SAVE, "C:\\vms\\x\\" + std::string(250, 'f'), IDS_CANNOT_SAVE, false},
        {IDC_OPT_SAVE, "C:\\vms\\x\\", IDS_SAVED_TO, true},   // ends the dialog
    };
    for (const auto& step : steps) {
        wt::Choose(dialog, step.option);
        for (int control : controls) {
            bool forRun = control == IDC_VM_PATH || control == IDC_BROWSE_VM;
            EXPECT_EQ(step.option == (forRun ? IDC_OPT_RUN_VM : IDC_OPT_SAVE), wt::Enabled(dialog, control))
                << control << " with option " << step.option;
        }
        if (step.option == IDC_OPT_DOWNLOAD)
            continue;
        int field = step.option == IDC_OPT_SAVE ? IDC_SAVE_FOLDER : IDC_VM_PATH;
        wt::Type(dialog, field, step.path);
        wt::Click(dialog, IDOK);
        auto box = session.NextBox();
        std::string expected = wt::LauncherString(step.message);
        if (step.message == IDS_SAVED_TO)
            expected.replace(expected.find("%s"), 2, "C:\\vms\\x\\Installer.class");
        EXPECT_EQ(expected, box.text) << step.path;
        EXPECT_EQ(step.ownedByDialog ? dialog : nullptr, box.owner) << step.path;
        session.Answer(box, IDOK);
        if (step.message != IDS_SAVED_TO)
            EXPECT_EQ(step.path, wt::ItemText(dialog, field));
    }
    EXPECT_EQ(wt::ReadFile(INSTALLER_CLASS), wt::ReadFile("C:\\vms\\x\\Installer.class"));
    session.End();
}

TEST_F(Dialogs, NamedVmInstallsAndDownloadAndCancelEnd)
{
    wt::InstallKind(kJdk, kAnswerNo);
    wt::InstallVm("C:\\vms\\named\\JAVA.EXE", wt::RealJvm());
    for (int road : {IDC_OPT_RUN_VM, IDC_OPT_DOWNLOAD, IDCANCEL}) {
        Session session(wt::Settings("A:A:A"));
        HWND dialog = session.Wait(IsNoVm, 90000);
        if (road != IDCANCEL) {
            wt::Choose(dialog, road);
            wt::Type(dialog, IDC_VM_PATH, "C:\\vms\\named\\JAVA.EXE");
        }
        wt::Click(dialog, road == IDCANCEL ? IDCANCEL : IDOK);
        session.End();
    }
    EXPECT_EQ(kInstalled, wt::ReadFile(kRecord));
}

// Without its three settings, or started with blanks alone, the launcher
// shows its usage.
TEST_F(Dialogs, APayloadWithoutItsSettingsShowsTheUsage)
{
    std::vector<wendle_pack::Entry> settings = wt::Settings("A:A:A");
    for (const auto& entries : {std::vector<wendle_pack::Entry>{settings[0], settings[2]},
                                std::vector<wendle_pack::Entry>{settings[1], settings[0], settings[2]},
                                std::vector<wendle_pack::Entry>{}}) {
        for (const char* tail : {"", " \t  "}) {
            Session session(entries, tail, entries.empty() ? WENDLE_EXE : "");
            auto box = session.NextBox();
            EXPECT_EQ(wt::LauncherString(IDS_USAGE), box.text);
            EXPECT_EQ(wt::LauncherString(IDS_TITLE), box.caption);
            session.Answer(box, IDOK);
            session.End();
        }
    }
}

// A setup file cut short once the dialog is open (a download still being
// written, a share gone): the user is told, the installer does not start,
// and no cut-off file stays, after a launch or a save.
TEST_F(Dialogs, AnInstallerThatCannotBeExtractedIsNotStarted)
{
    for (bool save : {false, true}) {
        SetUp();
        wt::InstallKind(kJdk, save ? kAnswerNo : kAnswerYes);
        Session session(wt::Settings("A:A:A"));
        HWND dialog = save ? session.Wait(IsNoVm) : session.Selection();
        wine::RunUnix({"/usr/bin/truncate", "-s", "-100", wt::UnixPath(session.dir / "setup.exe")});
        if (save)
            wt::Choose(dialog, IDC_OPT_SAVE), wt::Type(dialog, IDC_SAVE_FOLDER, session.dir.path);
        wt::Click(dialog, IDOK);
        auto box = session.NextBox();
        EXPECT_EQ(wt::LauncherString(save ? IDS_CANNOT_SAVE : IDS_CANNOT_EXTRACT), box.text) << save;
        session.Answer(box, IDOK);
        if (save)
            wt::Click(dialog, IDCANCEL);
        session.End();
        EXPECT_FALSE(wt::Exists(session.dir / "Installer.class")) << save;
        EXPECT_EQ(1u, wt::RecordedRuns(kRuns).size()) << save << ": the probe only";
    }
}

TEST_F(ProbeMode, FoldersOutsideTheCodePageAreNamedByTheirShortForm)
{
    std::string jdk = wt::InstallKind(kJdk, wt::RealJvm(), "C:\\vms\\Dvořák");
    wt::InstallVm("C:\\vms\\Ωmega\\bin\\java.exe", wt::RealJvm());
    SetEnvironmentVariableW(L"JAVA_HOME", L"C:\\vms\\Ωmega");
    wt::Session session({}, " 1.1:A:A", WENDLE_EXE, wt::TempDir() + "\\Użytkownik");
    session.End();
    EXPECT_EQ("2\r\nYES " + wt::ShortPath(jdk) + "\r\nYES " + wt::ShortPath("C:\\vms\\Ωmega\\bin\\java.exe") + "\r\n",
              session.process->Output());
    wt::RemoveTree(session.tempDir);
}

// A user who starts the installer again while the first search runs.
TEST_F(ProbeMode, TwoLaunchersStartedTogetherEachWorkAlone)
{
    std::string jdk = wt::InstallKind(kJdk, wt::RealJvm());
    wt::Scratch temp("shared");
    wt::Process first(wt::Quoted(WENDLE_EXE) + " 1.1:A:A", "C:\\vms", temp.path + "\\");
    Sleep(100);
    wt::Process second(wt::Quoted(WENDLE_EXE) + " 1.1:A:A", "C:\\vms", temp.path + "\\");
    for (wt::Process* launcher : {&first, &second}) {
        EXPECT_EQ(0u, launcher->Wait());
        EXPECT_EQ("1\r\nYES " + jdk + "\r\n", launcher->Output());
    }
    EXPECT_EQ(std::vector<std::string>{}, wt::List(temp.path));
}

TEST_F(Dialogs, TwoInstallersStartedTogetherEachInstall)
{
    wt::InstallKind(kJdk, wt::RealJvm());
    wt::Scratch temp("shared");
    Session first(wt::Settings("A:A:A"), "", "", temp.path);
    Sleep(100);
    Session second(wt::Settings("A:A:A"), "", "", temp.path);
    wt::Click(first.Selection(), IDOK);
    wt::Click(second.Selection(), IDOK);
    first.process->Wait();
    second.process->Wait();
    first.End();
    second.End();
    EXPECT_EQ(std::string(kInstalled) + kInstalled, wt::ReadFile(kRecord));
}

TEST_F(Dialogs, AnInstallerInAFolderOutsideTheCodePageInstalls)
{
    wt::InstallKind(kJdk, wt::RealJvm());
    wt::MakeDirs("C:\\vms\\山田");
    wt::Pack("C:\\vms\\山田\\setup.exe", wt::Settings("A:A:A"));
    Session session({}, "", "C:\\vms\\山田\\setup.exe", wt::TempDir() + "\\Dvořák");
    wt::Click(session.Selection(), IDOK);
    session.End();
    EXPECT_EQ(kInstalled, wt::ReadFile(kRecord));
    wt::RemoveTree(session.tempDir);
}

// Today's installer: a jar, started through the launcher's bootstrap class,
// with six files packed beside it, which make the ten entries of a full
// payload.
TEST_F(Dialogs, AnInstallerJarRunsItsMainClass)
{
    wt::InstallKind(kJdk, wt::RealJvm());
    Session session({}, "", JAR_INSTALLER);
    wt::Click(session.Selection(), IDOK);
    session.End();
    EXPECT_EQ("1 2 3 4 5 CommandLine TvqVersion.class URL WendleJar.class data.txt installer.jar stdout.tmp"
              " | inside the jar | beside the jar\n", wt::ReadFile(kRecord));
}

// An installer that brings its own Java, as wendle-pack --runtime packs it:
// a stand-in runtime folder (bin\java.exe and a release file). It is used
// only when no installed VM suits, and nothing of it outlives the run.
TEST_F(Dialogs, AnInstallerThatBringsItsOwnJavaUsesItWhenNothingInstalledSuits)
{
    const std::string runtimeExe = "\\bundled-java-runtime\\bin\\java.exe";
    const std::string classRun = "CommandLine Installer.class TvqVersion.class URL bundled-java-runtime stdout.tmp\n";
    struct {
        const char* what;
        std::string installed, runtime;   // configurations of an installed JDK (or none) and of the runtime's VM
        bool jar, hostile;
        std::string listed, record;       // the one VM listed ("" for the no-VM dialog), what the installer saw
    } cases[] = {
        {"a class installer on a PC without Java", "", wt::RealJvm(), false, false, runtimeExe, classRun},
        {"an installer jar on a PC without Java", "", wt::RealJvm(), true, false, runtimeExe,
         "CommandLine TvqVersion.class URL WendleJar.class bundled-java-runtime data.txt installer.jar stdout.tmp"
         " | inside the jar | beside the jar\n"},
        {"an installed VM that suits: the runtime stays packed", wt::RealJvm(), wt::RealJvm(), false, false,
         "C:\\vms\\jdk\\Bin\\java.exe", kInstalled},
        {"a runtime that does not suit", kAnswerNo, kAnswerNo, false, false, "", ""},
        {"a runtime whose archive reaches outside", "", wt::RealJvm(), false, true, "", ""},
    };
    for (const auto& each : cases) {
        SetUp();
        if (!each.installed.empty())
            wt::InstallKind(kJdk, each.installed);
        wt::RemoveTree("C:\\rt");
        wt::InstallVm("C:\\rt\\bin\\java.exe", each.runtime);
        wt::WriteFile("C:\\rt\\release", "JAVA_VERSION=\"17.0.15\"\n");
        wendle_pack::Entry runtime = wt::RuntimeEntry("C:\\rt");
        if (each.hostile) {
            // In front of the end blocks: a file two folders up, in TEMP.
            std::vector<uint8_t> header = wendle_pack::TarHeader("../../escaped.txt", '0', 0);
            runtime.data.insert(runtime.data.end() - 1024, header.begin(), header.end());
        }
        std::vector<wendle_pack::Entry> entries = each.jar ? wt::EntriesOf(JAR_INSTALLER) : wt::Settings("A:A:A");
        if (each.jar)
            entries.resize(5);   // the settings, the bootstrap, the jar and data.txt
        entries.push_back(runtime);
        Session session(entries);
        if (each.listed.empty()) {
            HWND dialog = session.Wait(IsNoVm, 90000);
            std::string runFolder = session.tempDir + "\\" + wt::List(session.tempDir).at(0);
            EXPECT_EQ(std::vector<std::string>{"TvqVersion.class"}, wt::List(runFolder)) << each.what;
            wt::Click(dialog, IDCANCEL);
        } else {
            HWND dialog = session.Selection();
            std::vector<std::string> items = wt::ComboItems(dialog, IDC_VM_LIST);
            ASSERT_EQ(1u, items.size()) << each.what;
            EXPECT_EQ(each.listed, items[0].substr(items[0].size() - std::min(items[0].size(), each.listed.size())))
                << each.what;
            bool own = each.listed == runtimeExe;
            EXPECT_EQ(wt::LauncherString(own ? IDS_OWN_JAVA : IDS_ONE_VM_FOUND), wt::ItemText(dialog, IDC_STATUS));
            wt::Click(dialog, IDOK);
        }
        session.End();
        EXPECT_EQ(each.record, wt::ReadFile(kRecord)) << each.what;
    }
}

// The installer reads its files after the probe's wait of 20 seconds; the
// launcher answers messages meanwhile.
TEST_F(Dialogs, SlowAnInstallerThatRunsLongKeepsItsFiles)
{
    wt::InstallKind(kJdk, wt::RealJvm());
    std::vector<wendle_pack::Entry> entries = wt::Settings("A:A:A");
    entries.push_back({"sleep", 0, {'2', '5', '0', '0', '0'}});
    Session session(entries);
    HWND dialog = session.Selection();
    wt::Click(dialog, IDOK);
    for (int wait = 0; wait < 500 && IsWindowVisible(dialog); ++wait)
        Sleep(20);
    // As a program that sends to every top-level window, without time-out, would.
    DWORD_PTR result;
    EXPECT_NE(0, SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) << "the hidden dialog";
    session.End();
    EXPECT_EQ("CommandLine Installer.class TvqVersion.class URL sleep stdout.tmp\n", wt::ReadFile(kRecord));
}

TEST(DialogRules, CentringAndEnabling)
{
    EXPECT_EQ(155, CenteredOffset(800, 490));
    EXPECT_EQ(154, CenteredOffset(800, 491));
    EXPECT_EQ(0, CenteredOffset(400, 491));
    EXPECT_TRUE(IsEnabledForOption(IDC_BROWSE_VM, IDC_OPT_RUN_VM));
    EXPECT_FALSE(IsEnabledForOption(IDC_SAVE_FOLDER, IDC_OPT_RUN_VM));
    EXPECT_TRUE(IsEnabledForOption(IDOK, IDC_OPT_DOWNLOAD));
}

}  // namespace
