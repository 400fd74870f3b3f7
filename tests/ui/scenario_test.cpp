// The packed Wendle.exe under Wine, as its users meet it: Java VMs set up in
// the test's own prefix (stand-ins, or real JVMs behind vm_stub), a run in
// probe mode or with its dialogs worked like a user, and what must be left
// afterwards: exit code 0, an empty temporary directory, no capture file.
#include <gtest/gtest.h>

#include "harness.h"

#include <commctrl.h>
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
using Unattended = Scenario;

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
        {"real JVMs: JDK 17 and java.base alone", {{kJdk, wt::RealJvm()}, {kJre, wt::RealJvm(true)}},
         "1.1:A:A", "2\r\nYES " + jdk + "\r\nNO " + jre + "\r\n"},
        {"a 64-bit Temurin", {{kTemurin64, wt::RealJvm()}}, "A:A:A", "1\r\nYES C:\\vms\\jdk\\bin\\java.exe\r\n"},
        {"259 characters reach the VM", {{kJdk, kAnswerYes}}, std::string(259, 'A'), "1\r\nYES " + jdk + "\r\n", "",
         "\" TvqVersion " + std::string(259, 'A') + "|"},
        {"side by side: yes, no, a hang that is ended, one that cannot start",
         {{kJdk, kAnswerYes}, {kJre, kAnswerNo}, {kJview, "sleep=30000\nexit=314"}, {kModern, kCannotStart}}, "A:A:A",
         "4\r\nYES " + jdk + "\r\nNO " + jre + "\r\nNO " + jview + "\r\nNO C:\\vms\\new\\bin\\java.exe\r\n"},
        {"two VMs that answer only when both run", {{kJdk, kAnswerYes + "\nmeet=C:\\vms\\a|C:\\vms\\b"},
          {kJre, kAnswerYes + "\nmeet=C:\\vms\\b|C:\\vms\\a"}}, "A:A:A", "2\r\nYES " + jdk + "\r\nYES " + jre + "\r\n"},
        {"answers in the captured output alone, side by side: each probe reads its own",
         {{kJdk, "write=T\nsleep=300"}, {kJre, "write=NO\nsleep=300"}, {kJview, "write=T"}}, "A:A:A",
         "3\r\nYES " + jdk + "\r\nNO " + jre + "\r\nYES " + jview + "\r\n"},
        {"the two kinds that run in the class folder, side by side", {{kJdk, wt::RealJvm()}, {kJview, wt::RealJvm()}},
         "1.0:Debian:Linux 1.3:A:A", "2\r\nYES " + jdk + "\r\nYES " + jview + "\r\n"},
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
    session.End(314);   // the stand-in installer's own status
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
    session.End(1602);
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
    session.End(1602);
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
    session.End(1633);
}

// The download address is packed as the path of a stand-in browser, which
// records its start.
TEST_F(Dialogs, NamedVmInstallsAndDownloadAndCancelEnd)
{
    wt::InstallKind(kJdk, kAnswerNo);
    wt::InstallVm("C:\\vms\\named\\JAVA.EXE", wt::RealJvm());
    wt::InstallVm("C:\\vms\\browser.exe", "record=C:\\vms\\opened.txt");
    std::vector<wendle_pack::Entry> entries = wt::Settings("A:A:A");
    entries[1] = wendle_pack::StringEntry("URL", "C:\\vms\\browser.exe");
    for (int road : {IDC_OPT_RUN_VM, IDC_OPT_DOWNLOAD, IDCANCEL}) {
        Session session(entries);
        HWND dialog = session.Wait(IsNoVm, 90000);
        if (road != IDCANCEL)
            wt::Choose(dialog, road);
        if (road == IDC_OPT_RUN_VM)
            wt::Type(dialog, IDC_VM_PATH, "C:\\vms\\named\\JAVA.EXE");
        wt::Click(dialog, road == IDCANCEL ? IDCANCEL : IDOK);
        session.End(road == IDCANCEL ? 1602 : road == IDC_OPT_DOWNLOAD ? 1633 : 0);
    }
    for (int wait = 0; wait < 500 && !wt::Exists("C:\\vms\\opened.txt"); ++wait)
        Sleep(20);
    EXPECT_EQ(1u, wt::RecordedRuns("C:\\vms\\opened.txt").size()) << "the download address, opened once";
    EXPECT_EQ(kInstalled, wt::ReadFile(kRecord));
}

