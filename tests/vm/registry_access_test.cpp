// A standard user can read, but not open for all access, the keys under
// HKEY_LOCAL_MACHINE. Wine enforces key security, so a key whose DACL grants
// read access only stands in for such a user's view.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <string>

#include "registry_fixture.h"
#include "test_support.h"
#include "vm/vm_kinds.h"

using namespace vm_test;

namespace {

// Replaces the key's DACL by one entry for Everyone with the given rights.
void SetEveryoneAccess(const std::string& keyName, DWORD rights)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, READ_CONTROL | WRITE_DAC, &key));
    EXPLICIT_ACCESS_A access{};
    access.grfAccessPermissions = rights;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    access.Trustee.ptstrName = const_cast<char*>("EVERYONE");
    PACL acl = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, SetEntriesInAclA(1, &access, nullptr, &acl));
    EXPECT_EQ(ERROR_SUCCESS,
              SetSecurityInfo(key, SE_REGISTRY_KEY,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, acl, nullptr));
    LocalFree(acl);
    RegCloseKey(key);
}

TEST(RegistryAccess, KeysThatGrantOnlyReadingStillNameTheVm)
{
    test_support::ScratchDir dir("acl");
    std::string home = dir / "jdk";
    CreateDirectoryA(home.c_str(), nullptr);
    CreateDirectoryA((home + "\\bin").c_str(), nullptr);
    test_support::WriteText(home + "\\bin\\java.exe", "x");
    DeleteJavaSoftKeys();
    RegisterJava(kJdkKey, "1.1", home);
    const std::string versionKey = std::string(kJdkKey) + "\\1.1";
    SetEveryoneAccess(kJdkKey, KEY_READ);
    SetEveryoneAccess(versionKey, KEY_READ);

    HKEY probe;
    ASSERT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kJdkKey, 0, KEY_ALL_ACCESS, &probe))
        << "the key must refuse all access for this test to mean anything";

    JdkLocator jdk;
    EXPECT_EQ(1, jdk.Locate());
    EXPECT_EQ(home + "\\Bin\\java.exe", jdk.exePath);

    SetEveryoneAccess(versionKey, KEY_ALL_ACCESS);
    SetEveryoneAccess(kJdkKey, KEY_ALL_ACCESS);
    DeleteJavaSoftKeys();
}

}  // namespace
