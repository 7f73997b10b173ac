#include "LangTable.h"

#include "IniFile.h"
#include "SupportTestFiles.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {
// Sets one locale variable for the test's duration (and clears the others
// that would win over it).
class ScopedLocale
{
public:
    explicit ScopedLocale(const char* lang)
    {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* old = std::getenv(name);
            m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::unsetenv(name);
        }
        if (lang != nullptr) {
            ::setenv("LANG", lang, 1);
        }
    }
    ~ScopedLocale()
    {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

class LangTableTest : public ::testing::Test
{
protected:
    void SetUp() override { LangClearSelection(); }
    void TearDown() override { LangClearSelection(); }

    void AddUtf16(const std::string& file, const std::wstring& text)
    {
        WriteBytes(m_folder.Lang() + "/" + file, Utf16Le(text));
    }
    void AddAnsi(const std::string& file, const std::string& text)
    {
        WriteBytes(m_folder.Lang() + "/" + file, text);
    }
    void AddStandardPair()
    {
        AddAnsi("English.lng",
                "[LANGUAGE]\r\nLanguage=English\r\nLangID=1033\r\n[PROMPT]\r\n10015=Change Language\r\n"
                "20030=\r\n[BTNMENU]\r\n32773=&About\r\n|0|2=Deep item\r\n");
        AddUtf16("Chinese.lng", LangFileText(L"\u7B80\u4F53\u4E2D\u6587", L"2052",
                                             L"10015=\u5207\u6362\u8BED\u8A00\r\n20030=\u89C6\u9891\r\n"));
    }
    int Stored() const { return IniReadInt(LangSettingsFile(), L"Main", L"Language", -99); }
    static std::wstring Text(const char* key, const wchar_t* fallback)
    {
        wchar_t out[64];
        LangGetText(key, out, 64, fallback);
        return out;
    }

    TempProgramFolder m_folder;
};

TEST_F(LangTableTest, WithoutASelectionEveryTextIsTheDefault)
{
    AddStandardPair();
    EXPECT_EQ(Text("10015", L"Change Language"), L"Change Language");
    wchar_t small[5];
    EXPECT_EQ(LangGetText("10015", small, 5, L"Change Language"), 4);
    EXPECT_STREQ(small, L"Chan");
    EXPECT_EQ(LangGetText("10015", nullptr, 5, L"x"), 0);
    wchar_t untouched[2] = L"u";
    EXPECT_EQ(LangGetText("10015", untouched, 0, L"x"), 0);
    EXPECT_STREQ(untouched, L"u");
    EXPECT_EQ(LangGetText("1", small, 5, nullptr), 0);
    EXPECT_STREQ(small, L"");
}

TEST_F(LangTableTest, SelectingByNameSwitchesTheLookupAndStoresTheChoice)
{
    AddStandardPair();
    EXPECT_EQ(LangSelectByName(L"\u7B80\u4F53\u4E2D\u6587"), 2052);
    EXPECT_EQ(Stored(), 2052);
    EXPECT_EQ(LangCurrentFile(), m_folder.Lang() + "/Chinese.lng");
    EXPECT_EQ(Text("10015", L"Change Language"), L"\u5207\u6362\u8BED\u8A00");
    EXPECT_EQ(LangText(20030, L"Video"), L"\u89C6\u9891");
    EXPECT_EQ(LangText(10001, L"Network Settings"), L"Network Settings"); // key missing in the file

    EXPECT_EQ(LangSelectByName(L"ENGLISH"), 1033);
    EXPECT_EQ(Text("10015", L"x"), L"Change Language");
    // Key 20030 present with an empty value yields the default.
    EXPECT_EQ(Text("20030", L"Video"), L"Video");
    wchar_t cut[7];
    EXPECT_EQ(LangGetText("10015", cut, 7, L"x"), 6);
    EXPECT_STREQ(cut, L"Change");
}

TEST_F(LangTableTest, AnUnknownNameKeepsTheCurrentFileAndStoresZero)
{
    AddStandardPair();
    ASSERT_EQ(LangSelectByName(L"English"), 1033);
    EXPECT_EQ(LangSelectByName(L"Klingon"), 0);
    EXPECT_EQ(Stored(), 0);
    EXPECT_EQ(LangCurrentFile(), m_folder.Lang() + "/English.lng");
    // An empty name never selects a file that lacks a display name.
    AddAnsi("Nameless.lng", "[LANGUAGE]\nLangID=7\n");
    EXPECT_EQ(LangSelectByName(L""), 0);
    EXPECT_EQ(LangCurrentFile(), m_folder.Lang() + "/English.lng");
}

TEST_F(LangTableTest, DuplicatesResolveToTheFirstFileByName)
{
    AddAnsi("b.lng", "[LANGUAGE]\nLanguage=Same\nLangID=2052\n[PROMPT]\n1=from b\n");
    AddAnsi("a.lng", "[LANGUAGE]\nLanguage=same\nLangID=2052\n[PROMPT]\n1=from a\n");
    EXPECT_EQ(LangSelectByName(L"Same"), 2052);
    EXPECT_EQ(Text("1", L"x"), L"from a");

    LangClearSelection();
    WriteBytes(LangSettingsFile(), "[Main]\r\nLanguage=2052\r\n");
    EXPECT_EQ(LangSelectStored(), 2052);
    EXPECT_EQ(LangCurrentFile(), m_folder.Lang() + "/a.lng");
}

TEST_F(LangTableTest, StartUpSelectsTheStoredLanguage)
{
    AddStandardPair();
    EXPECT_EQ(LangSelectStored(), 0); // nothing stored: nothing selected
    EXPECT_EQ(LangCurrentFile(), "");
    EXPECT_EQ(Stored(), 0);

    WriteBytes(LangSettingsFile(), "[Main]\r\nLanguage=2052\r\n");
    EXPECT_EQ(LangSelectStored(), 2052);
    EXPECT_EQ(LangText(20030, L"Video"), L"\u89C6\u9891");

    LangClearSelection();
    WriteBytes(LangSettingsFile(), "[Main]\r\nLanguage=1041\r\n");
    EXPECT_EQ(LangSelectStored(), 0);
    EXPECT_EQ(LangCurrentFile(), "");
    EXPECT_EQ(Stored(), 0);
}

TEST_F(LangTableTest, BrokenLanguageFilesFallBackToTheDefaults)
{
    std::string cut = Utf16Le(LangFileText(L"Broken", L"77", L"1=abc\r\n2=de"));
    cut.pop_back(); // odd byte count: the last character is half there
    AddAnsi("Broken.lng", cut);
    AddAnsi("NoSections.lng", "Language=Flat\nLangID=5\n1=flat\n");
    AddAnsi("Noise.lng", std::string("\x00\xFF[\x01=\x02\n\xC3", 7));
    ASSERT_EQ(LangSelectByName(L"Broken"), 77);
    EXPECT_EQ(LangText(1, L"x"), L"abc");
    EXPECT_EQ(LangText(2, L"x"), L"d");
    EXPECT_EQ(LangSelectByName(L"Flat"), 0);
    const auto files = LangListFiles();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[1].fileName, "NoSections.lng");
    EXPECT_EQ(files[1].displayName, L"");
    EXPECT_EQ(files[1].langId, 0u);
}

