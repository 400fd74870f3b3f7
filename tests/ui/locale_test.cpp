// The launcher speaks the language of the system it runs on. Run once per
// language, with --lang=en, de or ja, under a Wine whose LC_ALL names that
// language: the launcher's process takes its locale from the Unix
// environment it starts in, not from a Windows environment block, so the
// test run itself must be started with it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "expected_texts.h"
#include "launcher_session.h"
#include "res/resource.h"
#include "test_support.h"
#include "window_driver.h"

using namespace ui_test;

namespace {

const expected::Variant& Wanted()
{
    const struct {
        const char* flag;
        WORD language;
    } languages[] = {{"en", 0x0409}, {"de", 0x0407}, {"ja", 0x0411}};
    WORD language = 0x0409;
    for (int index = 1; index < __argc; ++index) {
        if (strncmp(__argv[index], "--lang=", 7) != 0)
            continue;
        for (const auto& candidate : languages) {
            if (strcmp(__argv[index] + 7, candidate.flag) == 0)
                language = candidate.language;
        }
    }
    for (const expected::Variant& variant : expected::kVariants) {
        if (variant.language == language)
            return variant;
    }
    return expected::kVariants[0];
}

// An expected text (UTF-8 in the source) in the bytes of a code page.
std::string InCodePage(const char* utf8, UINT codePage)
{
    int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    std::wstring wide(wideLength, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, &wide[0], wideLength);
    BOOL lossy = FALSE;
    int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                     nullptr, &lossy);
    std::string bytes(length, '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &bytes[0], length,
                        nullptr, &lossy);
    EXPECT_FALSE(lossy) << utf8 << " has no form in code page " << codePage;
    bytes.resize(strlen(bytes.c_str()));
    return bytes;
}

class SystemLanguage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetMachine();
        // Without this, every comparison below would fail for another reason.
        ASSERT_EQ(variant.language, GetUserDefaultUILanguage())
            << "Wine did not take the language from LC_ALL (wanted " << variant.name << ")";
        ASSERT_EQ(variant.codePage, GetACP());
    }
    void TearDown() override { ResetMachine(); }

    std::string Text(const char* utf8) const { return InCodePage(utf8, variant.codePage); }

    const expected::Variant& variant = Wanted();
};

TEST_F(SystemLanguage, TheUsageMessageShowsTheTitleAndUsageText)
{
    test_support::ScratchDir temp{"loc-tmp"};
    test_support::RunOptions options;
    options.tempDir = temp.path() + "\\";
    test_support::ChildProcess launcher(std::string("\"") + WENDLE_EXE_PATH + "\"", options);
    HWND box = test_support::WaitForWindow(launcher.id(), "#32770", kWindowMs);
    ASSERT_NE(nullptr, box);
    test_support::MessageBoxView view = test_support::ReadMessageBox(box, variant.codePage);
    EXPECT_EQ(Text(variant.strings[2]), view.caption);
    EXPECT_EQ(Text(variant.strings[6]), view.text);
    test_support::Click(box, IDOK);
    DWORD exitCode = 99;
    ASSERT_TRUE(launcher.Wait(kWindowMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(test_support::ListDir(temp.path()).empty());
}

TEST_F(SystemLanguage, TheSelectionDialogAndItsQuestionUseTheLanguage)
{
    InstallVm({VmKind::Jdk, VmRoot() + "\\jdk"});
    LauncherSession session;
    HWND dialog = session.SelectionDialogAfterSearch();
    ASSERT_NE(nullptr, dialog);
    const UINT codePage = variant.codePage;
    EXPECT_EQ(Text(variant.strings[2]), test_support::WindowTextWide(dialog, codePage));
    EXPECT_EQ(Text(variant.strings[3]), test_support::ControlTextWide(dialog, IDC_STATUS, codePage));
    EXPECT_EQ(Text(variant.selectOk), test_support::ControlTextWide(dialog, IDOK, codePage));
    EXPECT_EQ(Text(variant.selectCancel), test_support::ControlTextWide(dialog, IDCANCEL, codePage));

    test_support::Click(dialog, IDCANCEL);
    HWND box = session.WaitForMessageBox();
    ASSERT_NE(nullptr, box);
    test_support::MessageBoxView question = test_support::ReadMessageBox(box, codePage);
    EXPECT_EQ(Text(variant.strings[2]), question.caption);
    EXPECT_EQ(Text(variant.strings[1]), question.text);
    test_support::Click(box, IDYES);
    session.ExpectCleanEnd("cancelled");
}

TEST_F(SystemLanguage, TheNoVmDialogUsesTheLanguage)
{
    LauncherSession session;
    HWND dialog = session.NoVmDialog();
    ASSERT_NE(nullptr, dialog);
    const UINT codePage = variant.codePage;
    EXPECT_EQ(Text(variant.strings[2]), test_support::WindowTextWide(dialog, codePage));
    const int controls[8] = {IDC_STATUS,    IDC_OPT_DOWNLOAD,  IDC_OPT_RUN_VM, IDC_OPT_SAVE,
                             IDC_BROWSE_VM, IDC_BROWSE_FOLDER, IDOK,           IDCANCEL};
    for (int index = 0; index < 8; ++index)
        EXPECT_EQ(Text(variant.noVm[index]),
                  test_support::ControlTextWide(dialog, controls[index], codePage))
            << "control " << controls[index];

    // A message of the dialog's own, through the formatting of ShowMessage.
    test_support::ChooseOption(dialog, IDC_OPT_SAVE);
    test_support::Click(dialog, IDOK);
    HWND box = session.WaitForMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(Text(variant.strings[14]), test_support::ReadMessageBox(box, codePage).text);
    test_support::Click(box, IDOK);
    ASSERT_TRUE(test_support::WaitUntilGone(box, kWindowMs));
    test_support::Click(dialog, IDCANCEL);
    session.ExpectCleanEnd("no-VM dialog");
}

}  // namespace
