// The placement arithmetic and the control rules of the dialogs, without a
// window.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "ui/dialog_layout.h"

namespace {

TEST(CenteredOffset, CentresOnAnEightHundredBySixHundredScreen)
{
    const struct {
        const char* what;
        int reference;
        int window;
        int offset;
    } cases[] = {
        {"490-pixel-wide dialog on 800 pixels", 800, 490, 155},
        {"110-pixel-high dialog on 600 pixels", 600, 110, 245},
        {"491 pixels wide: 309 / 2 truncated", 800, 491, 154},
        {"as wide as the screen", 800, 800, 0},
        {"one pixel wider than the reference", 800, 801, 0},
        {"reference narrower than the dialog", 400, 490, 0},
        {"a dialog twice the reference", 300, 600, 0},
        {"an empty reference", 0, 490, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.offset, CenteredOffset(c.reference, c.window)) << c.what;
}

TEST(IsEnabledForOption, EachOptionEnablesItsOwnFieldAndBrowseButton)
{
    const int options[] = {IDC_OPT_DOWNLOAD, IDC_OPT_RUN_VM, IDC_OPT_SAVE};
    const struct {
        const char* control;
        int id;
        bool enabledWith[3];   // download, run with a VM, save
    } cases[] = {
        {"VM path field", IDC_VM_PATH, {false, true, false}},
        {"VM browse button", IDC_BROWSE_VM, {false, true, false}},
        {"save folder field", IDC_SAVE_FOLDER, {false, false, true}},
        {"folder browse button", IDC_BROWSE_FOLDER, {false, false, true}},
        {"OK button", IDOK, {true, true, true}},
        {"Cancel button", IDCANCEL, {true, true, true}},
    };
    for (const auto& c : cases) {
        for (int index = 0; index < 3; ++index)
            EXPECT_EQ(c.enabledWith[index], IsEnabledForOption(c.id, options[index]))
                << c.control << " with option " << options[index];
    }
}

// The NUL-separated parts of a converted filter list, up to the empty one
// that closes it.
std::vector<std::string> FilterParts(const char* converted)
{
    std::vector<std::string> parts;
    for (const char* part = converted; *part != '\0'; part += strlen(part) + 1)
        parts.push_back(part);
    return parts;
}

TEST(ConvertFilterList, GivesTheOpenFileDialogTwoPairs)
{
    const struct {
        const char* what;
        const char* text;
        std::vector<std::string> parts;
    } cases[] = {
        {"English", "Executable Files (.exe)|*.exe|All Files|*.*||",
         {"Executable Files (.exe)", "*.exe", "All Files", "*.*"}},
        {"German", "Programmdateien (.exe)|*.exe|Alle Dateien|*.*||",
         {"Programmdateien (.exe)", "*.exe", "Alle Dateien", "*.*"}},
        // Code page 932: kanji (two bytes each) and half-width katakana (one
        // byte each) pass unchanged.
        {"Japanese", "\x8E\xC0\x8D" "s\xCC\xA7\xB2\xD9 (.exe)|*.exe|All Files|*.*||",
         {"\x8E\xC0\x8D" "s\xCC\xA7\xB2\xD9 (.exe)", "*.exe", "All Files", "*.*"}},
    };
    for (const auto& c : cases) {
        char buffer[260];
        // Stale bytes behind the text must not count: the walk stops at its NUL.
        memset(buffer, '|', sizeof buffer);
        strcpy(buffer, c.text);
        ConvertFilterList(buffer);
        EXPECT_EQ(c.parts, FilterParts(buffer)) << c.what;
        size_t length = strlen(c.text);
        EXPECT_EQ('\0', buffer[length - 1]) << c.what << ": the list is not closed";
        EXPECT_EQ('\0', buffer[length]) << c.what;
        EXPECT_EQ('|', buffer[length + 1]) << c.what << ": converted past the text's end";
    }
}

TEST(ConvertFilterList, TextWithoutBarsIsLeftAsItIs)
{
    char text[] = "All Files";
    ConvertFilterList(text);
    EXPECT_STREQ("All Files", text);
    char empty[] = "";
    ConvertFilterList(empty);
    EXPECT_STREQ("", empty);
}

}  // namespace
