// Installers signed with osslsigncode behave exactly as the unsigned ones.
// signed-installer-test prepares the files in WENDLE_SIGNING_DIR:
//   setup.exe           packed by wendle-pack.exe
//   signed.exe          setup.exe signed
//   damaged.exe         setup.exe with its first entry's magic changed
//   signed-damaged.exe  damaged.exe signed
//   Installer.class     the class packed into all of them
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "payload/payload_archive.h"
#include "payload/text_buffer.h"
#include "res/resource.h"
#include "test_support.h"
#include "window_driver.h"

using test_support::ChildProcess;
using test_support::RunOptions;
using test_support::ScratchDir;

namespace {

const char kTitle[] = "Tarrowby Java Edition";
const char kUsage[] = "usage:\n\nWendle <version>:<vendor>:<os> ...";
const char kUrl[] = "https://example.org/get-java";
const DWORD kWaitMs = 30000;

// What a user sees of the no-VM dialog: every control's text and state.
struct DialogView {
    std::string caption;
    std::vector<std::string> texts;
    std::vector<bool> enabled;
    bool operator==(const DialogView& other) const
    {
        return caption == other.caption && texts == other.texts && enabled == other.enabled;
    }
};

const int kNoVmControls[] = {IDC_DOWNLOAD_URL, IDC_OPT_DOWNLOAD, IDC_OPT_RUN_VM, IDC_OPT_SAVE,
                             IDC_VM_PATH,      IDC_BROWSE_VM,    IDC_SAVE_FOLDER, IDC_BROWSE_FOLDER,
                             IDOK,             IDCANCEL};

DialogView ViewOf(HWND dialog)
{
    DialogView view;
    view.caption = test_support::WindowText(dialog);
    for (int control : kNoVmControls) {
        view.texts.push_back(test_support::ControlText(dialog, control));
        view.enabled.push_back(IsWindowEnabled(GetDlgItem(dialog, control)) != FALSE);
    }
    return view;
}

class SignedInstaller : public ::testing::Test {
protected:
    ScratchDir temp{"sig-tmp"};

    void SetUp() override
    {
        const char* dir = std::getenv("WENDLE_SIGNING_DIR");
        ASSERT_NE(nullptr, dir) << "run through tests/signing/signed-installer-test";
        dir_ = dir;
    }

    std::string File(const std::string& name) const { return dir_ + "\\" + name; }

    RunOptions InTemp() const
    {
        RunOptions options;
        options.tempDir = temp.path() + "\\";
        return options;
    }

    // Starts the installer without arguments and waits for its first window.
    HWND Start(ChildProcess& launcher, const char* what)
    {
        HWND window = test_support::WaitForWindow(launcher.id(), "#32770", kWaitMs, kTitle);
        EXPECT_NE(nullptr, window) << what << ": no window";
        return window;
    }

    // The no-VM dialog once the launcher has filled in the download address:
    // a dialog can be visible a moment before its controls answer.
    HWND WaitForNoVmDialog(ChildProcess& launcher, const char* what)
    {
        for (DWORD waited = 0; waited < kWaitMs; waited += 50) {
            HWND dialog = test_support::WaitForWindow(launcher.id(), "#32770", 50, kTitle);
            if (dialog != nullptr && test_support::ControlText(dialog, IDC_DOWNLOAD_URL) == kUrl)
                return dialog;
            Sleep(50);
        }
        ADD_FAILURE() << what << ": no no-VM dialog showing the packed download address";
        return nullptr;
    }

    void ExpectEnd(ChildProcess& launcher, const std::string& what)
    {
        DWORD exitCode = 99;
        ASSERT_TRUE(launcher.Wait(kWaitMs, &exitCode)) << what;
        EXPECT_EQ(0u, exitCode) << what;
        EXPECT_TRUE(test_support::ListDir(temp.path()).empty()) << what << ": left files behind";
    }

