#include "OperationLog.h"

#include "DebugOutput.h"
#include "SupportTestFiles.h"

#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {
std::vector<std::string> LogFiles(const std::string& folder)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> Lines(const std::string& path)
{
    std::vector<std::string> lines;
    const std::string bytes = ReadBytes(path);
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
    }
    EXPECT_EQ(start, bytes.size()) << "the file does not end in CR LF";
    return lines;
}

// True when text matches pattern, where '9' stands for any digit.
bool MatchesDigits(const std::string& text, const std::string& pattern)
{
    if (text.size() != pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '9' ? !digit : text[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

// The text part of a line, after checking its time stamp.
std::string TextOf(const std::string& line)
{
    const std::string stamp = "9999-99-99 99:99:99:999 ";
    EXPECT_TRUE(MatchesDigits(line.substr(0, stamp.size()), stamp)) << line;
    return line.size() < stamp.size() ? line : line.substr(stamp.size());
}

// Captures the debugger output while alive.
class DebugCapture
{
public:
    DebugCapture()
    {
        PlatformSetDebugSink([this](std::string_view text) { m_text += text; });
    }
    ~DebugCapture() { PlatformSetDebugSink({}); }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

TEST(OperationLog, CreatesItsFolderAndAnEmptyFileThenAppendsStampedLines)
{
    TempProgramFolder root;
    const std::string folder = root.Path() + "/deep/er/Logs";
    COperationLog log(folder);
    ASSERT_TRUE(log.IsOpen());
    const auto files = LogFiles(folder);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(MatchesDigits(fs::path(files[0]).filename().string(), "vtlog9999-99-99 99-99-99.txt"));
    EXPECT_EQ(ReadBytes(files[0]), "");

    log.WriteLine("first\n");
    log.WriteLine("two\nparts\n");
    log.WriteLine(nullptr);
    const auto lines = Lines(files[0]);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(TextOf(lines[0]), "first");
    EXPECT_EQ(TextOf(lines[1]), "two");
    EXPECT_EQ(lines[2], "parts");
}

TEST(OperationLog, ALongLineIsCutButKeepsItsLineEnd)
{
    TempProgramFolder root;
    COperationLog log(root.Path() + "/Logs");
    log.WriteLine((std::string(3000, 'x') + "\n").c_str());
    log.WriteLine("next\n");
    const auto lines = Lines(log.CurrentPath());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 1022u); // 1023 bytes with the line feed
    EXPECT_EQ(TextOf(lines[1]), "next");
}

TEST(OperationLog, WithoutAFolderEveryLineIsDropped)
{
    TempProgramFolder root;
    WriteBytes(root.Path() + "/blocker", "a file where the folder should go");
    COperationLog log(root.Path() + "/blocker/Logs");
    EXPECT_FALSE(log.IsOpen());
    log.WriteLine("lost\n");
    EXPECT_FALSE(fs::exists(root.Path() + "/blocker/Logs"));
}

TEST(OperationLog, ANewFileInTheSameSecondNeverEmptiesTheLastOne)
{
    TempProgramFolder root;
    COperationLog log(root.Path() + "/Logs");
    const std::string first = log.CurrentPath();
    log.WriteLine("kept\n");
    for (int i = 0; i < 3; ++i) {
        log.OpenNewFile();
    }
    EXPECT_EQ(LogFiles(root.Path() + "/Logs").size(), 4u);
    EXPECT_NE(log.CurrentPath(), first);
    ASSERT_EQ(Lines(first).size(), 1u);
    EXPECT_EQ(TextOf(Lines(first)[0]), "kept");
}

TEST(OperationLog, NewFilesTidyTheFolder)
{
    TempProgramFolder root;
    const std::string folder = root.Path() + "/Logs";
    fs::create_directories(folder + "/keep.dir");
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    const int year = tm.tm_year + 1900;
    const int month = tm.tm_mon + 1;
    const int prevYear = month == 1 ? year - 1 : year;
    const int prevMonth = month == 1 ? 12 : month - 1;
    char previous[64];
    char current[64];
    std::snprintf(previous, sizeof previous, "vtlog%d-%02d-28 10-00-00.txt", prevYear, prevMonth);
    std::snprintf(current, sizeof current, "vtlog%d-%02d-01 00-00-00.txt", year, month);
    for (const char* name :
         {"junk.log", "notes.TXT", "vtlog2019-01-01 00-00-00.txt", "vtlog2019-01-01 00-00-00 (2).txt",
          "readme.txt", static_cast<const char*>(previous), static_cast<const char*>(current)}) {
        WriteBytes(folder + "/" + name, "x");
    }
    COperationLog log(folder);
    EXPECT_FALSE(fs::exists(folder + "/junk.log"));
    EXPECT_FALSE(fs::exists(folder + "/notes.TXT"));
    EXPECT_FALSE(fs::exists(folder + "/vtlog2019-01-01 00-00-00.txt"));
    EXPECT_FALSE(fs::exists(folder + "/vtlog2019-01-01 00-00-00 (2).txt"));
    EXPECT_TRUE(fs::exists(folder + "/readme.txt"));
    EXPECT_TRUE(fs::exists(folder + "/" + previous));
    EXPECT_TRUE(fs::exists(folder + "/" + current));
    EXPECT_TRUE(fs::is_directory(folder + "/keep.dir"));
}

TEST(OperationLog, RotatesAfterItsLineLimit)
{
    TempProgramFolder root;
    const std::string folder = root.Path() + "/Logs";
    COperationLog log(folder);
    const std::string first = log.CurrentPath();
    char text[32];
    unsigned n = 1;
    for (; n < COperationLog::kLinesPerFile; ++n) {
        std::snprintf(text, sizeof text, "line %u\n", n);
        log.WriteLine(text);
    }
    EXPECT_EQ(LogFiles(folder).size(), 1u);
    EXPECT_EQ(Lines(first).size(), COperationLog::kLinesPerFile - 1);

    // The line that reaches the limit is the first of the new file.
    log.WriteLine("line 102400\n");
    const std::string second = log.CurrentPath();
    ASSERT_NE(second, first);
    ASSERT_EQ(LogFiles(folder).size(), 2u);
    EXPECT_EQ(TextOf(Lines(second).at(0)), "line 102400");

    // After a rotation the 102400th further line starts the third file.
    for (unsigned k = 1; k < COperationLog::kLinesPerFile; ++k) {
        log.WriteLine("more\n");
    }
    EXPECT_EQ(log.CurrentPath(), second);
    log.WriteLine("third\n");
    ASSERT_EQ(LogFiles(folder).size(), 3u);
    EXPECT_EQ(Lines(second).size(), COperationLog::kLinesPerFile);
    const auto third = Lines(log.CurrentPath());
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(TextOf(third[0]), "third");
}

TEST(OperationLog, LinesFromManyThreadsStayWhole)
{
    TempProgramFolder root;
    COperationLog log(root.Path() + "/Logs");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log, t] {
            const std::string text = "thread " + std::to_string(t) + " " + std::string(200, 'a' + t) + "\n";
            for (int i = 0; i < 1000; ++i) {
                log.WriteLine(text.c_str());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const auto lines = Lines(log.CurrentPath());
    ASSERT_EQ(lines.size(), 4000u);
    for (const auto& line : lines) {
        const std::string text = TextOf(line);
        ASSERT_EQ(text.size(), 209u);
        EXPECT_EQ(text.find_first_not_of(text[208], 9), std::string::npos) << text;
    }
}

TEST(Trace, LevelOneWritesToTheDebuggerAndTheFileOtherLevelsNothing)
{
    const std::string path = COperationLog::Process().CurrentPath();
    ASSERT_TRUE(COperationLog::Process().IsOpen());
    const std::size_t before = Lines(path).size();
    DebugCapture debug;
    TraceA(0, "Delete One Timeout Ipc by check per 30s: %s.", "10.0.0.2");
    TraceA(2, "level two");
    TraceW(0, L"Password:%s", L"secret");
    EXPECT_EQ(debug.Text(), "");
    EXPECT_EQ(Lines(path).size(), before);

    TraceA(1, "Check_30 Disconnect IPC:%s %ds", "10.0.0.2", 64);
    EXPECT_EQ(debug.Text(), "[zendrix]Check_30 Disconnect IPC:10.0.0.2 64s\n");
    const auto lines = Lines(path);
    ASSERT_EQ(lines.size(), before + 1);
    EXPECT_EQ(TextOf(lines.back()), "[zendrix]Check_30 Disconnect IPC:10.0.0.2 64s");
}

TEST(Trace, WideTracesEscapeTheFileCopyAndTakeWindowsFormats)
{
    const std::string path = COperationLog::Process().CurrentPath();
    DebugCapture debug;
    TraceW(1, L"File Path:%s %S %c%C %ls %5.2f", L"C:\\oem\\it's \u4E2D", "narrow", L'w', 'n', L"long",
           3.14159);
    EXPECT_EQ(debug.Text(), "[zendrix]File Path:C:\\oem\\it's \xE4\xB8\xAD narrow wn long  3.14\n");
    EXPECT_EQ(TextOf(Lines(path).back()),
              "[zendrix]File Path:C:\\\\oem\\\\it\\'s \xE4\xB8\xAD narrow wn long  3.14");

    TraceA(1, "%s", std::string(3000, 'y').c_str());
    EXPECT_EQ(TextOf(Lines(path).back()).size(), 1023u - 24u - 1u);
    TraceW(1, L"%s", std::wstring(3000, L'\\').c_str());
    const std::string wideLine = TextOf(Lines(path).back());
    EXPECT_EQ(wideLine.rfind("[zendrix]\\\\", 0), 0u);
    EXPECT_LE(wideLine.size(), 1022u);
}

TEST(Trace, CameraTextsCannotForgeLinesOrBreakTheFilesUtf8)
{
    const std::string path = COperationLog::Process().CurrentPath();
    const std::size_t before = Lines(path).size();
    DebugCapture debug;
    // What a hostile camera puts in its address: a line of its own, and raw bytes.
    TraceA(1, "Check_30 Disconnect IPC:%s %ds", "10.0.0.2\r\n2026-01-01 00:00:00:000 [zendrix]forged", 64);
    TraceA(1, "Check_5 Disconnect IPC:%s %ds", "\xFF\xFE\x80\x1b[31m", 64);
    TraceW(1, L"File Path:%s", L"a\nb\u2028c");
    EXPECT_EQ(debug.Text(), "[zendrix]Check_30 Disconnect IPC:10.0.0.2\\r\\n2026-01-01 00:00:00:000 "
                            "[zendrix]forged 64s\n"
                            "[zendrix]Check_5 Disconnect IPC:\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\\x1B[31m 64s\n"
                            "[zendrix]File Path:a\\nb\\u2028c\n");
    const auto lines = Lines(path);
    ASSERT_EQ(lines.size(), before + 3) << "three traces, three lines";
    EXPECT_EQ(TextOf(lines[before + 1]), "[zendrix]Check_5 Disconnect IPC:\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\\x1B[31m 64s");
    EXPECT_EQ(TextOf(lines[before + 2]), "[zendrix]File Path:a\\\\nb\\\\u2028c")
        << "the wide trace's file copy doubles the escapes' backslashes like any other";
}
} // namespace
