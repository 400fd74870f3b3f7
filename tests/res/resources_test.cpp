// The six language variants of Wendle.exe's strings and dialogs, read from
// the executable whatever the system's language. The scenarios work the
// English variant; every other one must hold the same strings and the same
// dialogs, control for control.
#include <gtest/gtest.h>

#include <algorithm>

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

TEST(Resources, EveryLanguageHoldsEveryStringAndBothDialogs)
{
    for (LANGID language : kLanguages) {
        for (UINT id = IDS_CANCEL_QUESTION; id <= IDS_CANNOT_EXTRACT; ++id)
            EXPECT_NE("", wt::LauncherString(id, language)) << language << " string " << id;
        std::string saved = wt::LauncherString(IDS_SAVED_TO, language);
        EXPECT_EQ(saved.find('%'), saved.rfind('%')) << language;
        EXPECT_NE(std::string::npos, saved.find("%s")) << language;
        std::string cannotRun = wt::LauncherString(IDS_CANNOT_RUN_HERE, language);
        EXPECT_NE(std::string::npos, cannotRun.find("%ls")) << language;
        EXPECT_EQ(cannotRun.find('%'), cannotRun.rfind('%')) << language;
        EXPECT_NE(std::string::npos, wt::LauncherString(IDS_DOWNLOAD_OFFER, language)
                                         .find("https://wendle.example.org/java"))
            << language;
        for (UINT filter : {IDS_EXE_FILTER, IDS_CLASS_FILTER}) {
            std::string text = wt::LauncherString(filter, language);
            EXPECT_EQ(5, std::count(text.begin(), text.end(), '|')) << language << " " << text;
            EXPECT_EQ("||", text.substr(text.size() - 2)) << language;
        }
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

// Texts in each language's own letters: a variant saved in the wrong
// encoding or under the wrong language shows here.
TEST(Resources, KeyTextsInEachLanguage)
{
    struct {
        LANGID language;
        UINT id;
        const char* text;
    } cases[] = {
        {0x0407, IDS_CANCEL_QUESTION, "Die Installation wird abgebrochen. Möchten Sie die Installation wirklich abbrechen?"},
        {0x0409, IDS_TITLE, "Tarrowby Java Edition"},
        {0x0409, IDS_USAGE, "usage:\n\nWendle <version>:<vendor>:<os> ..."},
        {0x040C, IDS_SAVED_TO, "Cette application a été enregistrée sous %s."},
        {0x0410, IDS_ONE_VM_FOUND, "È stata rilevata una macchina virtuale Java.\nScegliere OK per installare l'applicazione."},
        {0x0411, IDS_EXE_FILTER, "実行ﾌｧｲﾙ (.exe)|*.exe|All Files|*.*||"},
        {0x0C0A, IDS_TITLE, "Edición de Tarrowby para Java"},
    };
    for (const auto& each : cases)
        EXPECT_EQ(each.text, wt::LauncherString(each.id, each.language)) << each.language;
    EXPECT_NE(std::string::npos, Describe(IDD_VM_SELECT, 0x0411, true).find("ｷｬﾝｾﾙ"));
    EXPECT_NE(std::string::npos, Describe(IDD_NO_VM, 0x0407, true).find("Abbrechen"));
}

}  // namespace
