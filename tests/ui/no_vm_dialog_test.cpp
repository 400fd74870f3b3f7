// The no-VM dialog of the packed Wendle.exe, worked as a user would: how it
// opens, which controls each option enables, and what OK does with each of
// the three options.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "expected_texts.h"
#include "launcher_session.h"
#include "res/resource.h"
#include "test_support.h"
#include "window_driver.h"

using namespace ui_test;
using test_support::MessageBoxView;

namespace {

const char kAddress[] = "https://wendle.example.org/java";

class NoVmDialog : public ScenarioTest {
protected:
    // Presses OK, expects an information box with text and the given owner
    // (null: none), answers it and expects the dialog to stay as it was: the
    // option still chosen and the typed text unchanged.
    void ExpectMessageAndStay(LauncherSession& session, HWND dialog, const std::string& text,
                              HWND owner, int option, int field, const std::string& typed,
                              const std::string& what)
    {
        test_support::Click(dialog, IDOK);
        HWND box = session.WaitForMessageBox();
        ASSERT_NE(nullptr, box) << what;
        MessageBoxView view = test_support::ReadMessageBox(box);
        EXPECT_EQ(text, view.text) << what;
        EXPECT_EQ(English().strings[2], view.caption) << what;
        EXPECT_EQ(owner, view.owner) << what;
        EXPECT_TRUE(view.hasOk) << what;
        EXPECT_FALSE(view.hasYes || view.hasNo || view.hasCancel) << what;
        EXPECT_STREQ("information", test_support::BoxIconName(view.icon)) << what;
        test_support::Click(box, IDOK);
        ASSERT_TRUE(test_support::WaitUntilGone(box, kWindowMs)) << what;
        test_support::Settle(dialog);
        EXPECT_TRUE(test_support::IsShown(dialog)) << what << ": the dialog closed";
        EXPECT_TRUE(test_support::IsChecked(dialog, option)) << what;
        EXPECT_EQ(typed, test_support::ControlText(dialog, field)) << what << ": the text changed";
    }

