// Pieces of the application object that need no running launcher.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "app/launcher_app.h"

namespace {

std::string Format(size_t size, const char* format, ...)
{
    std::string output(size + 16, 'z');
    va_list arguments;
    va_start(arguments, format);
    FormatMessageText(&output[0], size, format, arguments);
    va_end(arguments);
    EXPECT_EQ('z', output[size]) << "written past the buffer";
    return output.c_str();
}

TEST(FormatMessageText, FillsThePlaceholder)
{
    EXPECT_EQ("This application has been saved to C:\\Temp\\simpjava.class.",
              Format(kMessageBufferSize, "This application has been saved to %s.",
                     "C:\\Temp\\simpjava.class"));
}

TEST(FormatMessageText, ALongResultIsCutAt1023Characters)
{
    std::string path(2000, 'p');
    std::string text = Format(kMessageBufferSize, "saved to %s.", path.c_str());
    EXPECT_EQ(1023u, text.size());
    EXPECT_EQ("saved to " + std::string(1014, 'p'), text);
    EXPECT_EQ(1023u, Format(kMessageBufferSize, "%s", std::string(1023, 'q').c_str()).size());
    EXPECT_EQ(1022u, Format(kMessageBufferSize, "%s", std::string(1022, 'q').c_str()).size());
}

TEST(SkipBlanks, LeadingBlanksAndTabsGo)
{
    EXPECT_STREQ("", SkipBlanks(nullptr));
    EXPECT_STREQ("", SkipBlanks("   "));
    EXPECT_STREQ("A:A:A  ", SkipBlanks(" \t A:A:A  "));
}

TEST(CommandLineTail, FollowsTheProgramNameQuotedOrNot)
{
    const struct {
        const char* commandLine;
        const char* tail;
    } cases[] = {
        {"\"C:\\Program Files\\setup.exe\" A:A:A", "A:A:A"},
        {"\"C:\\Program Files\\setup.exe\"A:A:A", "A:A:A"},
        {"setup.exe  \t 1.1:A:A A:A:A", "1.1:A:A A:A:A"},
        {"setup.exe", ""},
        {"\"setup.exe\"   ", ""},
        {"\"unclosed quote", ""},
        {"", ""},
        // The C run-time's own tail loses leading bytes above 0x7F.
        {"setup.exe \x80\x9f\xa0\xff:A:A", "\x80\x9f\xa0\xff:A:A"},
        {"C:\\D\xe9j\xe0\\setup.exe x", "x"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.tail, CommandLineTail(c.commandLine)) << c.commandLine;
    EXPECT_STREQ("", CommandLineTail(nullptr));
}

TEST(LauncherApp, StartsEmpty)
{
    LauncherApp* app = GetLauncherApp();
    EXPECT_EQ(app, GetLauncherApp());
    EXPECT_EQ(0, app->interactive);
    EXPECT_STREQ("", app->requirement);
    EXPECT_STREQ("", app->installerClassFile);
    EXPECT_EQ(0, app->archive.CountEntries());
    for (int slot = 0; slot < kVmSlots; ++slot)
        EXPECT_EQ(nullptr, app->vms.slots[slot]);
}

}  // namespace
