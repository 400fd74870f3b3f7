// DLLs planted beside the executable. Under Wine a DLL named like a system
// DLL is always taken from Wine's own builtins, so what Wine can show is the
// search order itself: with the launcher's restriction in place, a DLL in
// the application's folder is no longer found by name.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/dll_search.h"
#include "test_support.h"

using test_support::ScratchDir;

namespace {

const char kPlantedName[] = "wendleplant.dll";

// Run as a child: "--load NAME [--restrict]" loads NAME by name only, from a
// copy of this program that sits beside the planted DLL, and exits with 1
// when the planted DLL was loaded.
int LoadByName(const char* name, bool restrict)
{
    if (restrict && !RestrictDllSearch())
        return 2;
    return LoadLibraryA(name) != nullptr ? 1 : 0;
}

class DllPlanting : public ::testing::Test {
protected:
    ScratchDir downloads{"downloads"};
    std::string program = downloads / "planting_probe.exe";

    void SetUp() override
    {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        ASSERT_TRUE(CopyFileA(self, program.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(WENDLE_PLANTED_DLL, (downloads / kPlantedName).c_str(), FALSE));
    }

    DWORD Run(const std::string& arguments)
    {
        test_support::RunOptions options;
        options.currentDir = test_support::TempDir();
        return test_support::RunProcess("\"" + program + "\" " + arguments, options).exitCode;
    }
};

TEST_F(DllPlanting, WithoutTheRestrictionTheApplicationsFolderIsSearched)
{
    EXPECT_EQ(1u, Run(std::string("--load ") + kPlantedName));
}

TEST_F(DllPlanting, TheLaunchersRestrictionKeepsThePlantedDllOut)
{
    EXPECT_EQ(0u, Run(std::string("--load ") + kPlantedName + " --restrict"));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && strcmp(argv[1], "--load") == 0)
        return LoadByName(argv[2], argc >= 4 && strcmp(argv[3], "--restrict") == 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
