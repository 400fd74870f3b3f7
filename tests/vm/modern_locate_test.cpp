// Where the kinds look for the Java installations of today's machines: the
// Java 9+ JavaSoft keys, JAVA_HOME, the vendors' own keys, and the 64-bit
// registry view of 64-bit Windows; and how the table keeps one VM from being
// listed twice.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "registry_views.h"
#include "test_support.h"
#include "vm/modern_kinds.h"
#include "vm/registry.h"
#include "vm/version_text.h"
#include "vm/vm_kinds.h"
#include "vm/vm_table.h"

using namespace views_test;
using test_support::ScratchDir;

namespace {

const View kOwn = View::Own32Bit;
const View kNative = View::Native64Bit;

class ModernJava : public ::testing::Test {
protected:
    ScratchDir dir{"modern"};
    JavaHomeVariable javaHome;   // unset during each test, put back after it

    void SetUp() override { DeleteJavaKeys(); }
    void TearDown() override { DeleteJavaKeys(); }

    // A Java installation folder: name\bin holding the named files.
    std::string MakeHome(const std::string& name,
                         std::initializer_list<const char*> files = {"java.exe"})
    {
        std::string home = dir / name;
        CreateDirectoryA(home.c_str(), nullptr);
        CreateDirectoryA((home + "\\bin").c_str(), nullptr);
        for (const char* file : files)
            test_support::WriteText(home + "\\bin\\" + file, "x");
        return home;
    }