// A click that comes while a probe or the installer runs, at once or out of
// the queue of a blocking probe, does nothing: one probe each, one installer,
// and no question whether to cancel, which would hold up the run's end.
TEST_F(Dialogs, ASecondOkDuringAProbeOrAnInstallDoesNothing)
{
    const std::string slow = "sleep=1500\n" + kAnswerYes;
    for (bool named : {false, true}) {
        SetUp();
        wt::InstallKind(kJdk, named ? kAnswerNo : slow);
        wt::InstallVm("C:\\vms\\named\\java.exe", slow);
        Session session(wt::Settings("A:A:A"));
        HWND dialog = session.Wait(named ? IsNoVm : IsSelection);
        if (named) {
            wt::Choose(dialog, IDC_OPT_RUN_VM);
            wt::Type(dialog, IDC_VM_PATH, "C:\\vms\\named\\java.exe");
        } else {
            wt::Click(dialog, IDOK);   // during the search
            dialog = session.Selection();
        }
        wt::Click(dialog, IDOK);
        wt::Click(dialog, IDOK);
        wt::Click(dialog, IDCANCEL);
        session.End(314);
        EXPECT_EQ(named ? 3u : 2u, wt::RecordedRuns(kRuns).size()) << "the probes and one installer: " << named;
    }
}

