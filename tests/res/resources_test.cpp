// The six language variants of Wendle.exe's strings and dialogs, read from
// the executable whatever the system's language. The scenarios work the
// English variant; every other one must hold the same strings and the same
// dialogs, control for control.
#include <gtest/gtest.h>

#include "harness.h"
#include "res/resource.h"

namespace {

const LANGID kLanguages[] = {0x0407, 0x0409, 0x040C, 0x0410, 0x0411, 0x0C0A};

INT_PTR CALLBACK Inert(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

// Caption, then each control: id, class, style, rectangle and, with texts,
// its text.
std::string Describe(int dialogId, LANGID language, bool texts)
{
    HMODULE exe = LoadLibraryExA(WENDLE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = FindResourceExW(exe, (LPCWSTR)RT_DIALOG, MAKEINTRESOURCEW(dialogId), language);
    if (found == nullptr)
        return "(missing)";
    HWND dialog = CreateDialogIndirectParamW(
        exe, (LPCDLGTEMPLATEW)LockResource(LoadResource(exe, found)), nullptr, Inert, 0);
    std::string text = texts ? wt::Text(dialog) : "";
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32];
        RECT rect;
        GetClassNameA(child, className, sizeof className);
        GetWindowRect(child, &rect);
        text += "\n" + std::to_string(GetDlgCtrlID(child)) + " " + className + " " +
                std::to_string(GetWindowLongA(child, GWL_STYLE)) + " " + std::to_string(rect.left) +
                "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
                std::to_string(rect.bottom) + (texts ? " " + wt::Text(child) : "");
    }
    DestroyWindow(dialog);
    return text;
}

TEST(Resources, EveryLanguageHoldsBothDialogsControlForControl)
{
    for (LANGID language : kLanguages) {
        for (int dialog : {IDD_VM_SELECT, IDD_NO_VM}) {
            EXPECT_EQ(Describe(dialog, 0x0409, false), Describe(dialog, language, false))
                << language << " dialog " << dialog;
            EXPECT_EQ(wt::LauncherString(IDS_TITLE, language),
                      Describe(dialog, language, true).substr(0, wt::LauncherString(IDS_TITLE, language).size()));
        }
    }
    HMODULE exe = LoadLibraryExA(WENDLE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(nullptr, FindResourceA(exe, MAKEINTRESOURCEA(IDI_MAIN), (LPCSTR)RT_GROUP_ICON));
}

// Every string of every language as tests/res/strings.txt holds it ("\\n"
// for a line feed), in each language's own letters: a text saved in the
// wrong encoding, under the wrong language or under another id shows here.
TEST(Resources, EachIdHoldsItsOwnTextInEachLanguage)
{
    std::ifstream table(TESTS_DIR "/res/strings.txt", std::ios::binary);
    size_t rows = 0;
    for (std::string language, id, text; table >> language >> id && std::getline(table.ignore(1), text); ++rows) {
        for (size_t at = 0; (at = text.find("\\n", at)) != std::string::npos;)
            text.replace(at, 2, "\n");
        EXPECT_EQ(text, wt::LauncherString(std::stoi(id), (LANGID)std::stoi(language, nullptr, 16))) << language << " " << id;
    }
    EXPECT_EQ(sizeof kLanguages / sizeof kLanguages[0] * IDS_OWN_JAVA, rows);
    EXPECT_NE(std::string::npos, Describe(IDD_VM_SELECT, 0x0411, true).find("ｷｬﾝｾﾙ"));
    EXPECT_NE(std::string::npos, Describe(IDD_NO_VM, 0x0407, true).find("Abbrechen"));
}

}  // namespace