    // The report of a table after LocateAll, as it reaches a file.
    std::string ReportAfterLocate()
    {
        VmTable table;
        table.CreateKinds();
        table.LocateAll();
        std::string path = dir / "report.txt";
        FILE* file = fopen(path.c_str(), "w");
        table.PrintReport(file);
        fclose(file);
        test_support::Bytes bytes = test_support::ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
};

std::string JavaExe(const std::string& home)
{
    return home + "\\bin\\java.exe";
}

// The executable a kind finds, or "" when it finds none.
template <typename Kind>
std::string Found()
{
    Kind kind;
    int result = kind.Locate();
    EXPECT_EQ(result, kind.exePath[0] != '\0' ? 1 : 0) << "Locate's result and exePath disagree";
    return kind.exePath;
}

TEST_F(ModernJava, TheTestPrefixIs64BitWindowsWithTwoRegistryViews)
{
    EXPECT_TRUE(RunsUnderWow64());
    RegistryView views[kMostViews];
    ASSERT_EQ(2, ViewsToSearch(views));
    EXPECT_EQ(kOwnView, views[0]);
    EXPECT_EQ(k64BitView, views[1]);

    SetValue(kOwn, "Software\\JavaSoft\\Views", "Where", "32");
    SetValue(kNative, "Software\\JavaSoft\\Views", "Where", "64");
    char value[260];
    ASSERT_TRUE(ReadMachineValue("Software\\JavaSoft\\Views", "Where", value));
    EXPECT_STREQ("32", value);
    ASSERT_TRUE(ReadMachineValue("Software\\JavaSoft\\Views", "Where", value, k64BitView));
    EXPECT_STREQ("64", value);
}

TEST_F(ModernJava, TheOriginalKindsReadTheirOwnViewFirstThenThe64BitView)
{
    std::string own = MakeHome("own");
    std::string native = MakeHome("native");
    std::string broken = MakeHome("broken", {"javaw.exe"});
    const struct {
        const char* what;
        std::function<void()> registry;
        std::string jdk, jre;
    } cases[] = {
        {"JDK and JRE registered in the 64-bit view only",
         [&] { RegisterJavaSoft(kNative, kOldJdkKey, "1.8", native);
               RegisterJavaSoft(kNative, kOldJreKey, "1.8", native); },
         native + "\\Bin\\java.exe", native + "\\Bin\\java.exe"},
        {"both views: the own view wins, as it always did",
         [&] { RegisterJavaSoft(kOwn, kOldJdkKey, "1.8", own);
               RegisterJavaSoft(kNative, kOldJdkKey, "1.8", native);
               RegisterJavaSoft(kOwn, kOldJreKey, "1.8", own);
               RegisterJavaSoft(kNative, kOldJreKey, "1.8", native); },
         own + "\\Bin\\java.exe", own + "\\Bin\\java.exe"},
        {"the own view's home has no java.exe: the 64-bit view",
         [&] { RegisterJavaSoft(kOwn, kOldJdkKey, "1.8", broken);
               RegisterJavaSoft(kNative, kOldJdkKey, "1.8", native); },
         native + "\\Bin\\java.exe", ""},
        {"the own view only, as before",
         [&] { RegisterJavaSoft(kOwn, kOldJdkKey, "1.1", own); },
         own + "\\Bin\\java.exe", ""},
        {"nothing in either view", [] {}, "", ""},
    };
    for (const auto& c : cases) {
        DeleteJavaKeys();
        c.registry();
        EXPECT_EQ(c.jdk, Found<JdkLocator>()) << c.what;
        EXPECT_EQ(c.jre, Found<JreLocator>()) << c.what;
    }
}

TEST_F(ModernJava, JavaNineAndLaterAreFoundUnderTheirOwnJavaSoftKeys)
{
    std::string jdk = MakeHome("jdk-17");
    std::string jre = MakeHome("jre-11");
    std::string native = MakeHome("jdk-21");
    std::string noJava = MakeHome("jre-only", {"jre.exe", "javaw.exe"});
    const struct {
        const char* what;
        std::function<void()> registry;
        std::string expected;
    } cases[] = {
        {"Oracle JDK 17 under JavaSoft\\JDK",
         [&] { RegisterJavaSoft(kOwn, kJdkKey, "17", jdk); }, JavaExe(jdk)},
        {"a JRE under JavaSoft\\JRE only",
         [&] { RegisterJavaSoft(kOwn, kJreKey, "11", jre); }, JavaExe(jre)},
        {"the JDK key comes before the JRE key",
         [&] { RegisterJavaSoft(kOwn, kJreKey, "11", jre);
               RegisterJavaSoft(kOwn, kJdkKey, "17", jdk); }, JavaExe(jdk)},
        {"a 64-bit JDK 21 in the 64-bit view only",
         [&] { RegisterJavaSoft(kNative, kJdkKey, "21", native); }, JavaExe(native)},
        {"the own view's JRE comes before the 64-bit view",
         [&] { RegisterJavaSoft(kOwn, kJdkKey, "17", noJava);
               RegisterJavaSoft(kOwn, kJreKey, "11", jre);
               RegisterJavaSoft(kNative, kJdkKey, "21", native); }, JavaExe(jre)},
        {"JavaHome ending with a backslash",
         [&] { RegisterJavaSoft(kOwn, kJdkKey, "17", jdk + "\\"); }, JavaExe(jdk)},
        {"only the old key names",
         [&] { RegisterJavaSoft(kOwn, kOldJdkKey, "17", jdk); }, ""},
        {"no CurrentVersion",
         [&] { SetValue(kNative, std::string(kJdkKey) + "\\17", "JavaHome", jdk); }, ""},
        {"CurrentVersion names no subkey",
         [&] { SetValue(kNative, kJdkKey, "CurrentVersion", "17"); }, ""},
        {"no bin\\java.exe below JavaHome",
         [&] { RegisterJavaSoft(kNative, kJdkKey, "17", noJava); }, ""},
    };
    for (const auto& c : cases) {
        DeleteJavaKeys();
        c.registry();
        EXPECT_EQ(c.expected, Found<ModernJdkLocator>()) << c.what;
    }
}

// One vendor layout: key\<version>[\below], value valueName.
struct Layout {
    const char* vendor;
    const char* key;
    const char* below;
    const char* valueName;
};

const Layout kTemurinJdk = {"Eclipse Temurin JDK", "Software\\Eclipse Adoptium\\JDK",
                            "hotspot\\MSI", "Path"};
const Layout kTemurinJre = {"Eclipse Temurin JRE", "Software\\Eclipse Adoptium\\JRE",
                            "hotspot\\MSI", "Path"};
const Layout kMicrosoft = {"Microsoft Build of OpenJDK", "Software\\Microsoft\\JDK",
                           "hotspot\\MSI", "Path"};
const Layout kZulu = {"Azul Zulu", "Software\\Azul Systems\\Zulu", "", "InstallationPath"};
const Layout kZulu32 = {"32-bit Azul Zulu", "Software\\Azul Systems\\Zulu 32-bit", "",
                        "InstallationPath"};
const Layout kLiberica = {"BellSoft Liberica", "Software\\BellSoft\\Liberica", "",
                          "InstallationPath"};
const Layout kJavaSoftList = {"JavaSoft\\JDK without CurrentVersion", kJdkKey, "", "JavaHome"};

void Register(View view, const Layout& layout, const std::string& version, const std::string& home)
{
    std::string key = std::string(layout.key) + "\\" + version;
    if (layout.below[0] != '\0')
        key += std::string("\\") + layout.below;
    SetValue(view, key, layout.valueName, home);
}

TEST_F(ModernJava, EachVendorsOwnKeysLeadToItsJava)
{
    const struct {
        const char* what;
        View view;
        const Layout& layout;
        const char* version;
        bool trailingBackslash;   // as an MSI writes [INSTALLDIR]
    } cases[] = {
        {"Temurin JDK 17 on 64-bit Windows", kNative, kTemurinJdk, "17.0.9.9", true},
        {"32-bit Temurin JRE 8", kOwn, kTemurinJre, "8.0.392.8", true},
        {"Microsoft Build of OpenJDK 21", kNative, kMicrosoft, "21.0.1.12", true},
        {"Azul Zulu 17 JDK", kNative, kZulu, "zulu-17", false},
        {"Azul Zulu 11 JRE", kNative, kZulu, "zulu-11-jre", false},
        {"32-bit Azul Zulu 8 on 64-bit Windows", kOwn, kZulu32, "zulu-8", false},
        {"BellSoft Liberica JDK 17", kNative, kLiberica, "jdk-17", false},
        {"BellSoft Liberica JRE 11", kOwn, kLiberica, "jre-11", true},
        {"Amazon Corretto 17 listed under JavaSoft\\JDK only", kNative, kJavaSoftList, "17.0.9", false},
    };
    int index = 0;
    for (const auto& c : cases) {
        DeleteJavaKeys();
        std::string home = MakeHome("vendor" + std::to_string(index++));
        Register(c.view, c.layout, c.version, c.trailingBackslash ? home + "\\" : home);
        EXPECT_EQ(JavaExe(home), Found<OtherVendorLocator>()) << c.what;
        // Installed with the vendor's own keys only, no other kind sees it.
        EXPECT_EQ("", Found<JdkLocator>()) << c.what;
        EXPECT_EQ("", Found<JreLocator>()) << c.what;
        EXPECT_EQ("", Found<ModernJdkLocator>()) << c.what;
    }
}

TEST_F(ModernJava, AVendorKeyListingSeveralVersionsGivesTheNewest)
{
    const struct {
        const char* what;
        const Layout& layout;
        std::vector<const char*> versions;   // in the order they are written
        const char* withoutJava;             // a version whose home lacks java.exe
        const char* newest;
    } cases[] = {
        {"Temurin 8, 21, 17", kTemurinJdk, {"8.0.392.8", "21.0.1.12", "17.0.9.9"}, nullptr, "21.0.1.12"},
        {"17.0.10 is newer than 17.0.9", kTemurinJdk, {"17.0.10.7", "17.0.9.9"}, nullptr, "17.0.10.7"},
        {"zulu-17 is newer than zulu-8", kZulu, {"zulu-8", "zulu-17", "zulu-11"}, nullptr, "zulu-17"},
        {"Liberica jdk-11 and jdk-8", kLiberica, {"jdk-11", "jdk-8"}, nullptr, "jdk-11"},
        {"Microsoft 11 and 21", kMicrosoft, {"11.0.21.9", "21.0.1.12"}, nullptr, "21.0.1.12"},
        {"the newest has no java.exe: the next newest", kTemurinJdk,
         {"21.0.1.12", "17.0.9.9", "11.0.21.9"}, "21.0.1.12", "17.0.9.9"},
    };
    for (const auto& c : cases) {
        DeleteJavaKeys();
        std::string expected;
        for (const char* version : c.versions) {
            bool broken = c.withoutJava != nullptr && std::string(version) == c.withoutJava;
            std::string home = broken ? MakeHome(std::string("broken-") + version, {"javaw.exe"})
                                      : MakeHome(std::string("v-") + version);
            Register(kNative, c.layout, version, home);
            if (std::string(version) == c.newest)
                expected = JavaExe(home);
        }
        EXPECT_EQ(expected, Found<OtherVendorLocator>()) << c.what;
    }
}

TEST_F(ModernJava, JavaHomeComesBeforeTheVendorKeys)
{
    std::string user = MakeHome("user-jdk");
    std::string temurin = MakeHome("temurin");
    std::string empty = MakeHome("no-java", {"javaw.exe"});
    const char* const kUnset = "<unset>";
    const struct {
        const char* what;
        std::string javaHome;
        bool temurinKey;
        std::string expected;
    } cases[] = {
        {"JAVA_HOME set", user, true, JavaExe(user)},
        {"JAVA_HOME with a trailing backslash", user + "\\", false, JavaExe(user)},
        {"JAVA_HOME unset", kUnset, true, JavaExe(temurin)},
        {"JAVA_HOME without bin\\java.exe", empty, true, JavaExe(temurin)},
        {"JAVA_HOME without bin\\java.exe, no vendor key", empty, false, ""},
        {"JAVA_HOME naming no folder", "C:\\no\\such\\jdk", false, ""},
        {"JAVA_HOME of 300 characters", std::string(300, 'j'), true, JavaExe(temurin)},
        {"JAVA_HOME unset, no vendor key", kUnset, false, ""},
    };
    for (const auto& c : cases) {
        DeleteJavaKeys();
        javaHome.Set(c.javaHome == kUnset ? nullptr : c.javaHome.c_str());
        if (c.temurinKey)
            Register(kNative, kTemurinJdk, "17.0.9.9", temurin + "\\");
        EXPECT_EQ(c.expected, Found<OtherVendorLocator>()) << c.what;
    }
}

TEST(ModernKinds, AcceptNoUserNamedFile)
{
    for (const char* name : {"java.exe", "JAVA.EXE", "jre.exe", "jview.exe", "javaw.exe"}) {
        std::string path = std::string("D:\\any\\") + name;
        ModernJdkLocator modern;
        OtherVendorLocator other;
        strcpy(other.exePath, "C:\\found\\bin\\java.exe");
        EXPECT_EQ(0, modern.MatchExecutable(path.c_str(), name)) << name;
        EXPECT_EQ(0, other.MatchExecutable(path.c_str(), name)) << name;
        EXPECT_STREQ("", modern.exePath) << name;
        EXPECT_STREQ("C:\\found\\bin\\java.exe", other.exePath) << name;
    }
}

TEST(ModernKinds, TheTableHoldsFiveKindsAndAUserNamedJavaExeStaysWithTheJdkKind)
{
    VmTable table;
    table.CreateKinds();
    EXPECT_NE(nullptr, dynamic_cast<JdkLocator*>(table.slots[0]));
    EXPECT_NE(nullptr, dynamic_cast<JreLocator*>(table.slots[1]));
    EXPECT_NE(nullptr, dynamic_cast<MsVmLocator*>(table.slots[2]));
    EXPECT_NE(nullptr, dynamic_cast<ModernJdkLocator*>(table.slots[3]));
    EXPECT_NE(nullptr, dynamic_cast<OtherVendorLocator*>(table.slots[4]));
    EXPECT_EQ(table.slots[0], table.FindByExecutable("C:\\Program Files\\Java\\jdk-17\\bin\\java.exe"));
    EXPECT_EQ(nullptr, table.FindByExecutable("C:\\jdk-17\\bin\\javaw.exe"));
    EXPECT_STREQ("", table.slots[3]->exePath);
    EXPECT_STREQ("", table.slots[4]->exePath);
}

TEST_F(ModernJava, OneVmIsListedOnceUnderItsFirstSlot)
{
    std::string temurin = MakeHome("temurin-17");
    std::string oracle = MakeHome("jdk-19");
    std::string old = MakeHome("jdk1.8");
    std::string zulu = MakeHome("zulu-21");
    std::string upper = temurin;
    CharUpperA(&upper[0]);
    const struct {
        const char* what;
        std::function<void()> setup;
        std::string report;
    } cases[] = {
        {"Temurin with its own key, the JavaSoft keys and JAVA_HOME",
         [&] { Register(kNative, kTemurinJdk, "17.0.9.9", temurin + "\\");
               RegisterJavaSoft(kNative, kJdkKey, "17", temurin + "\\");
               javaHome.Set(temurin.c_str()); },
         "1\r\nNO " + JavaExe(temurin) + "\r\n"},
        {"JAVA_HOME differs from the JavaSoft key in letter case only",
         [&] { RegisterJavaSoft(kNative, kJdkKey, "17", temurin);
               javaHome.Set(upper.c_str()); },
         "1\r\nNO " + JavaExe(temurin) + "\r\n"},
        {"Oracle JDK 19 under the old and the new JDK key",
         [&] { RegisterJavaSoft(kNative, kOldJdkKey, "1.19", oracle);
               RegisterJavaSoft(kNative, kJdkKey, "1.19", oracle); },
         "1\r\nNO " + oracle + "\\Bin\\java.exe\r\n"},
        {"the original kinds still list one home twice, as before",
         [&] { RegisterJavaSoft(kOwn, kOldJdkKey, "1.8", old);
               RegisterJavaSoft(kOwn, kOldJreKey, "1.8", old); },
         "2\r\nNO " + old + "\\Bin\\java.exe\r\nNO " + old + "\\Bin\\java.exe\r\n"},
        {"three installations in slot order",
         [&] { Register(kNative, kZulu, "zulu-21", zulu);
               RegisterJavaSoft(kNative, kJdkKey, "17", temurin);
               RegisterJavaSoft(kOwn, kOldJdkKey, "1.8", old); },
         "3\r\nNO " + old + "\\Bin\\java.exe\r\nNO " + JavaExe(temurin) + "\r\nNO " +
             JavaExe(zulu) + "\r\n"},
        {"a machine with nothing", [] {}, "0\r\n"},
    };
    for (const auto& c : cases) {
        DeleteJavaKeys();
        javaHome.Set(nullptr);
        c.setup();
        EXPECT_EQ(c.report, ReportAfterLocate()) << c.what;
    }
}

TEST(CompareVersionTexts, ComparesTheNumbersOneAfterAnother)
{
    const struct {
        const char* older;
        const char* newer;
    } ordered[] = {
        {"8.0.392.8", "17.0.9.9"},
        {"17.0.9.9", "17.0.10.7"},
        {"zulu-8", "zulu-17"},
        {"jdk-11", "jre-17"},
        {"1.8", "1.8.0_392"},
        {"1.8.0_392", "11"},
        {"", "1"},
        {"jdk", "jdk-8"},
        {"99999998", "4294967296999"},
    };
    for (const auto& o : ordered) {
        EXPECT_LT(CompareVersionTexts(o.older, o.newer), 0) << o.older << " < " << o.newer;
        EXPECT_GT(CompareVersionTexts(o.newer, o.older), 0) << o.newer << " > " << o.older;
    }
    const struct {
        const char* left;
        const char* right;
    } same[] = {
        {"zulu-17", "zulu-17-jre"},
        {"17.0.9", "17-0-9"},
        {"017", "17"},
        {"", "jdk"},
        {"4294967296999", "4294967296999"},
    };
    for (const auto& s : same)
        EXPECT_EQ(0, CompareVersionTexts(s.left, s.right)) << s.left << " = " << s.right;
}

}  // namespace