// Boxes that end a run: the usage, for a launcher started with blanks alone
// and a payload whose second entry is not the download address; the folder
// of a temporary directory whose name the code page cannot hold and which
// has no short name (missing here; where 8.3 names are off, any such folder).
TEST_F(Dialogs, ABoxSaysWhyTheRunEnds)
{
    wt::InstallKind(kJdk, kAnswerYes);
    std::vector<wendle_pack::Entry> settings = wt::Settings("A:A:A");
    wt::Scratch dir("setup"), temp("tmp");
    wt::Pack(dir / "usage.exe", {settings[0], settings[2], settings[1]});
    wt::Pack(dir / "setup.exe", settings);
    // A payload that cannot be read: a file of 4 GB (sparse), whose end no offset reaches.
    wt::Pack(dir / "big.exe", settings);
    wine::RunUnix({"/usr/bin/truncate", "-s", "4G", wt::UnixPath(dir / "big.exe")});
    std::string cannotRun = wt::LauncherString(IDS_CANNOT_RUN_HERE);
    cannotRun.replace(cannotRun.find("%ls"), 3, "C:\\vms\\Dvořák");
    struct {
        std::string exe, tail, tempDir, text;
    } cases[] = {
        {dir / "usage.exe", " \t  ", temp.path, wt::LauncherString(IDS_USAGE)},
        {dir / "setup.exe", "", "C:\\vms\\Dvořák", cannotRun},
        {dir / "big.exe", "", temp.path, wt::LauncherString(IDS_USAGE)},
    };
    for (const auto& each : cases) {
        wt::Process launcher(wt::Quoted(each.exe) + each.tail, dir.path, each.tempDir + "\\");
        HWND box = wt::WaitForWindow(launcher.id(), wt::IsBox);
        EXPECT_EQ(each.text, wt::ItemText(box, 0xFFFF));
        EXPECT_EQ(wt::LauncherString(IDS_TITLE), wt::Text(box));
        wt::Click(box, IDOK);
        EXPECT_EQ(1603u, launcher.Wait()) << "the installation could not start";
    }
    EXPECT_EQ(std::vector<std::string>{}, wt::List(temp.path));
    EXPECT_FALSE(wt::Exists(kRuns)) << "no VM asked";
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
        session.End(save ? 1602 : 1603);
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

// Installers as wendle-pack packs them: a signed one, an installer jar
// started through the launcher's bootstrap class with six files packed
// beside it (the ten entries of a full payload), and installers that bring
// their own Java (--runtime; here a stand-in runtime folder, bin\\java.exe
// and a release file), which is used only when no installed VM suits and of
// which nothing outlives the run; and one in a folder outside the code page.
TEST_F(Dialogs, PackedInstallersRunWithTheVmThatSuits)
{
    const std::string runtimeExe = "\\bundled-java-runtime\\bin\\java.exe", jdk = "C:\\vms\\jdk\\Bin\\java.exe";
    const std::string classRun = "CommandLine Installer.class TvqVersion.class URL bundled-java-runtime stdout.tmp\n";
    const std::string jarRun = " | inside the jar | beside the jar\n";
    struct {
        const char* what;
        std::string installed, runtime;   // configurations of an installed JDK and of the runtime's VM ("": none)
        const char* packed;               // an installer packed by wendle-pack, or null for the installer class
        bool hostile;
        std::string listed, record;       // the one VM listed ("" for the no-VM dialog), what the installer saw
        size_t runtimeRuns;               // runs of the runtime that a stand-in recorded
        std::string folder, tempDir;      // of setup.exe and TEMP, when not the session's own
        std::string args;                 // setup.exe's command line after its name
    } cases[] = {
        {"a signed installer", wt::RealJvm(), "", SIGNED_INSTALLER, false, jdk, kInstalled},
        {"an installer jar with ten entries", wt::RealJvm(), "", JAR_INSTALLER, false, jdk,
         "1 2 3 4 5 CommandLine TvqVersion.class URL WendleJar.class data.txt installer.jar stdout.tmp" + jarRun},
        {"a class installer on a PC without Java", "", wt::RealJvm(), nullptr, false, runtimeExe, classRun},
        {"an installer jar on a PC without Java", "", wt::RealJvm(), JAR_INSTALLER, false, runtimeExe,
         "CommandLine TvqVersion.class URL WendleJar.class bundled-java-runtime data.txt installer.jar stdout.tmp" + jarRun},
        {"an installed VM that suits: the runtime stays packed", wt::RealJvm(), wt::RealJvm(), nullptr, false, jdk, kInstalled},
        {"a runtime that does not suit", kAnswerNo, kAnswerNo, nullptr, false, "", "", 1},
        {"a runtime whose archive reaches outside", "", wt::RealJvm(), nullptr, true, "", ""},
        {"folders outside the code page, and arguments for the installer", wt::RealJvm(), "", nullptr, false, jdk,
         "CommandLine Installer.class TvqVersion.class URL stdout.tmp | args c d|e\n", 0, "C:\\vms\\山田",
         wt::TempDir() + "\\Dvořák", " -- \"c d\"  e"},
        {"neither the installed VM's probe nor the runtime's can start", kCannotStart, kCannotStart, nullptr, false, "", ""},
        {"a runtime that suits: probed and run with its class folder", "", kAnswerYes, nullptr, false, runtimeExe, "", 2},
    };
    for (const auto& each : cases) {
        SetUp();
        if (!each.installed.empty())
            wt::InstallKind(kJdk, each.installed);
        if (each.installed == kCannotStart)
            wt::WriteFile("C:\\vms\\jdk\\Bin\\java.exe", kCannotStart);
        wt::RemoveTree("C:\\rt");
        wt::InstallVm("C:\\rt\\bin\\java.exe", each.runtime);
        if (each.runtime == kCannotStart)
            wt::WriteFile("C:\\rt\\bin\\java.exe", kCannotStart);
        wt::WriteFile("C:\\rt\\release", "JAVA_VERSION=\"17.0.15\"\n");
        wendle_pack::Entry runtime = wt::RuntimeEntry("C:\\rt");
        if (each.hostile) {
            // In front of the end blocks: a file two folders up, in TEMP.
            std::vector<uint8_t> header = wendle_pack::TarHeader("../../escaped.txt", '0', 0);
            runtime.data.insert(runtime.data.end() - 1024, header.begin(), header.end());
        }
        std::vector<wendle_pack::Entry> entries = each.packed ? wt::EntriesOf(each.packed) : wt::Settings("A:A:A");
        if (!each.runtime.empty()) {
            if (each.packed)
                entries.resize(5);   // the settings, the bootstrap, the jar and data.txt
            entries.push_back(runtime);
        }
        std::string exe = each.packed && each.runtime.empty() ? each.packed : "";
        if (!each.folder.empty())
            wt::MakeDirs(each.folder), wt::Pack(exe = each.folder + "\\setup.exe", entries);
        Session session(entries, each.args, exe, each.tempDir);
        if (each.listed.empty()) {
            HWND dialog = session.Wait(IsNoVm, 90000);
            std::string runFolder = session.tempDir + "\\" + wt::List(session.tempDir).at(0);
            EXPECT_EQ(std::vector<std::string>{"TvqVersion.class"}, wt::List(runFolder)) << each.what;
            wt::Click(dialog, IDCANCEL);
            session.End(1602);
        } else {
            HWND dialog = session.Selection();
            int selected = -1;
            std::vector<std::string> items = wt::ComboItems(dialog, IDC_VM_LIST, &selected);
            ASSERT_EQ(1u, items.size()) << each.what;
            EXPECT_EQ(0, selected) << each.what;
            EXPECT_EQ(each.listed, items[0].substr(items[0].size() - std::min(items[0].size(), each.listed.size())))
                << each.what;
            bool own = each.listed == runtimeExe;
            EXPECT_EQ(wt::LauncherString(own ? IDS_OWN_JAVA : IDS_ONE_VM_FOUND), wt::ItemText(dialog, IDC_STATUS));
            EXPECT_EQ(wt::LauncherString(IDS_TITLE), wt::Text(dialog));
            // A message that only the common controls of version 6 know: the manifest asked for them.
            EXPECT_EQ(30, SendMessageW(GetDlgItem(dialog, IDC_VM_LIST), CB_GETMINVISIBLE, 0, 0));
            wt::Click(dialog, IDOK);
            session.End(each.runtime == kAnswerYes ? 314 : 0);   // a stand-in installer's status
        }
        EXPECT_EQ(each.record, wt::ReadFile(kRecord)) << each.what;
        // Its class folder on the command line, whatever CLASSPATH says.
        size_t runtimeRuns = 0;
        for (const std::string& run : wt::RecordedRuns(kRuns)) {
            if (run.find(runtimeExe) == std::string::npos)
                continue;
            ++runtimeRuns;
            EXPECT_NE(std::string::npos, run.find(runtimeExe + "\" -cp " + session.tempDir + "\\wendle-")) << run;
        }
        EXPECT_EQ(each.runtimeRuns, runtimeRuns) << each.what;
        wt::RemoveTree(each.tempDir);
    }
}

// A publisher's installer, branded and signed (tests/res/brand_test.cpp): its
// name, which no ANSI code page holds, heads both dialogs and the message
// boxes, whose texts stay in the user's language, and it installs. CTest runs
// this in English and, as dialogs_ja, on a Japanese Windows.
TEST_F(Dialogs, ABrandedSignedInstallerShowsItsNameAndInstalls)
{
    const std::string name = "Übersetzer 日本";
    const LANGID language = GetUserDefaultUILanguage();
    EXPECT_EQ(std::string(getenv("LC_ALL")).compare(0, 2, "ja") == 0 ? 0x0411 : 0x0409, language);
    wt::InstallKind(kJdk, wt::RealJvm());
    Session session({}, "", SIGNED_BRANDED);
    HWND dialog = session.Selection();
    EXPECT_EQ(name, wt::Caption(dialog));
    wt::Click(dialog, IDCANCEL);
    auto box = session.NextBox();
    EXPECT_EQ(name, wt::Caption(box.window));
    EXPECT_EQ(wt::LauncherString(IDS_CANCEL_QUESTION, language), box.text);
    session.Answer(box, IDNO);
    wt::Click(dialog, IDOK);
    session.End();
    EXPECT_EQ(kInstalled, wt::ReadFile(kRecord));
    wt::ForgetAllVms();
    Session none({}, "", SIGNED_BRANDED);
    HWND noVm = none.Wait(IsNoVm);
    EXPECT_EQ(name, wt::Caption(noVm));
    wt::Click(noVm, IDCANCEL);
    none.End(1602);
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
    EXPECT_FALSE(IsWindowVisible(dialog)) << "hidden while the installer runs";
    // As a program that sends to every top-level window, without time-out, would.
    DWORD_PTR result;
    EXPECT_NE(0, SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) << "the hidden dialog";
    // A quit meanwhile waits for the installer; its folder goes after it.
    PostThreadMessageW(GetWindowThreadProcessId(dialog, nullptr), WM_QUIT, 0, 0);
    session.End();
    EXPECT_EQ("CommandLine Installer.class TvqVersion.class URL sleep stdout.tmp\n", wt::ReadFile(kRecord));
}

// Runs the session to its end, or until a window of it is visible: true then.
bool ShowedAWindow(Session& session)
{
    bool shown = false;
    while (!shown && session.process->Wait(20) == ~0u)
        shown = wt::WaitForWindow(session.process->id(), [](HWND) { return true; }, 0) != nullptr;
    return shown;
}

std::vector<wendle_pack::Entry> WithLaunchSettings(std::vector<wendle_pack::Entry> entries)
{
    entries.push_back({"exit", 0, {'7'}});
    entries.push_back(wendle_pack::StringEntry("WendleJvmOptions", "-Dwendle.test=on"));
    entries.push_back(wendle_pack::StringEntry("WendleArguments", "/S \"a b\""));
    return entries;
}

// setup.exe --silent: no window at any moment, the VM the dialog would
// select first (else the installer's own Java), the packed arguments and
// then the user's, the JVM options, and the installer's exit status.
TEST_F(Unattended, SilentRunsInstallWithoutAWindow)
{
    const std::string log = "C:\\vms\\setup.log";
    const std::string passed = " | args /S|a b|c d|e \"f\" | wendle.test=on\n";
    struct {
        const char* what;
        std::string installed;   // a JDK's configuration, or none
        bool jar;
        int runtime;             // 0: none, 1: packed, 2: packed, its archive reaching outside its folder
        DWORD status;
        std::string logPath;
    } cases[] = {
        {"a class installer", wt::RealJvm(), false, 0, 7, log},
        {"an installer jar", wt::RealJvm(), true, 0, 7, log},
        {"the installer's own Java on a PC without one", "", false, 1, 7, log},
        {"the installer's own Java, which cannot be unpacked", "", false, 2, 1603, log},
        {"no suitable Java, and a log that cannot be written", kAnswerNo, false, 0, 1633, "C:\\none\\setup.log"},
    };
    for (const auto& each : cases) {
        SetUp();
        wt::MakeDirs("C:\\vms");
        if (!each.installed.empty())
            wt::InstallKind(kJdk, each.installed);
        std::vector<wendle_pack::Entry> entries = wt::Settings("A:A:A");
        if (each.jar)
            entries = wt::EntriesOf(JAR_INSTALLER), entries.resize(5);
        if (each.runtime) {
            wt::RemoveTree("C:\\rt");
            wt::InstallVm("C:\\rt\\bin\\java.exe", wt::RealJvm());
            wt::WriteFile("C:\\rt\\release", "JAVA_VERSION=\"17.0.15\"\n");
            entries.push_back(wt::RuntimeEntry("C:\\rt"));
            std::vector<uint8_t> outside = wendle_pack::TarHeader("../../escaped.txt", '0', 0);
            if (each.runtime == 2)
                entries.back().data.insert(entries.back().data.end() - 1024, outside.begin(), outside.end());
        }
        Session session(WithLaunchSettings(entries), " --silent --log " + each.logPath + R"( -- "c d" "e \"f\"")");
        EXPECT_FALSE(ShowedAWindow(session)) << each.what;
        session.End(each.status);
        std::string record = wt::ReadFile(kRecord);
        EXPECT_EQ(each.status == 7 ? passed : "", record.substr(record.size() - std::min(record.size(), passed.size())))
            << each.what;
        EXPECT_EQ(each.runtime == 1, record.find("bundled-java-runtime") != std::string::npos) << each.what;
        EXPECT_EQ(each.status == 7, wt::ReadFile(log).find("the installer ended with exit status 7\r\n") != std::string::npos)
            << each.what;
        // The options go to the VM that runs the jar; the bootstrap passes them on.
        EXPECT_EQ(std::string::npos, wt::ReadFile(log).find("-Dwendle.test=on WendleJar")) << each.what;
    }
}

// The log of a silent run says why each VM was taken or not; the JVM options
// reach the installer's VM and never a probe.
TEST_F(Unattended, SlowTheLogSaysWhatHappened)
{
    std::string jdk = wt::InstallKind(kJdk, kAnswerYes);
    wt::InstallKind(kJre, kAnswerNo, "C:\\vms\\jre");
    wt::InstallKind(kJview, "sleep=30000\nexit=314");
    wt::WriteFile(wt::InstallKind(kModern, "", "C:\\vms\\new"), kCannotStart);
    Session session(WithLaunchSettings(wt::Settings("A:A:A")), " --log C:\\vms\\setup.log --silent");
    EXPECT_FALSE(ShowedAWindow(session));
    session.End(314);
    std::string log = wt::ReadFile("C:\\vms\\setup.log");
    for (const std::string& line : std::vector<std::string>{
             "Wendle " + wt::LauncherVersion() + ", command line: ", "  value JavaHome: C:\\vms\\jre\r\n",
             "exit status 159, first output byte X\r\n", "C:\\vms\\jre\\Bin\\jre.exe: not suitable",
             "ended at its time limit after ", "cannot start \"C:\\vms\\new\\bin\\java.exe\" ", "chosen: " + jdk,
             "the installer ended with exit status 314\r\n"})
        EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;
    std::vector<std::string> runs = wt::RecordedRuns(kRuns);
    ASSERT_EQ(3u, runs.size());
    for (const std::string& run : runs)
        EXPECT_EQ(run == runs.back(), run.find(" -Dwendle.test=on Installer /S \"a b\"|") != std::string::npos) << run;
}

// Options setup.exe does not know are refused, with the usage message unless
// silent; a requirement behind --log is a probe run with a log.
TEST_F(Unattended, UnknownOptionsAreRefused)
{
    wt::InstallKind(kJdk, kAnswerYes);
    struct {
        std::string args;
        bool usage;
        DWORD status;
        std::string report;
    } cases[] = {
        {" --bogus", true, 87, ""},
        {" --log", true, 87, ""},
        {" --silent --bogus", false, 87, ""},
        {" --silent A:A:A", false, 87, ""},
        {" --log C:\\vms\\probe.log A:A:A", false, 0, "1\r\nYES C:\\vms\\jdk\\Bin\\java.exe\r\n"},
    };
    for (const auto& each : cases) {
        Session session(wt::Settings("A:A:A"), each.args);
        if (each.usage) {
            auto box = session.NextBox();
            EXPECT_EQ(wt::LauncherString(IDS_USAGE), box.text) << each.args;
            session.Answer(box, IDOK);
        } else {
            EXPECT_FALSE(ShowedAWindow(session)) << each.args;
        }
        session.End(each.status);
        EXPECT_EQ(each.report, session.process->Output()) << each.args;
    }
    EXPECT_NE(std::string::npos, wt::ReadFile("C:\\vms\\probe.log").find("VM kind 0: C:\\vms\\jdk\\Bin\\java.exe"));
}

TEST(DialogRules, Centring)
{
    EXPECT_EQ(155, CenteredOffset(800, 490));
    EXPECT_EQ(154, CenteredOffset(800, 491));
    EXPECT_EQ(0, CenteredOffset(400, 491));
}

}  // namespace
