// FileHandle: failures arrive as CException pointers; short reads are told apart.
#include <gtest/gtest.h>

#include <string>

#include "payload/exception.h"
#include "payload/file_handle.h"
#include "payload/paths.h"
#include "test_support.h"

using test_support::Bytes;
using test_support::ScratchDir;

namespace {

// Runs action and returns the error code of the CException it throws, or 0
// when it throws nothing.
template <typename Action>
DWORD ErrorOf(Action action)
{
    try {
        action();
    } catch (CException* error) {
        DWORD code = error ? error->errorCode : 0xFFFFFFFF;
        delete error;
        return code;
    }
    return 0;
}

TEST(FileHandle, OpeningAMissingFileThrowsAndLeavesNothingOpen)
{
    ScratchDir dir("fh");
    FileHandle file;
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, ErrorOf([&] { file.OpenRead((dir / "missing").c_str()); }));
    EXPECT_FALSE(file.IsOpen());
}

TEST(FileHandle, CreateWriteTruncatesAndDoesNotShare)
{
    ScratchDir dir("fh");
    std::string path = dir / "out.bin";
    test_support::WriteText(path, "old contents that are longer");
    {
        FileHandle file;
        file.CreateWrite(path.c_str());
        file.Write("new", 3);
        FileHandle second;
        EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, ErrorOf([&] { second.OpenRead(path.c_str()); }));
    }
    EXPECT_EQ("new", std::string(reinterpret_cast<const char*>(test_support::ReadBytes(path).data()), 3));
    EXPECT_EQ(3u, test_support::ReadBytes(path).size());
}

TEST(FileHandle, ReadUInt32IsLittleEndianAndTellsAShortRead)
{
    ScratchDir dir("fh");
    std::string path = dir / "in.bin";
    test_support::WriteBytes(path, Bytes{0x00, 0x28, 0x01, 0x00, 0xAA, 0xBB});
    FileHandle file;
    file.OpenRead(path.c_str());
    DWORD value = 0;
    ASSERT_TRUE(file.ReadUInt32(&value));
    EXPECT_EQ(0x12800u, value);
    EXPECT_FALSE(file.ReadUInt32(&value));   // two bytes left
    EXPECT_EQ(6u, file.GetSize());
}

TEST(FileHandle, SeekToMinusOneIsAFailure)
{
    ScratchDir dir("fh");
    std::string path = dir / "in.bin";
    test_support::WriteBytes(path, Bytes(16, 1));
    FileHandle file;
    file.OpenRead(path.c_str());
    EXPECT_NE(0u, ErrorOf([&] { file.Seek(-1, FILE_BEGIN); }));
    EXPECT_TRUE(file.IsOpen());
    file.Seek(-4, FILE_END);
    EXPECT_EQ(12u, file.Tell());
}

TEST(FileHandle, ReadCStringStopsAtNulEndOfFileOrCapacity)
{
    ScratchDir dir("fh");
    std::string path = dir / "in.bin";
    test_support::WriteBytes(path, Bytes{'a', 'b', 0, 'c', 'd', 'e', 'f', 'g'});
    FileHandle file;
    file.OpenRead(path.c_str());

    char text[8];
    ASSERT_TRUE(file.ReadCString(text, sizeof text));
    EXPECT_STREQ("ab", text);
    EXPECT_EQ(3u, file.Tell());

    char small[3];
    EXPECT_FALSE(file.ReadCString(small, sizeof small));   // "cde..." has no NUL in 3 bytes
    EXPECT_STREQ("cd", small);

    file.Seek(3, FILE_BEGIN);
    EXPECT_FALSE(file.ReadCString(text, sizeof text));      // the file ends first
    EXPECT_STREQ("cdefg", text);
}

TEST(FileExists, APathLongerThan128CharactersIsFound)
{
    ScratchDir dir("fh");
    std::string folder = dir.path();
    while (folder.size() < 150) {
        folder += "\\deep-folder-name";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    std::string path = folder + "\\java.exe";
    test_support::WriteText(path, "x");
    EXPECT_TRUE(FileExists(path.c_str()));
}

TEST(ThrowWin32Error, CarriesTheCode)
{
    EXPECT_EQ(1234u, ErrorOf([] { ThrowWin32Error(1234); }));
}

}  // namespace
