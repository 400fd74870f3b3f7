// The path and text functions over 260-byte buffers.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "payload/paths.h"
#include "payload/text_buffer.h"

namespace {

struct Buffer {
    explicit Buffer(const std::string& text) { CopyText(bytes, sizeof bytes, text.c_str()); }
    char bytes[kTextBufferSize];
    std::string str() const { return bytes; }
};

struct AppendCase {
    const char* what;
    const char* directory;
    const char* name;
    const char* joined;
};

TEST(AppendPath, JoinsWithExactlyOneBackslash)
{
    const AppendCase cases[] = {
        {"directory with backslash", "C:\\TEMP\\", "TvqVersion.class", "C:\\TEMP\\TvqVersion.class"},
        {"directory without backslash", "C:\\TEMP", "TvqVersion.class", "C:\\TEMP\\TvqVersion.class"},
        {"name with trailing backslash", "C:\\TEMP\\", "sub\\", "C:\\TEMP\\sub"},
        {"empty directory gives the drive root", "", "TvqVersion.class", "\\TvqVersion.class"},
        {"leading backslash of the name stays", "C:\\TEMP\\", "\\x", "C:\\TEMP\\\\x"},
        {"only one trailing backslash of the name goes", "C:\\T", "a\\\\", "C:\\T\\a\\"},
    };
    for (const AppendCase& c : cases) {
        Buffer directory(c.directory);
        EXPECT_TRUE(AppendPath(directory.bytes, c.name)) << c.what;
        EXPECT_EQ(c.joined, directory.str()) << c.what;
    }
}

TEST(AppendPath, RefusesAJoinedPathOf260CharactersAndKeepsTheDirectory)
{
    std::string folder = "C:\\" + std::string(240, 'f');   // 243 characters
    Buffer directory(folder);
    // 243 + "\" + 15 = 259 characters: fits exactly.
    EXPECT_TRUE(AppendPath(directory.bytes, std::string(15, 'n').c_str()));
    EXPECT_EQ(259u, directory.str().size());

    Buffer full(folder);
    EXPECT_FALSE(AppendPath(full.bytes, std::string(16, 'n').c_str()));
    EXPECT_EQ(folder, full.str());
}

TEST(Backslashes, AddAndRemove)
{
    const struct {
        const char* text;
        const char* added;
        const char* removed;
    } cases[] = {
        {"", "\\", ""},
        {"C:", "C:\\", "C:"},
        {"C:\\", "C:\\", "C:"},
        {"C:\\a\\\\", "C:\\a\\\\", "C:\\a\\"},
    };
    for (const auto& c : cases) {
        Buffer added(c.text);
        EXPECT_TRUE(AddBackslash(added.bytes));
        EXPECT_EQ(c.added, added.str()) << c.text;
        Buffer removed(c.text);
        RemoveBackslash(removed.bytes);
        EXPECT_EQ(c.removed, removed.str()) << c.text;
    }
}

TEST(Backslashes, AddRefusesWhenTheBufferIsFull)
{
    Buffer full(std::string(259, 'x'));
    EXPECT_FALSE(AddBackslash(full.bytes));
    EXPECT_EQ(std::string(259, 'x'), full.str());
}

TEST(LastChar, EmptyAndShortTexts)
{
    Buffer empty("");
    EXPECT_EQ(nullptr, LastChar(empty.bytes));
    Buffer one("x");
    EXPECT_EQ(one.bytes, LastChar(one.bytes));
    Buffer two("xy");
    EXPECT_EQ(two.bytes + 1, LastChar(two.bytes));
}

TEST(FindLastChar, FindsTheLastAndNeverTheTerminator)
{
    Buffer text("a.b.c");
    EXPECT_EQ(text.bytes + 3, FindLastChar(text.bytes, '.'));
    EXPECT_EQ(text.bytes, FindLastChar(text.bytes, 'a'));
    EXPECT_EQ(nullptr, FindLastChar(text.bytes, 'z'));
    EXPECT_EQ(nullptr, FindLastChar(text.bytes, '\0'));
    Buffer empty("");
    EXPECT_EQ(nullptr, FindLastChar(empty.bytes, '.'));
}

TEST(StripExtension, CutsAtTheLastDot)
{
    const struct {
        const char* text;
        bool cut;
        const char* result;
    } cases[] = {
        {"simpjava.class", true, "simpjava"},
        {"a.b.c", true, "a.b"},
        {"Installer", false, "Installer"},
        {"C:\\dir.x\\file", true, "C:\\dir"},
        {".class", true, ""},
    };
    for (const auto& c : cases) {
        Buffer text(c.text);
        EXPECT_EQ(c.cut, StripExtension(text.bytes)) << c.text;
        EXPECT_EQ(c.result, text.str()) << c.text;
    }
}

TEST(GetFileNamePart, TakesWhatFollowsTheLastBackslash)
{
    const struct {
        const char* path;
        bool found;
        const char* name;
    } cases[] = {
        {"C:\\jdk\\bin\\java.exe", true, "java.exe"},
        {"C:\\jdk\\bin\\", true, "bin"},
        {"java.exe", false, "untouched"},
        {"\\java.exe", true, "java.exe"},
    };
    for (const auto& c : cases) {
        Buffer output("untouched");
        EXPECT_EQ(c.found, GetFileNamePart(c.path, output.bytes)) << c.path;
        EXPECT_EQ(c.name, output.str()) << c.path;
    }
}

TEST(GetFileNamePart, APathLongerThanABufferHasNoFileName)
{
    std::string path = "C:\\" + std::string(300, 'd') + "\\java.exe";
    Buffer output("untouched");
    EXPECT_FALSE(GetFileNamePart(path.c_str(), output.bytes));
    EXPECT_EQ("untouched", output.str());
}

TEST(CopyText, CopiesWhatFitsAndRefusesTheRest)
{
    char small[4] = "abc";
    EXPECT_TRUE(CopyText(small, sizeof small, "xyz"));
    EXPECT_STREQ("xyz", small);
    EXPECT_FALSE(CopyText(small, sizeof small, "wxyz"));
    EXPECT_STREQ("xyz", small);
    EXPECT_TRUE(CopyText(small, sizeof small, ""));
    EXPECT_STREQ("", small);
}

TEST(AppendText, AppendsWhatFitsAndRefusesTheRest)
{
    char small[6] = "ab";
    EXPECT_TRUE(AppendText(small, sizeof small, "cde"));
    EXPECT_STREQ("abcde", small);
    EXPECT_FALSE(AppendText(small, sizeof small, "f"));
    EXPECT_STREQ("abcde", small);
}

TEST(FileExists, FilesYesFoldersAndMissingNo)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string notepad = std::string(windows) + "\\notepad.exe";
    EXPECT_TRUE(FileExists(notepad.c_str()));
    EXPECT_FALSE(FileExists(windows));
    EXPECT_FALSE(FileExists((std::string(windows) + "\\no-such-file.exe").c_str()));
}

TEST(GetTempDir, EndsWithABackslash)
{
    char temp[kTextBufferSize];
    unsigned length = GetTempDir(temp);
    ASSERT_GT(length, 0u);
    EXPECT_EQ('\\', temp[length - 1]);
}

}  // namespace
