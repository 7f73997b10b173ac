#include "IniFile.h"

#include "SupportTestFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {
std::optional<std::wstring> Find(const std::string& bytes, const wchar_t* section, const wchar_t* key)
{
    return IniFindValue(IniParse(bytes), section, key);
}

TEST(IniRead, ReadsEveryEncodingByItsMark)
{
    const std::wstring text = L"[PROMPT]\r\n20030=\u89C6\u9891\r\n";
    EXPECT_EQ(Find(Utf16Le(text), L"PROMPT", L"20030"), L"\u89C6\u9891");
    EXPECT_EQ(Find("\xEF\xBB\xBF[PROMPT]\n20030=\xE8\xA7\x86\xE9\xA2\x91\n", L"PROMPT", L"20030"),
              L"\u89C6\u9891");
    std::string bigEndian = "\xFE\xFF";
    for (wchar_t w : text) {
        bigEndian += static_cast<char>(w >> 8);
        bigEndian += static_cast<char>(w & 0xFF);
    }
    EXPECT_EQ(Find(bigEndian, L"PROMPT", L"20030"), L"\u89C6\u9891");
    EXPECT_EQ(Find("[PROMPT]\r20030=Video\r", L"PROMPT", L"20030"), L"Video");
}

TEST(IniRead, NamesIgnoreCaseAndTheFirstMatchWins)
{
    const std::string file =
        "[Prompt]\nKey=first\nkey=second\n[prompt]\nother=later section\n[PROMPT]\nkey=third\n";
    EXPECT_EQ(Find(file, L"PROMPT", L"KEY"), L"first");
    // Only the first section of a name is searched, as Windows does.
    EXPECT_EQ(Find(file, L"PROMPT", L"other"), std::nullopt);
    EXPECT_EQ(Find("\xEF\xBB\xBF[\xC3\x89T\xC3\x89]\nA=1\n", L"\u00E9t\u00E9", L"a"), L"1");
}

TEST(IniRead, TrimsBlanksStripsQuotesAndSkipsComments)
{
    const std::string file = "  [ MAIN ]  \n ; Language=commented\n\tLanguage =  \"2052\"  \nName='it''s'\n"
                             "Quote=\"open\nEmpty=\nBare\n";
    EXPECT_EQ(Find(file, L"MAIN", L"Language"), L"2052");
    EXPECT_EQ(Find(file, L"MAIN", L"Name"), L"it''s");
    EXPECT_EQ(Find(file, L"MAIN", L"Quote"), L"\"open");
    EXPECT_EQ(Find(file, L"MAIN", L"Empty"), L"");
    EXPECT_EQ(Find(file, L"MAIN", L"Bare"), L"");
    EXPECT_EQ(Find(file, L"MAIN", L"Missing"), std::nullopt);
}

TEST(IniRead, BadInputMatchesNothingAndNeverFails)
{
    // Entries before any section belong to none.
    EXPECT_EQ(Find("Language=1\nLangID=2\n", L"LANGUAGE", L"Language"), std::nullopt);
    // A truncated UTF-16 file: the half character at the end is dropped.
    std::string cut = Utf16Le(L"[PROMPT]\r\n1=ab");
    cut += 'c';
    EXPECT_EQ(Find(cut, L"PROMPT", L"1"), L"ab");
    // A lone surrogate becomes a replacement character.
    std::string lone = Utf16Le(L"[P]\n1=x");
    lone += std::string("\x00\xD8", 2);
    EXPECT_EQ(Find(lone, L"P", L"1"), L"x\uFFFD");
    // A header without its bracket is an entry, not a section.
    EXPECT_EQ(Find("[PROMPT\n1=a\n", L"PROMPT", L"1"), std::nullopt);
    EXPECT_EQ(Find(std::string("[P]\n1=a\0b\n", 10), L"P", L"1"), std::wstring(L"a\0b", 3));
    EXPECT_TRUE(IniParse("").lines.empty());
    EXPECT_TRUE(IniParse("\xFF\xFE").lines.empty());
}

TEST(IniRead, ReadsNumbersAsGetPrivateProfileIntDoes)
{
    EXPECT_EQ(IniParseInt(L" 2052"), 2052);
    EXPECT_EQ(IniParseInt(L"-7x"), -7);
    EXPECT_EQ(IniParseInt(L"12ab"), 12);
    EXPECT_EQ(IniParseInt(L"abc"), 0);
    EXPECT_EQ(IniParseInt(L"0x804"), 0);
}