TEST_F(LangTableTest, ListsOnlyLanguageFilesSortedByName)
{
    AddAnsi("z.LNG", "[LANGUAGE]\nLanguage=Zed\nLangID=3\n");
    AddAnsi("m.lng", "[LANGUAGE]\nLanguage=Em\n");
    AddAnsi("a.txt", "[LANGUAGE]\nLanguage=Text\n");
    std::filesystem::create_directory(m_folder.Lang() + "/dir.lng");
    const auto files = LangListFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].fileName, "m.lng");
    EXPECT_EQ(files[0].langId, 0u);
    EXPECT_EQ(files[1].displayName, L"Zed");
    EXPECT_EQ(files[1].langId, 3u);
}

TEST_F(LangTableTest, RelabellingReadsSectionsByControlAndMenuKeys)
{
    AddStandardPair();
    EXPECT_EQ(LangReadLabel("BTNMENU", LangMenuKey(32773)), L""); // nothing selected yet
    ASSERT_EQ(LangSelectByName(L"English"), 1033);
    EXPECT_EQ(LangReadLabel("btnmenu", LangMenuKey(32773)), L"&About");
    EXPECT_EQ(LangReadLabel("BTNMENU", LangSubmenuKey(LangSubmenuKey("", 0), 2)), L"Deep item");
    EXPECT_EQ(LangReadLabel("BTNMENU", LangMenuKey(1)), L"");
    EXPECT_EQ(LangSubmenuKey("", 3), "|3");
    EXPECT_EQ(LangSubmenuKey("|3", 1), "|3|1");

    AddAnsi("Long.lng", "[LANGUAGE]\nLanguage=Long\n[ABOUT]\n1001=" + std::string(2000, 'w') + "\n");
    ASSERT_EQ(LangSelectByName(L"Long"), 0);
    EXPECT_EQ(LangReadLabel("ABOUT", "1001"), std::wstring(1023, L'w'));
}

