// The VM selection dialog of the packed Wendle.exe, worked as a user would:
// what it lists after the search, what OK launches, what Cancel asks.
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
using test_support::ComboView;
using test_support::ListItem;

namespace {

class SelectionDialog : public ScenarioTest {
protected:
    static std::vector<std::pair<std::string, LRESULT>> Items(const ComboView& view)
    {
        std::vector<std::pair<std::string, LRESULT>> items;
        for (const ListItem& item : view.items)
            items.emplace_back(item.text, item.data);
        return items;
    }

    // Answers the Cancel question with Yes and expects the run to end.
    static void CancelAndEnd(LauncherSession& session, HWND dialog, const char* what)
    {
        test_support::Click(dialog, IDCANCEL);
        HWND question = session.WaitForMessageBox();
        ASSERT_NE(nullptr, question) << what;
        test_support::Click(question, IDYES);
        session.ExpectCleanEnd(what);
    }
};

int Centred(int reference, int window)
{
    return std::max(0, (reference - window) / 2);
}

TEST_F(SelectionDialog, OneSuitableVmIsListedSelectedAndRunsTheInstallerClass)
{
    std::string java = InstallVm({VmKind::Jdk, VmRoot() + "\\jdk17", 314, true});
    LauncherSession session;
    HWND dialog = session.SelectionDialogAfterSearch();
    ASSERT_NE(nullptr, dialog);

    EXPECT_EQ(English().strings[2], test_support::WindowText(dialog));
    EXPECT_EQ(English().strings[3], test_support::ControlText(dialog, IDC_STATUS));
    ComboView list = test_support::ReadComboBox(dialog, IDC_VM_LIST);
    EXPECT_EQ((std::vector<std::pair<std::string, LRESULT>>{{java, 0}}), Items(list));
    EXPECT_EQ(0, list.selected);
    // In the middle of the screen, measured from its origin.
    RECT screen = test_support::WindowRect(GetDesktopWindow());
    RECT placed = test_support::WindowRect(dialog);
    EXPECT_EQ(Centred(screen.right - screen.left, placed.right - placed.left), placed.left);
    EXPECT_EQ(Centred(screen.bottom - screen.top, placed.bottom - placed.top), placed.top);

    test_support::Click(dialog, IDOK);
    session.ExpectCleanEnd("launch with the one VM");

    std::vector<InstallerRun> runs = RecordedInstallerRuns();
    ASSERT_EQ(1u, runs.size()) << "the installer class did not run exactly once";
    // The JDK kind runs the class from the temporary directory as its
    // current directory, with no arguments.
    EXPECT_PRED2(SamePath, session.tempDir(), runs[0].classPath);
    EXPECT_PRED2(SamePath, session.tempDir(), runs[0].currentDir);
    EXPECT_EQ(std::vector<std::string>{}, runs[0].args);
    // While it ran, the payload lay extracted beside it.
    std::vector<std::string> extracted{"CommandLine", "TvqVersion.class", "URL",
                                       InstallerClassFileName()};
    std::sort(extracted.begin(), extracted.end());
    EXPECT_EQ(extracted, runs[0].classDirFiles);
}

TEST_F(SelectionDialog, SeveralSuitableVmsLaunchTheSlotOfTheChosenItem)
{
    // Sorted by path, the JRE (slot 1) comes first and the JDK (slot 0) is
    // not where its slot would put it.
    std::string jdk = InstallVm({VmKind::Jdk, VmRoot() + "\\zz-jdk"});
    std::string jre = InstallVm({VmKind::Jre, VmRoot() + "\\aa-jre"});
    std::string jview = InstallVm({VmKind::MsVm, ""});
    std::vector<std::pair<std::string, LRESULT>> sorted{{jdk, 0}, {jre, 1}, {jview, 2}};
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return _stricmp(a.first.c_str(), b.first.c_str()) < 0;
    });
    ASSERT_EQ(1, sorted[0].second);
    auto position = [&](LRESULT slot) {
        return (int)(std::find_if(sorted.begin(), sorted.end(),
                                  [&](const auto& item) { return item.second == slot; }) -
                     sorted.begin());
    };

    const struct {
        const char* what;
        int pick;   // list position the user picks; -1 keeps the first
        bool enter;
        std::string launched;
        std::string launchArguments;
    } cases[] = {
        {"OK with the first sorted item (slot 1)", -1, false, jre, " -cp "},
        {"Enter with the first sorted item (slot 1)", -1, true, jre, " -cp "},
        {"OK after picking jview (slot 2)", position(2), false, jview, " -cp:p "},
        {"OK after picking the JDK (slot 0)", position(0), false, jdk, " "},
    };
    for (const auto& c : cases) {
        DeleteFileA(VmRunRecord().c_str());
        LauncherSession session;
        HWND dialog = session.SelectionDialogAfterSearch();
        ASSERT_NE(nullptr, dialog) << c.what;
        EXPECT_EQ(English().strings[4], test_support::ControlText(dialog, IDC_STATUS)) << c.what;
        ComboView list = test_support::ReadComboBox(dialog, IDC_VM_LIST);
        EXPECT_EQ(sorted, Items(list)) << c.what;
        EXPECT_EQ(0, list.selected) << c.what;
        if (c.pick >= 0) {
            test_support::SelectListItem(dialog, IDC_VM_LIST, c.pick);
            EXPECT_EQ(c.pick, test_support::ReadComboBox(dialog, IDC_VM_LIST).selected) << c.what;
        }
        if (c.enter)
            test_support::PressEnter(dialog);
        else
            test_support::Click(dialog, IDOK);
        session.ExpectCleanEnd(c.what);

        // Three probe runs, then the one launch.
        std::vector<std::string> runs = RecordedVmCommandLines();
        ASSERT_EQ(4u, runs.size()) << c.what;
        for (size_t probe = 0; probe < 3; ++probe)
            EXPECT_NE(std::string::npos, runs[probe].find(" TvqVersion A:A:A")) << c.what;
        std::string expected = "\"" + c.launched + "\"" + c.launchArguments;
        EXPECT_EQ(expected, runs[3].substr(0, expected.size())) << c.what;
        EXPECT_EQ(" " + InstallerClassName(),
                  runs[3].substr(runs[3].size() - InstallerClassName().size() - 1))
            << c.what;
    }
}