TEST(IniFiles, ReadsAndWritesRealFiles)
{
    TempProgramFolder folder;
    const std::string path = folder.Path() + "/settings.ini";
    EXPECT_EQ(IniReadValue(path, L"Main", L"Language"), std::nullopt);
    EXPECT_EQ(IniReadInt(path, L"Main", L"Language", 5), 5);

    ASSERT_TRUE(IniWriteValue(path, L"Main", L"Language", L"2052"));
    EXPECT_EQ(ReadBytes(path), "[Main]\r\nLanguage=2052\r\n");
    ASSERT_TRUE(IniWriteValue(path, L"MAIN", L"language", L"1033"));
    EXPECT_EQ(IniReadInt(path, L"Main", L"Language", 0), 1033);
    ASSERT_TRUE(IniWriteValue(path, L"Main", L"Other", L"x"));
    ASSERT_TRUE(IniWriteValue(path, L"Second", L"Key", L"y"));
    EXPECT_EQ(ReadBytes(path), "[Main]\r\nlanguage=1033\r\nOther=x\r\n[Second]\r\nKey=y\r\n");
}

TEST(IniFiles, WritingKeepsTheRestOfTheFileAndItsEncoding)
{
    TempProgramFolder folder;
    const std::string path = folder.Path() + "/Language.ini";
    // A comment, a foreign section and a file without a final line end.
    WriteBytes(path, Utf16Le(L"; chosen language\r\n[Other]\r\nA=\u4E2D\r\n[Main]\r\nLanguage=1033"));
    ASSERT_TRUE(IniWriteValue(path, L"Main", L"Language", L"2052"));
    EXPECT_EQ(ReadBytes(path),
              Utf16Le(L"; chosen language\r\n[Other]\r\nA=\u4E2D\r\n[Main]\r\nLanguage=2052"));
    ASSERT_TRUE(IniWriteValue(path, L"Other", L"B", L"\u6587"));
    EXPECT_EQ(ReadBytes(path),
              Utf16Le(L"; chosen language\r\n[Other]\r\nA=\u4E2D\r\nB=\u6587\r\n[Main]\r\nLanguage=2052"));

    const std::string unix = folder.Path() + "/unix.ini";
    WriteBytes(unix, "[Main]\nx=1\n");
    ASSERT_TRUE(IniWriteValue(unix, L"Main", L"y", L"2"));
    EXPECT_EQ(ReadBytes(unix), "[Main]\nx=1\ny=2\n");
}

TEST(IniFiles, RefusesWhatWouldBreakTheFile)
{
    TempProgramFolder folder;
    const std::string path = folder.Path() + "/refused.ini";
    EXPECT_FALSE(IniWriteValue(path, L"Main", L"Key", L"two\nlines"));
    EXPECT_FALSE(IniWriteValue(path, L"Main", L"a=b", L"1"));
    EXPECT_FALSE(IniWriteValue(path, L"Ma]in", L"a", L"1"));
    EXPECT_FALSE(IniWriteValue(path, L"", L"a", L"1"));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(IniWriteValue(folder.Path() + "/no/such/folder/x.ini", L"Main", L"a", L"1"));
    // A truncated UTF-16 file loses its stray half character, not its alignment.
    std::string cut = Utf16Le(L"[Main]\r\na=1\r\n");
    cut += 'x';
    WriteBytes(path, cut);
    ASSERT_TRUE(IniWriteValue(path, L"Next", L"b", L"2"));
    EXPECT_EQ(IniReadValue(path, L"Next", L"b"), L"2");
    EXPECT_EQ(IniReadValue(path, L"Main", L"a"), L"1");
}
TEST(IniFiles, WritersInManyThreadsKeepEveryChangeAndTheFileMode)
{
    TempProgramFolder folder;
    const std::string path = folder.Path() + "/shared.ini";
    WriteBytes(path, "[Main]\r\n");
    ::chmod(path.c_str(), 0600);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&path, t] {
            for (int i = 0; i < 25; ++i) {
                const std::wstring key = L"k" + std::to_wstring(t) + L"_" + std::to_wstring(i);
                EXPECT_TRUE(IniWriteValue(path, L"Main", key, std::to_wstring(t * 100 + i)));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 25; ++i) {
            const std::wstring key = L"k" + std::to_wstring(t) + L"_" + std::to_wstring(i);
            EXPECT_EQ(IniReadInt(path, L"Main", key, -1), t * 100 + i);
        }
    }
    struct stat st
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2); // Lang and the file
}
} // namespace