    // The selection dialog of the run: hidden, with nothing listed.
    static void ExpectSelectionDialogHidden(const LauncherSession& session)
    {
        std::vector<HWND> dialogs = test_support::AllTopLevelWindows(session.id(), "#32770");
        auto selection = std::find_if(dialogs.begin(), dialogs.end(), IsSelectionDialog);
        ASSERT_NE(dialogs.end(), selection) << "the selection dialog is gone";
        EXPECT_FALSE(test_support::IsShown(*selection)) << "the selection dialog is still shown";
        EXPECT_TRUE(test_support::ReadComboBox(*selection, IDC_VM_LIST).items.empty());
    }
};

int Centred(int reference, int window)
{
    return std::max(0, (reference - window) / 2);
}

TEST_F(NoVmDialog, TakesOverFromTheHiddenSelectionDialogWhenNoVmSuits)
{
    const struct {
        const char* what;
        void (*install)();
    } cases[] = {
        {"no VM installed", [] {}},
        {"every found VM fails its check", [] {
             InstallVm({VmKind::Jdk, VmRoot() + "\\jdk", 159});
             InstallVm({VmKind::Jre, VmRoot() + "\\jre", 0});
             InstallVm({VmKind::MsVm, "", 1});
         }},
    };
    for (const auto& c : cases) {
        ResetMachine();
        c.install();
        LauncherSession session;
        HWND dialog = session.NoVmDialog();
        ASSERT_NE(nullptr, dialog) << c.what;
        ExpectSelectionDialogHidden(session);

        // Opening state: the download option, the address, all else disabled.
        EXPECT_EQ(English().strings[2], test_support::WindowText(dialog)) << c.what;
        EXPECT_EQ(English().noVm[0], test_support::ControlText(dialog, IDC_STATUS)) << c.what;
        EXPECT_EQ(kAddress, test_support::ControlText(dialog, IDC_DOWNLOAD_URL)) << c.what;
        EXPECT_TRUE(test_support::IsChecked(dialog, IDC_OPT_DOWNLOAD)) << c.what;
        EXPECT_FALSE(test_support::IsChecked(dialog, IDC_OPT_RUN_VM)) << c.what;
        EXPECT_FALSE(test_support::IsChecked(dialog, IDC_OPT_SAVE)) << c.what;
        for (int control : {IDC_VM_PATH, IDC_BROWSE_VM, IDC_SAVE_FOLDER, IDC_BROWSE_FOLDER})
            EXPECT_FALSE(test_support::IsControlEnabled(dialog, control)) << c.what << " " << control;
        for (int control : {IDC_OPT_DOWNLOAD, IDC_OPT_RUN_VM, IDC_OPT_SAVE, IDOK, IDCANCEL})
            EXPECT_TRUE(test_support::IsControlEnabled(dialog, control)) << c.what << " " << control;
        RECT screen = test_support::WindowRect(GetDesktopWindow());
        RECT placed = test_support::WindowRect(dialog);
        EXPECT_EQ(Centred(screen.right - screen.left, placed.right - placed.left), placed.left);
        EXPECT_EQ(Centred(screen.bottom - screen.top, placed.bottom - placed.top), placed.top);

        test_support::Click(dialog, IDCANCEL);
        session.ExpectCleanEnd(c.what);
    }
}

TEST_F(NoVmDialog, EachOptionEnablesItsFieldAndBrowseButtonAndTextsStay)
{
    LauncherSession session;
    HWND dialog = session.NoVmDialog();
    ASSERT_NE(nullptr, dialog);
    const std::string vmPath = "C:\\somewhere\\java.exe";
    const std::string folder = "C:\\Temp";

    const struct {
        const char* what;
        int option;
        bool vmControls, folderControls;
    } steps[] = {
        {"run with a VM", IDC_OPT_RUN_VM, true, false},
        {"save", IDC_OPT_SAVE, false, true},
        {"back to download", IDC_OPT_DOWNLOAD, false, false},
        {"save again", IDC_OPT_SAVE, false, true},
        {"run with a VM again", IDC_OPT_RUN_VM, true, false},
    };
    for (const auto& step : steps) {
        test_support::ChooseOption(dialog, step.option);
        // Typed into whichever field is open, kept by the other.
        if (step.vmControls)
            test_support::TypeText(dialog, IDC_VM_PATH, vmPath);
        if (step.folderControls)
            test_support::TypeText(dialog, IDC_SAVE_FOLDER, folder);
        for (int option : {IDC_OPT_DOWNLOAD, IDC_OPT_RUN_VM, IDC_OPT_SAVE})
            EXPECT_EQ(option == step.option, test_support::IsChecked(dialog, option))
                << step.what << ": option " << option;
        EXPECT_EQ(step.vmControls, test_support::IsControlEnabled(dialog, IDC_VM_PATH)) << step.what;
        EXPECT_EQ(step.vmControls, test_support::IsControlEnabled(dialog, IDC_BROWSE_VM)) << step.what;
        EXPECT_EQ(step.folderControls, test_support::IsControlEnabled(dialog, IDC_SAVE_FOLDER))
            << step.what;
        EXPECT_EQ(step.folderControls, test_support::IsControlEnabled(dialog, IDC_BROWSE_FOLDER))
            << step.what;
    }
    EXPECT_EQ(vmPath, test_support::ControlText(dialog, IDC_VM_PATH));
    EXPECT_EQ(folder, test_support::ControlText(dialog, IDC_SAVE_FOLDER));
    EXPECT_EQ(kAddress, test_support::ControlText(dialog, IDC_DOWNLOAD_URL));
    test_support::Click(dialog, IDCANCEL);
    session.ExpectCleanEnd("switching options");
}

TEST_F(NoVmDialog, CancelAndEscapeEndTheRunWithoutAQuestion)
{
    const struct {
        const char* what;
        void (*press)(HWND dialog);
    } ways[] = {
        {"Cancel button", [](HWND dialog) { test_support::Click(dialog, IDCANCEL); }},
        {"Escape key", [](HWND dialog) { test_support::PressEscape(dialog); }},
        {"Escape key with the save option chosen", [](HWND dialog) {
             test_support::ChooseOption(dialog, IDC_OPT_SAVE);
             test_support::PressEscape(dialog);
         }},
    };
    for (const auto& way : ways) {
        LauncherSession session;
        HWND dialog = session.NoVmDialog();
        ASSERT_NE(nullptr, dialog) << way.what;
        way.press(dialog);
        // A question would keep the run waiting for an answer.
        session.ExpectCleanEnd(way.what);
    }
}

TEST_F(NoVmDialog, DownloadEndsTheRunEvenWithNoProgramForTheAddress)
{
    // No program is registered for this scheme, so the shell can do nothing
    // with it; and no browser is started on the test machine.
    LauncherSession session("A:A:A", "wendle-no-handler:download");
    HWND dialog = session.NoVmDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("wendle-no-handler:download", test_support::ControlText(dialog, IDC_DOWNLOAD_URL));
    test_support::Click(dialog, IDOK);
    session.ExpectCleanEnd("download");
}

TEST_F(NoVmDialog, RunWithANamedVmChecksThePathThenLaunches)
{
    std::string javaw = VmRoot() + "\\javaw\\bin\\javaw.exe";
    InstallUnregisteredVm(javaw, 314, false);
    std::string tooOld = VmRoot() + "\\old\\bin\\java.exe";
    InstallUnregisteredVm(tooOld, 159, false);
    std::string good = VmRoot() + "\\named\\bin\\jre.exe";
    InstallUnregisteredVm(good, 0, true);

    LauncherSession session;
    // A bare name is looked up in the launcher's current directory.
    test_support::WriteText(session.workDir() + "\\java.exe", "not a program");
    HWND dialog = session.NoVmDialog();
    ASSERT_NE(nullptr, dialog);
    test_support::ChooseOption(dialog, IDC_OPT_RUN_VM);

    const struct {
        const char* what;
        std::string typed;
        int message;
    } attempts[] = {
        {"empty field", "", 11},
        {"no file at the path", VmRoot() + "\\missing\\bin\\java.exe", 12},
        {"a bare name that does not exist", "nothere.exe", 12},
        {"javaw.exe exists but is no VM name", javaw, 10},
        {"a bare name that exists in the current directory", "java.exe", 10},
        {"a VM that fails the check", tooOld, 10},
    };
    for (const auto& attempt : attempts) {
        test_support::TypeText(dialog, IDC_VM_PATH, attempt.typed);
        ExpectMessageAndStay(session, dialog, English().strings[attempt.message], dialog,
                             IDC_OPT_RUN_VM, IDC_VM_PATH, attempt.typed, attempt.what);
    }
    EXPECT_TRUE(RecordedInstallerRuns().empty());
    // Only the VM that fails the check was started, for its probe.
    std::vector<std::string> probes = RecordedVmCommandLines();
    ASSERT_EQ(1u, probes.size());
    EXPECT_EQ("\"" + tooOld + "\" TvqVersion A:A:A", probes[0]);

    test_support::TypeText(dialog, IDC_VM_PATH, good);
    test_support::Click(dialog, IDOK);
    session.ExpectCleanEnd("launch with a named VM");
    std::vector<InstallerRun> runs = RecordedInstallerRuns();
    ASSERT_EQ(1u, runs.size());
    // jre.exe is the JRE kind: class directory by -cp, current directory
    // the launcher's own.
    EXPECT_PRED2(SamePath, session.tempDir(), runs[0].classPath);
    EXPECT_PRED2(SamePath, session.workDir(), runs[0].currentDir);
    EXPECT_EQ(std::vector<std::string>{}, runs[0].args);
}

class SaveTest : public NoVmDialog {
protected:
    void SetUp() override
    {
        NoVmDialog::SetUp();
        madeTemp_ = CreateDirectoryA("C:\\Temp", nullptr) != FALSE;
        DeleteFileA(SavedInTemp().c_str());
    }
    void TearDown() override
    {
        DeleteFileA(SavedInTemp().c_str());
        if (madeTemp_)
            RemoveDirectoryA("C:\\Temp");
        NoVmDialog::TearDown();
    }
    static std::string SavedInTemp() { return "C:\\Temp\\" + InstallerClassFileName(); }

private:
    bool madeTemp_ = false;
};

// A folder under VmRoot() whose name fills the path to length characters.
std::string FolderOfLength(size_t length)
{
    std::string folder = VmRoot() + "\\";
    folder += std::string(length - folder.size(), 'f');
    CreateDirectoryA(VmRoot().c_str(), nullptr);
    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << "cannot create " << folder;
    return folder;
}

TEST_F(SaveTest, SavingWritesTheInstallerClassAndReportsItsPath)
{
    const test_support::Bytes classBytes = test_support::ReadBytes(InstallerClassPath());
    // The joined path may have 259 characters, the most a 260-byte buffer holds.
    std::string longest = FolderOfLength(259 - 1 - InstallerClassFileName().size());
    const struct {
        const char* what;
        std::string typed;
        std::string written;
    } cases[] = {
        {"C:\\Temp", "C:\\Temp", SavedInTemp()},
        {"C:\\Temp\\ with its backslash", "C:\\Temp\\", SavedInTemp()},
        {"a folder giving a path of 259 characters", longest,
         longest + "\\" + InstallerClassFileName()},
    };
    for (const auto& c : cases) {
        DeleteFileA(c.written.c_str());
        LauncherSession session;
        HWND dialog = session.NoVmDialog();
        ASSERT_NE(nullptr, dialog) << c.what;
        test_support::ChooseOption(dialog, IDC_OPT_SAVE);
        test_support::TypeText(dialog, IDC_SAVE_FOLDER, c.typed);
        test_support::Click(dialog, IDOK);
        HWND box = session.WaitForMessageBox();
        ASSERT_NE(nullptr, box) << c.what;
        MessageBoxView view = test_support::ReadMessageBox(box);
        std::string report = English().strings[13];
        report.replace(report.find("%s"), 2, c.written);
        EXPECT_EQ(report, view.text) << c.what;
        EXPECT_EQ(dialog, view.owner) << c.what;
        EXPECT_STREQ("information", test_support::BoxIconName(view.icon)) << c.what;
        test_support::Click(box, IDOK);
        session.ExpectCleanEnd(c.what);
        EXPECT_TRUE(test_support::PathExists(c.written)) << c.what;
        if (test_support::PathExists(c.written)) {
            EXPECT_TRUE(classBytes == test_support::ReadBytes(c.written)) << c.what << ": other bytes";
        }
        DeleteFileA(c.written.c_str());
    }
}

TEST_F(SaveTest, AFolderThatCannotTakeTheFileLeavesTheDialogOpen)
{
    // 250 characters: the joined path would exceed 259.
    std::string tooLong = FolderOfLength(250);
    LauncherSession session;
    HWND dialog = session.NoVmDialog();
    ASSERT_NE(nullptr, dialog);
    test_support::ChooseOption(dialog, IDC_OPT_SAVE);

    const struct {
        const char* what;
        std::string typed;
        int message;
        bool ownedByDialog;
    } attempts[] = {
        {"empty field", "", 14, true},
        {"a folder that does not exist", VmRoot() + "\\nowhere", 9, false},
        {"a folder whose joined path exceeds 259 characters", tooLong, 9, false},
    };
    for (const auto& attempt : attempts) {
        test_support::TypeText(dialog, IDC_SAVE_FOLDER, attempt.typed);
        ExpectMessageAndStay(session, dialog, English().strings[attempt.message],
                             attempt.ownedByDialog ? dialog : nullptr, IDC_OPT_SAVE,
                             IDC_SAVE_FOLDER, attempt.typed, attempt.what);
    }
    EXPECT_FALSE(test_support::PathExists(VmRoot() + "\\nowhere"));
    EXPECT_EQ(std::vector<std::string>{}, test_support::ListDir(tooLong));
    test_support::Click(dialog, IDCANCEL);
    session.ExpectCleanEnd("failed saves");
}

TEST_F(NoVmDialog, AnInstallerEntryThatCannotBeExtractedEndsTheRunQuietly)
{
    test_support::Bytes classBytes = test_support::ReadBytes(InstallerClassPath());
    wendle_pack::Entry installer;
    installer.name = InstallerClassFileName();
    installer.kind = 1;
    installer.data = classBytes;
    std::string java = VmRoot() + "\\named\\bin\\java.exe";
    InstallUnregisteredVm(java, 314, false);

    LauncherSession session({wendle_pack::StringEntry("CommandLine", "A:A:A"),
                             wendle_pack::StringEntry("URL", kAddress), installer});
    HWND dialog = session.NoVmDialog();
    ASSERT_NE(nullptr, dialog);
    test_support::ChooseOption(dialog, IDC_OPT_RUN_VM);
    test_support::TypeText(dialog, IDC_VM_PATH, java);
    test_support::Click(dialog, IDOK);
    session.ExpectCleanEnd("named VM with an unextractable installer");
    // Probed, never launched.
    EXPECT_EQ(1u, RecordedVmCommandLines().size());
}

}  // namespace