TEST_F(SelectionDialog, AVmThatFailsItsCheckIsNotListed)
{
    const struct {
        const char* what;
        DWORD jdkAnswer, jreAnswer, jviewAnswer;
    } cases[] = {
        {"JDK too old, JRE and jview suit", 159, 314, 314},
        {"JRE answers nothing useful, JDK and jview suit", 314, 0, 314},
        {"only jview suits", 159, 1, 314},
    };
    for (const auto& c : cases) {
        ResetMachine();
        const std::pair<std::string, DWORD> vms[] = {
            {InstallVm({VmKind::Jdk, VmRoot() + "\\jdk", c.jdkAnswer}), c.jdkAnswer},
            {InstallVm({VmKind::Jre, VmRoot() + "\\jre", c.jreAnswer}), c.jreAnswer},
            {InstallVm({VmKind::MsVm, "", c.jviewAnswer}), c.jviewAnswer},
        };
        std::vector<std::pair<std::string, LRESULT>> suitable;
        for (LRESULT slot = 0; slot < 3; ++slot) {
            if (vms[slot].second == 314)
                suitable.emplace_back(vms[slot].first, slot);
        }
        std::sort(suitable.begin(), suitable.end(), [](const auto& a, const auto& b) {
            return _stricmp(a.first.c_str(), b.first.c_str()) < 0;
        });

        LauncherSession session;
        HWND dialog = session.SelectionDialogAfterSearch();
        ASSERT_NE(nullptr, dialog) << c.what;
        EXPECT_EQ(suitable, Items(test_support::ReadComboBox(dialog, IDC_VM_LIST))) << c.what;
        EXPECT_EQ(English().strings[suitable.size() == 1 ? 3 : 4],
                  test_support::ControlText(dialog, IDC_STATUS))
            << c.what;
        CancelAndEnd(session, dialog, c.what);
    }
}

