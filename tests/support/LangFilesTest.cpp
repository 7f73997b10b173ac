// The shipped language files, read through the program's own reader.
#include "IniFile.h"
#include "LangKeys.h"
#include "LangTable.h"
#include "SupportTestFiles.h"

#include <gtest/gtest.h>

namespace {
const std::string kSourceLang = ZX_LANG_SOURCE_DIR;

std::vector<unsigned> SubTypeKeys()
{
    std::vector<unsigned> keys{kLangAllSubTypesKey};
    const struct
    {
        unsigned first;
        unsigned count;
    } ranges[] = {{11, 7}, {100, 18}, {200, 7}, {300, 7}};
    for (const auto& range : ranges) {
        for (unsigned code = range.first; code < range.first + range.count; ++code) {
            keys.push_back(31000 + code);
        }
    }
    return keys;
}

class ShippedLanguage : public ::testing::TestWithParam<const char*>
{
protected:
    IniDocument Load() const
    {
        const std::string bytes = ReadBytes(kSourceLang + "/" + GetParam());
        EXPECT_FALSE(bytes.empty()) << GetParam();
        return IniParse(bytes);
    }
};

TEST_P(ShippedLanguage, CarriesEveryKeyWithAText)
{
    const IniDocument doc = Load();
    ASSERT_EQ(LangKeyCount(), 299u);
    for (std::size_t i = 0; i < LangKeyCount(); ++i) {
        const unsigned key = LangKeyTable()[i].key;
        const auto value = IniFindValue(doc, L"PROMPT", std::to_wstring(key));
        ASSERT_TRUE(value.has_value()) << "key " << key;
        EXPECT_FALSE(value->empty()) << "key " << key;
        EXPECT_EQ(value->find(L'\uFFFD'), std::wstring::npos) << "key " << key;
    }
    for (unsigned key : SubTypeKeys()) {
        const auto value = IniFindValue(doc, L"PROMPT", std::to_wstring(key));
        EXPECT_TRUE(value.has_value() && !value->empty()) << "sub type key " << key;
    }
    for (const auto& [section, id] : {std::pair{L"ABOUT", LangControl::kAboutVersion},
                                      {L"DLGCUSTOMDL", LangControl::kCustomFileName},
                                      {L"DLGLOG", LangControl::kLogShow},
                                      {L"BTNMENU", LangControl::kMenuAbout}}) {
        const auto value = IniFindValue(doc, section, std::to_wstring(id));
        EXPECT_TRUE(value.has_value() && !value->empty()) << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedLanguage, ::testing::Values("English.lng", "SimplifiedChinese.lng"));

TEST(ShippedEnglish, RepeatsTheBuiltInDefaults)
{
    const IniDocument doc = IniParse(ReadBytes(kSourceLang + "/English.lng"));
    EXPECT_EQ(doc.encoding, IniEncoding::Ansi);
    EXPECT_EQ(IniFindValue(doc, L"LANGUAGE", L"LangID"), L"1033");
    for (std::size_t i = 0; i < LangKeyCount(); ++i) {
        const LangKeyText& entry = LangKeyTable()[i];
        EXPECT_EQ(IniFindValue(doc, L"PROMPT", std::to_wstring(entry.key)), std::wstring(entry.english))
            << "key " << entry.key;
    }
    EXPECT_STREQ(LangDefaultText(20030), L"Video");
    EXPECT_EQ(LangDefaultText(31010), nullptr);
}

TEST(ShippedChinese, IsUtf16AndSwitchesTheProgram)
{
    const IniDocument doc = IniParse(ReadBytes(kSourceLang + "/SimplifiedChinese.lng"));
    EXPECT_EQ(doc.encoding, IniEncoding::Utf16LeBom);
    EXPECT_EQ(IniFindValue(doc, L"LANGUAGE", L"LangID"), L"2052");

    TempProgramFolder folder;
    for (const char* name : {"English.lng", "SimplifiedChinese.lng"}) {
        std::filesystem::copy_file(kSourceLang + "/" + name, folder.Lang() + "/" + name);
    }
    const auto files = LangListFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].displayName, L"English");
    EXPECT_EQ(files[1].displayName, L"\u7B80\u4F53\u4E2D\u6587");
    EXPECT_EQ(LangSelectByName(files[1].displayName), 2052);
    EXPECT_EQ(LangText(10015, L"Change Language"), L"\u5207\u6362\u8BED\u8A00");
    EXPECT_EQ(LangText(31102, L"31102"), L"\u91CD\u542F");
    EXPECT_EQ(LangSelectStored(), 2052);
    EXPECT_EQ(LangSelectByName(L"english"), 1033);
    EXPECT_EQ(LangText(10015, L"x"), L"Change Language");
    LangClearSelection();
}

TEST(ShippedFiles, AreCopiedBesideTheProgram)
{
    for (const char* name : {"English.lng", "SimplifiedChinese.lng"}) {
        EXPECT_EQ(ReadBytes(PlatformExecutableFolder() + "/Lang/" + name),
                  ReadBytes(kSourceLang + "/" + name))
            << name;
    }
}
} // namespace
