// The argument texts and command lines that the three kinds hand to a VM.
#include <gtest/gtest.h>

#include <string>

#include "vm/vm_locator.h"

namespace {

std::string Arguments(const char* option, const char* classDir, const char* className,
                      const char* classArgs, size_t size = kArgumentsSize)
{
    std::string output(size + 8, 'z');
    bool fits = ComposeClassArguments(&output[0], size, option, classDir, className, classArgs);
    EXPECT_EQ('z', output[size]) << "written past the buffer";
    return fits ? output.c_str() : "<does not fit>";
}

TEST(ComposeClassArguments, TheThreeShapes)
{
    const struct {
        const char* what;
        const char* option;
        const char* classArgs;
        const char* expected;
    } cases[] = {
        {"JDK kind, probe", nullptr, "A:A:A 1.1:A:A", "TvqVersion A:A:A 1.1:A:A"},
        {"JDK kind, installer", nullptr, nullptr, "TvqVersion"},
        {"JRE kind, probe", "-cp ", "A:A:A", "-cp C:\\TEMP\\ TvqVersion A:A:A"},
        {"JRE kind, installer", "-cp ", nullptr, "-cp C:\\TEMP\\ TvqVersion"},
        {"Microsoft VM kind, probe", "-cp:p ", "A:A:A", "-cp:p C:\\TEMP\\ TvqVersion A:A:A"},
        {"present but empty arguments still add the blank", "-cp ", "", "-cp C:\\TEMP\\ TvqVersion "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Arguments(c.option, "C:\\TEMP\\", "TvqVersion", c.classArgs)) << c.what;
}

TEST(ComposeClassArguments, AClassDirectoryWithABlankIsQuotedWithoutItsTrailingBackslash)
{
    EXPECT_EQ("-cp \"C:\\Documents and Settings\\pat\\Temp\" TvqVersion A:A:A",
              Arguments("-cp ", "C:\\Documents and Settings\\pat\\Temp\\", "TvqVersion", "A:A:A"));
    EXPECT_EQ("-cp:p \"C:\\My Temp\" TvqVersion",
              Arguments("-cp:p ", "C:\\My Temp", "TvqVersion", nullptr));
    // The JDK kind names no directory: it runs in it.
    EXPECT_EQ("TvqVersion", Arguments(nullptr, "C:\\My Temp\\", "TvqVersion", nullptr));
}

TEST(ComposeClassArguments, TextThatDoesNotFitIsRefused)
{
    std::string requirement(250, 'r');
    // "TvqVersion " is 11 characters: 248 more fit a 260-byte buffer.
    EXPECT_EQ("TvqVersion " + std::string(248, 'r'),
              Arguments(nullptr, "C:\\T\\", "TvqVersion", std::string(248, 'r').c_str()));
    EXPECT_EQ("<does not fit>", Arguments(nullptr, "C:\\T\\", "TvqVersion",
                                          std::string(249, 'r').c_str()));
    EXPECT_EQ("<does not fit>", Arguments("-cp ", "C:\\T\\", "TvqVersion", requirement.c_str()));
}

TEST(ComposeCommandLine, QuotesTheExecutableAndBoundsTheLine)
{
    char line[kCommandLineSize];
    ASSERT_TRUE(ComposeCommandLine(line, sizeof line, "C:\\jdk\\bin\\java.exe", "TvqVersion A:A:A"));
    EXPECT_STREQ("\"C:\\jdk\\bin\\java.exe\" TvqVersion A:A:A", line);

    std::string exe(259, 'e');
    std::string arguments(256, 'a');   // 1 + 259 + 2 + 256 = 518 characters
    ASSERT_TRUE(ComposeCommandLine(line, sizeof line, exe.c_str(), arguments.c_str()));
    EXPECT_EQ(518u, strlen(line));
    arguments += "aa";                 // 520 characters: no room for the NUL
    EXPECT_FALSE(ComposeCommandLine(line, sizeof line, exe.c_str(), arguments.c_str()));
}

}  // namespace