    std::string dir_;
};

TEST_F(SignedInstaller, ReadsTheSameDirectoryAsTheUnsignedOne)
{
    PayloadArchive plain, signedArchive;
    plain.ReadDirectoryFrom(File("setup.exe").c_str());
    signedArchive.ReadDirectoryFrom(File("signed.exe").c_str());
    ASSERT_EQ(3, plain.CountEntries());
    ASSERT_EQ(3, signedArchive.CountEntries());
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_STREQ(plain.entries[slot]->name, signedArchive.entries[slot]->name);
        EXPECT_EQ(plain.entries[slot]->length, signedArchive.entries[slot]->length);
        EXPECT_EQ(plain.entries[slot]->dataOffset, signedArchive.entries[slot]->dataOffset);
    }
    char url[kTextBufferSize];
    ASSERT_TRUE(signedArchive.entries[1]->ReadString(signedArchive.file, url));
    EXPECT_STREQ(kUrl, url);

    // The signer added nothing in front of its table: the packed file is
    // 8-aligned, and the trailer stands where the unsigned file ends.
    FileHandle file;
    file.OpenRead(File("signed.exe").c_str());
    EXPECT_EQ(test_support::ReadBytes(File("setup.exe")).size(),
              FindPayloadEnd(file, file.GetSize()));
    EXPECT_LT(FindPayloadEnd(file, file.GetSize()), file.GetSize());
}

TEST_F(SignedInstaller, OpensTheSameNoVmDialogAsTheUnsignedOne)
{
    // No VM is installed in the test prefix: a payload that reads well leads
    // to the no-VM dialog, which shows the packed download address.
    DialogView views[2];
    const char* names[2] = {"setup.exe", "signed.exe"};
    for (int i = 0; i < 2; ++i) {
        ChildProcess launcher("\"" + File(names[i]) + "\"", InTemp());
        HWND dialog = WaitForNoVmDialog(launcher, names[i]);
        ASSERT_NE(nullptr, dialog);
        views[i] = ViewOf(dialog);
        test_support::Click(dialog, IDCANCEL);
        ExpectEnd(launcher, names[i]);
    }
    EXPECT_TRUE(views[0] == views[1]) << "the signed installer's dialog differs";
}

TEST_F(SignedInstaller, SavesTheInstallerClassFromTheSignedPayload)
{
    ScratchDir folder("sig-save");
    ChildProcess launcher("\"" + File("signed.exe") + "\"", InTemp());
    HWND dialog = WaitForNoVmDialog(launcher, "signed.exe");
    ASSERT_NE(nullptr, dialog);
    test_support::Click(dialog, IDC_OPT_SAVE);
    SendMessageA(GetDlgItem(dialog, IDC_SAVE_FOLDER), WM_SETTEXT, 0,
                 (LPARAM)folder.path().c_str());
    test_support::Click(dialog, IDOK);

    // The message box carries the dialog's caption too; it is the other window.
    HWND box = nullptr;
    for (DWORD waited = 0; box == nullptr && waited < kWaitMs; waited += 50) {
        for (HWND window : test_support::TopLevelWindows(launcher.id())) {
            if (window != dialog)
                box = window;
        }
        if (box == nullptr)
            Sleep(50);
    }
    ASSERT_NE(nullptr, box);
    test_support::MessageBoxView view = test_support::ReadMessageBox(box);
    EXPECT_EQ("This application has been saved to " + (folder / "Installer.class") + ".",
              view.text);
    test_support::Click(box, IDOK);
    ExpectEnd(launcher, "save");
    EXPECT_EQ(test_support::ReadBytes(File("Installer.class")),
              test_support::ReadBytes(folder / "Installer.class"));
}

TEST_F(SignedInstaller, ADamagedPayloadShowsTheUsageMessageSignedOrNot)
{
    for (const char* name : {"damaged.exe", "signed-damaged.exe"}) {
        ChildProcess launcher("\"" + File(name) + "\"", InTemp());
        HWND box = Start(launcher, name);
        ASSERT_NE(nullptr, box);
        test_support::MessageBoxView view = test_support::ReadMessageBox(box);
        EXPECT_EQ(kUsage, view.text) << name;
        EXPECT_TRUE(view.hasOk) << name;
        test_support::Click(box, IDOK);
        ExpectEnd(launcher, name);
    }
}

}  // namespace
