// A publisher's branded installer (tests/CMakeLists.txt packs and signs it)
// as Windows reads it: the version record, the icon images, and the rest of
// the resources, which stay the launcher's own; and the Windows build of
// wendle-pack, given the brand on its wide command line.
#include <gtest/gtest.h>

#include "harness.h"

#include <shellapi.h>

namespace {

const char kName[] = "Übersetzer 日本";
const char kBrand[] = " --name \"Übersetzer 日本\" --version 3.1.4 --company \"Example Ltd\" --copyright \"© 2026 Example\"";

std::vector<char> VersionInfo(const std::string& file)
{
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(wt::Wide(file).c_str(), &ignored));
    GetFileVersionInfoW(wt::Wide(file).c_str(), 0, (DWORD)info.size(), info.data());
    return info;
}

// The bytes of a resource, empty when it is missing.
std::string ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID language)
{
    HRSRC found = FindResourceExW(module, type, name, language);
    return found ? std::string((const char*)LockResource(LoadResource(module, found)), SizeofResource(module, found)) : "";
}

TEST(Brand, WindowsShowsTheNameVersionAndIcon)
{
    std::vector<char> info = VersionInfo(SIGNED_BRANDED);
    const std::pair<const wchar_t*, std::string> fields[] = {
        {L"ProductName", kName}, {L"FileDescription", kName}, {L"CompanyName", "Example Ltd"},
        {L"LegalCopyright", "© 2026 Example"}, {L"LegalTrademarks", ""}, {L"FileVersion", "3.1.4"},
        {L"ProductVersion", "3.1.4"}, {L"OriginalFilename", "Wendle.exe"}};
    for (const auto& field : fields) {
        wchar_t* value = nullptr;
        UINT length = 0;
        std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + field.first;
        ASSERT_TRUE(VerQueryValueW(info.data(), key.c_str(), (void**)&value, &length)) << wt::Utf8(key);
        EXPECT_EQ(field.second, wt::Utf8(value)) << wt::Utf8(key);
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", (void**)&fixed, &length));
    EXPECT_EQ(std::vector<DWORD>({0x30001, 0x40000, 0x30001, 0x40000}),
              std::vector<DWORD>({fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                                  fixed->dwProductVersionLS}));

    // One icon group; for each size the image Windows picks is the icon file's own, 256 pixels
    // as PNG included.
    std::wstring file = wt::Wide(SIGNED_BRANDED);
    EXPECT_EQ(1u, ExtractIconExW(file.c_str(), -1, nullptr, nullptr, 0));
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(nullptr, LoadImageW(module, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 256, 256, 0));
    std::string group = ResourceBytes(module, (LPCWSTR)RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_MAIN), 0x0409);
    for (int size : {16, 32, 256}) {
        int id = LookupIconIdFromDirectoryEx((BYTE*)&group[0], TRUE, size, size, LR_DEFAULTCOLOR);
        std::string image = ResourceBytes(module, (LPCWSTR)RT_ICON, MAKEINTRESOURCEW(id), 0x0409);
        HICON icon = CreateIconFromResourceEx((BYTE*)&image[0], (DWORD)image.size(), TRUE, 0x30000, 0, 0, 0);
        ICONINFO parts{};
        BITMAP bitmap{};
        ASSERT_TRUE(icon && GetIconInfo(icon, &parts)) << size;
        GetObjectW(parts.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(size, bitmap.bmWidth);
        EXPECT_EQ(size == 256, image.compare(1, 3, "PNG") == 0) << size;
    }
}

// String 2 carries the name in every language; every string, dialog, the
// probe class and the manifest are the launcher's.
TEST(Brand, EverythingElseStaysTheLaunchersOwn)
{
    HMODULE launcher = LoadLibraryExA(WENDLE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HMODULE branded = LoadLibraryExA(SIGNED_BRANDED, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    for (LANGID language : {0x0407, 0x0409, 0x040C, 0x0410, 0x0411, 0x0C0A}) {
        for (UINT id = IDS_CANCEL_QUESTION; id <= IDS_OWN_JAVA; ++id)
            EXPECT_EQ(id == IDS_TITLE ? kName : wt::LauncherString(id, language),
                      wt::LauncherString(id, language, SIGNED_BRANDED)) << language << " " << id;
        for (int dialog : {IDD_VM_SELECT, IDD_NO_VM})
            EXPECT_EQ(ResourceBytes(launcher, (LPCWSTR)RT_DIALOG, MAKEINTRESOURCEW(dialog), language),
                      ResourceBytes(branded, (LPCWSTR)RT_DIALOG, MAKEINTRESOURCEW(dialog), language));
    }
    for (auto resource : {std::make_pair(L"JAVACLASS", MAKEINTRESOURCEW(105)), std::make_pair((LPCWSTR)RT_MANIFEST, MAKEINTRESOURCEW(1))})
        EXPECT_EQ(ResourceBytes(launcher, resource.first, resource.second, 0x0409),
                  ResourceBytes(branded, resource.first, resource.second, 0x0409));
}

TEST(Brand, TheWindowsToolBrandsAsTheLinuxOne)
{
    wt::Scratch dir("pack");
    wt::Process pack(wt::Quoted(WENDLE_PACK_EXE) + " build --stub " + wt::Quoted(WENDLE_EXE) +
                     " --requirement A:A:A --url https://example.org --class " + wt::Quoted(INSTALLER_CLASS) +
                     " --icon " + wt::Quoted(SAMPLE_ICON) + kBrand + " -o " + wt::Quoted(dir / "setup.exe"));
    EXPECT_EQ(0u, pack.Wait());
    EXPECT_EQ(wt::ReadFile(BRANDED_INSTALLER), wt::ReadFile(dir / "setup.exe"));
}

}  // namespace