TEST_F(SelectionDialog, CancelAsksFirstAndNoKeepsTheDialogAsItWas)
{
    InstallVm({VmKind::Jdk, VmRoot() + "\\jdk"});
    InstallVm({VmKind::Jre, VmRoot() + "\\jre"});
    const struct {
        const char* what;
        void (*press)(HWND dialog);
    } ways[] = {
        {"Cancel button", [](HWND dialog) { test_support::Click(dialog, IDCANCEL); }},
        {"Escape key", [](HWND dialog) { test_support::PressEscape(dialog); }},
    };
    for (const auto& way : ways) {
        DeleteFileA(VmRunRecord().c_str());
        LauncherSession session;
        HWND dialog = session.SelectionDialogAfterSearch();
        ASSERT_NE(nullptr, dialog) << way.what;
        // A choice of the user's own, so that keeping it means something.
        test_support::SelectListItem(dialog, IDC_VM_LIST, 1);
        ComboView before = test_support::ReadComboBox(dialog, IDC_VM_LIST);
        ASSERT_EQ(1, before.selected) << way.what;
        RECT placed = test_support::WindowRect(dialog);

        for (int round = 0; round < 2; ++round) {
            const bool yes = round == 1;
            way.press(dialog);
            HWND box = session.WaitForMessageBox();
            ASSERT_NE(nullptr, box) << way.what;
            test_support::MessageBoxView question = test_support::ReadMessageBox(box);
            EXPECT_EQ(English().strings[1], question.text) << way.what;
            EXPECT_EQ(English().strings[2], question.caption) << way.what;
            EXPECT_EQ(dialog, question.owner) << way.what;
            EXPECT_TRUE(question.hasYes && question.hasNo) << way.what;
            EXPECT_FALSE(question.hasOk || question.hasCancel) << way.what;
            EXPECT_STREQ("warning", test_support::BoxIconName(question.icon)) << way.what;
            test_support::Click(box, yes ? IDYES : IDNO);
            if (yes)
                break;
            ASSERT_TRUE(test_support::WaitUntilGone(box, kWindowMs)) << way.what;
            test_support::Settle(dialog);
            EXPECT_TRUE(test_support::IsShown(dialog)) << way.what << ": No closed the dialog";
            ComboView after = test_support::ReadComboBox(dialog, IDC_VM_LIST);
            EXPECT_EQ(Items(before), Items(after)) << way.what;
            EXPECT_EQ(before.selected, after.selected) << way.what;
            EXPECT_EQ(English().strings[4], test_support::ControlText(dialog, IDC_STATUS));
            RECT still = test_support::WindowRect(dialog);
            EXPECT_TRUE(EqualRect(&placed, &still)) << way.what;
        }
        session.ExpectCleanEnd(way.what);
        // Nothing was launched: the two probe runs are all.
        EXPECT_EQ(2u, RecordedVmCommandLines().size()) << way.what;
    }
}

TEST_F(SelectionDialog, AnInstallerEntryThatCannotBeExtractedEndsTheRunQuietly)
{
    // Kind 1 is not a file the launcher can extract: the launch fails.
    test_support::Bytes classBytes = test_support::ReadBytes(InstallerClassPath());
    wendle_pack::Entry installer;
    installer.name = InstallerClassFileName();
    installer.kind = 1;
    installer.data = classBytes;
    std::string java = InstallVm({VmKind::Jdk, VmRoot() + "\\jdk"});

    LauncherSession session({wendle_pack::StringEntry("CommandLine", "A:A:A"),
                             wendle_pack::StringEntry("URL", "https://wendle.example.org/java"),
                             installer});
    HWND dialog = session.SelectionDialogAfterSearch();
    ASSERT_NE(nullptr, dialog);
    test_support::Click(dialog, IDOK);
    // No message: the run ends by itself, and the VM ran only for its probe.
    session.ExpectCleanEnd("launch of an unextractable installer");
    EXPECT_EQ(1u, RecordedVmCommandLines().size());
    EXPECT_TRUE(RecordedInstallerRuns().empty());
}

}  // namespace
