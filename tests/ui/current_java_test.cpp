// A current Java as today's installers leave it: Eclipse Temurin 17 writes
// only its own key, in the 64-bit registry view, where the 32-bit launcher
// does not look by itself. The selection dialog must still list it and run
// the installer class with it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher_session.h"
#include "registry_views.h"
#include "res/resource.h"
#include "window_driver.h"

using namespace ui_test;

namespace {

class CurrentJava : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetMachine();
        views_test::DeleteJavaKeys();
    }
    void TearDown() override
    {
        views_test::DeleteJavaKeys();
        ResetMachine();
    }
};

TEST_F(CurrentJava, ATemurinRegisteredOnlyInThe64BitViewIsListedAndRunsTheInstaller)
{
    const std::string home = VmRoot() + "\\Eclipse Adoptium\\jdk-17.0.9.9-hotspot";
    const std::string java = home + "\\bin\\java.exe";
    InstallUnregisteredVm(java, 314, true);
    views_test::SetValue(views_test::View::Native64Bit,
                         "Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path",
                         home + "\\");
    ASSERT_FALSE(views_test::KeyExists(views_test::View::Own32Bit, "Software\\Eclipse Adoptium"))
        << "the key must be invisible in the launcher's own view";

    LauncherSession session;
    HWND dialog = session.SelectionDialogAfterSearch();
    ASSERT_NE(nullptr, dialog) << "the Temurin JDK was not found";
    test_support::ComboView list = test_support::ReadComboBox(dialog, IDC_VM_LIST);
    ASSERT_EQ(1u, list.items.size());
    EXPECT_EQ(java, list.items[0].text);
    EXPECT_EQ(4, list.items[0].data) << "found by the kind for other vendors, in slot 4";

    test_support::Click(dialog, IDOK);
    session.ExpectCleanEnd("launch with Temurin");
    std::vector<InstallerRun> runs = RecordedInstallerRuns();
    ASSERT_EQ(1u, runs.size()) << "the installer class did not run exactly once";
    // This kind names the class directory with -cp and leaves the current
    // directory alone.
    EXPECT_PRED2(SamePath, session.tempDir(), runs[0].classPath);
    EXPECT_EQ(std::vector<std::string>{}, runs[0].args);
}

}  // namespace