TEST_F(LangTableTest, MenuPlanMarksTheStoredLanguage)
{
    ScopedLocale locale("en_US.UTF-8");
    AddStandardPair();
    WriteBytes(LangSettingsFile(), "[Main]\r\nLanguage=2052\r\n");
    const LangMenuPlan plan = LangPlanMenu();
    ASSERT_EQ(plan.items.size(), 2u);
    EXPECT_EQ(plan.items[0].commandId, 99u);
    EXPECT_TRUE(plan.items[0].replacesPlaceholder);
    EXPECT_EQ(plan.items[0].text, L"\u7B80\u4F53\u4E2D\u6587"); // Chinese.lng sorts first
    EXPECT_EQ(plan.items[1].commandId, 100u);
    EXPECT_FALSE(plan.items[1].replacesPlaceholder);
    EXPECT_EQ(plan.checkedId, 99u);
    EXPECT_EQ(plan.endCommandId, 101u);
    EXPECT_EQ(Stored(), 2052);
}

TEST_F(LangTableTest, MenuPlanFallsBackToTheLocaleAndStoresIt)
{
    ScopedLocale locale("zh_CN.UTF-8");
    AddStandardPair();
    const LangMenuPlan plan = LangPlanMenu();
    EXPECT_EQ(plan.wantedLangId, 2052u);
    EXPECT_EQ(plan.checkedId, 99u);
    EXPECT_EQ(Stored(), 2052);
}

TEST_F(LangTableTest, MenuPlanEdgeCases)
{
    ScopedLocale locale(nullptr);
    // The first file has no display name: the placeholder stays, the next
    // file is appended with ID 100. Two files share the wanted LangID: the
    // last one is marked.
    AddAnsi("a.lng", "[LANGUAGE]\nLangID=1033\n");
    AddAnsi("b.lng", "[LANGUAGE]\nLanguage=B\nLangID=1033\n");
    AddAnsi("c.lng", "[LANGUAGE]\nLanguage=C\nLangID=1033\n");
    const LangMenuPlan plan = LangPlanMenu();
    ASSERT_EQ(plan.items.size(), 2u);
    EXPECT_EQ(plan.items[0].commandId, 100u);
    EXPECT_FALSE(plan.items[0].replacesPlaceholder);
    EXPECT_EQ(plan.checkedId, 101u);
    EXPECT_EQ(Stored(), 1033);
}

TEST_F(LangTableTest, MenuPlanListsAtMostFiftyLanguages)
{
    for (int i = 0; i < 55; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "lang%02d.lng", i);
        AddAnsi(name,
                "[LANGUAGE]\nLanguage=L" + std::to_string(i) + "\nLangID=" + std::to_string(5000 + i) + "\n");
    }
    WriteBytes(LangSettingsFile(), "[Main]\r\nLanguage=5052\r\n");
    const LangMenuPlan plan = LangPlanMenu();
    ASSERT_EQ(plan.items.size(), 50u);
    EXPECT_EQ(plan.items.back().commandId, 148u);
    EXPECT_EQ(plan.endCommandId, 149u);
    EXPECT_EQ(plan.checkedId, 0u); // lang52 is beyond the list
    EXPECT_TRUE(LangIsActionableCommand(99));
    EXPECT_TRUE(LangIsActionableCommand(109));
    EXPECT_FALSE(LangIsActionableCommand(110));
    EXPECT_FALSE(LangIsActionableCommand(98));
}

TEST(LangFolder, WithoutALangFolderThePopupIsEmptyAndTheLocaleIsStoredNowhere)
{
    ScopedLocale locale("de_DE.UTF-8");
    TempProgramFolder folder;
    std::filesystem::remove_all(folder.Lang());
    const LangMenuPlan plan = LangPlanMenu();
    EXPECT_TRUE(plan.items.empty());
    EXPECT_EQ(plan.wantedLangId, 1033u);
    EXPECT_EQ(plan.checkedId, 0u);
    EXPECT_EQ(LangSelectStored(), 0);
    EXPECT_EQ(LangText(10016, L"Refresh"), L"Refresh");
}

TEST(LangLocale, SystemDefaultFollowsTheLocaleVariables)
{
    {
        ScopedLocale locale("zh_CN.GB18030");
        EXPECT_EQ(LangSystemDefaultId(), 2052u);
    }
    {
        ScopedLocale locale("en_GB.UTF-8");
        EXPECT_EQ(LangSystemDefaultId(), 1033u);
    }
    {
        ScopedLocale locale("fr_FR");
        ::setenv("LC_ALL", "zh_SG.UTF-8", 1);
        EXPECT_EQ(LangSystemDefaultId(), 2052u);
    }
    {
        ScopedLocale locale(nullptr);
        EXPECT_EQ(LangSystemDefaultId(), 1033u);
    }
}
} // namespace
