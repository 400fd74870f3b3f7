// The launcher's start: the command-line tail, the message text bound, and
// the DLL search that keeps planted DLLs out.
#include <gtest/gtest.h>

#include "app/command_options.h"
#include "app/dll_search.h"
#include "app/launcher_app.h"
#include "harness.h"

namespace {

TEST(CommandLine, TheTailFollowsTheProgramNameAndItsBlanks)
{
    struct {
        const char* commandLine;
        const char* tail;
    } cases[] = {
        {"setup.exe", ""},
        {"setup.exe   \t ", ""},
        {"setup.exe 1.1:A:A", "1.1:A:A"},
        {"\"C:\\My Setup\\setup.exe\"  A:A:A B:B:B", "A:A:A B:B:B"},
        {"\"C:\\unclosed quote", ""},
        {"setup.exe \xE9t\xE9:A:A", "\xE9t\xE9:A:A"},
    };
    for (const auto& each : cases)
        EXPECT_STREQ(each.tail, CommandLineTail(each.commandLine)) << each.commandLine;
}

TEST(CommandLine, OptionsAreReadAtItsStart)
{
    const std::string longName(kTextBufferSize, 'l');
    struct {
        std::string tail;
        bool valid, silent;
        const char *log, *installerArgs, *requirement;
    } cases[] = {
        {"--silent", true, true, "", nullptr, nullptr},
        {"--log C:\\a.log --silent -- /S  \"a b\" ", true, true, "C:\\a.log", "/S  \"a b\" ", nullptr},
        {"--log \"C:\\My Logs\\a.log\"\t1.1:A:A --x", true, false, "C:\\My Logs\\a.log", nullptr, "1.1:A:A --x"},
        {"--", true, false, "", "", nullptr},
        {"--bogus --silent", false, true, "", nullptr, nullptr},
        {"--log", false, false, "", nullptr, nullptr},
        {"--log -- /S", false, false, "--", nullptr, "/S"},
        {"--silent 1.1:A:A", false, true, "", nullptr, "1.1:A:A"},
        {"--log " + longName, false, false, "", nullptr, nullptr},
        {"--" + longName, false, false, "", nullptr, nullptr},
    };
    for (const auto& each : cases) {
        CommandOptions options;
        EXPECT_EQ(each.valid, ReadCommandOptions(each.tail.c_str(), &options)) << each.tail;
        EXPECT_EQ(each.silent, options.silent) << each.tail;
        EXPECT_STREQ(each.log, options.logPath) << each.tail;
        EXPECT_STREQ(each.installerArgs, options.installerArgs) << each.tail;
        EXPECT_STREQ(each.requirement, options.requirement) << each.tail;
    }
}

// No Windows box (a DLL missing, a program that crashed) may hold up a silent
// run: it turns them off for itself and the VMs it starts, which inherit the
// mode on Windows (Wine passes none on, so the launcher's own is checked).
TEST(CommandLine, ASilentRunTurnsOffWindowsErrorBoxes)
{
    LauncherApp* app = GetLauncherApp();
    SetErrorMode(0);
    app->Run("--silent --bogus");   // refused at once, without a box
    EXPECT_EQ(87, app->exitStatus);
    EXPECT_EQ((UINT)(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX), GetErrorMode());
    SetErrorMode(0);
    app->silent = 0;
    app->exitStatus = 0;
}

void Format(char* output, size_t size, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatMessageText(output, size, format, arguments);
    va_end(arguments);
}

TEST(Messages, AFormattedTextIsCutToItsBuffer)
{
    char text[kMessageBufferSize + 1];
    text[kMessageBufferSize] = '#';
    std::string path(2000, 'p');
    Format(text, kMessageBufferSize, "saved to %s.", path.c_str());
    EXPECT_EQ("saved to " + path.substr(0, kMessageBufferSize - 10), text);
    EXPECT_EQ('#', text[kMessageBufferSize]);
}

// Under Wine a DLL named like a system DLL always comes from Wine's own, so
// the test plants one with a name of its own beside the test program.
TEST(DllPlanting, TheApplicationsFolderIsNotSearched)
{
    char self[MAX_PATH];
    std::string planted(self, GetModuleFileNameA(nullptr, self, sizeof self));
    planted = planted.substr(0, planted.rfind('\\')) + "\\wendleplant.dll";
    ASSERT_TRUE(CopyFileA(PLANTED_DLL, planted.c_str(), FALSE));
    EXPECT_TRUE(RestrictDllSearch());
    EXPECT_EQ(nullptr, LoadLibraryA("wendleplant.dll"));
    DeleteFileA(planted.c_str());
}

}  // namespace
