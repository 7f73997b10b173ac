#include "OperationLog.h"

#include "DebugOutput.h"
#include "LogText.h"
#include "ProgramFolder.h"
#include "TextCodec.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <cwctype>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kMaxLineBytes = 1023;
constexpr std::size_t kMaxTraceChars = 1023;
constexpr int kMaxNameSuffix = 1000;

struct LocalTime
{
    std::tm tm{};
    int millis = 0;
};

LocalTime Now()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    LocalTime t;
    localtime_r(&seconds, &t.tm);
    t.millis = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

// Creates the file only when no file of that name exists, so a second file
// within the same second never empties the first.
bool CreateExclusive(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

// "vtlogYYYY-MM-..." gives its year * 12 + month; -1 for any other name.
int MonthOfLogName(const std::string& name)
{
    int year = 0;
    int month = 0;
    char dash = 0;
    if (name.rfind("vtlog", 0) != 0 ||
        std::sscanf(name.c_str() + 5, "%4d-%2d%c", &year, &month, &dash) != 3 || dash != '-' || month < 1 ||
        month > 12) {
        return -1;
    }
    return year * 12 + (month - 1);
}

// Windows wide printf takes %s and %c as wide and %S and %C as narrow; glibc
// reads them the other way round. Trace formats are written the Windows way,
// so they are rewritten before formatting.
std::wstring ToGlibcWideFormat(const wchar_t* format)
{
    std::wstring out;
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        out += *p;
        if (*p != L'%') {
            continue;
        }
        ++p;
        if (*p == L'%') {
            out += *p;
            continue;
        }
        while (*p != L'\0' && std::wcschr(L"-+ #0'123456789.*", *p) != nullptr) {
            out += *p++;
        }
        std::wstring length;
        while (*p != L'\0' && std::wcschr(L"hlLqjzt", *p) != nullptr) {
            length += *p++;
        }
        if (*p == L'\0') {
            out += length;
            break;
        }
        const bool text = *p == L's' || *p == L'c' || *p == L'S' || *p == L'C';
        if (!text) {
            out += length;
            out += *p;
        } else if (length.empty()) {
            out += (*p == L's' || *p == L'c') ? L"l" : L"";
            out += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(*p)));
        } else if (length == L"h") {
            out += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(*p)));
        } else {
            out += L"l";
            out += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(*p)));
        }
    }
    return out;
}

// Cuts UTF-8 text to at most max bytes without splitting a character.
void CutUtf8(std::string& text, std::size_t max)
{
    if (text.size() <= max) {
        return;
    }
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
}
} // namespace

// Without a program folder there is no place for the log: it is not written
// rather than written to /Logs.
COperationLog::COperationLog()
    : COperationLog(PlatformProgramFolder().empty() ? std::string() : PlatformProgramFolder() + "/Logs")
{
}

COperationLog::COperationLog(std::string logsFolder) : m_folder(std::move(logsFolder))
{
    OpenNewFile();
}

COperationLog& COperationLog::Process()
{
    // Never destroyed: a trace from another object's destructor at exit still
    // finds it. Nothing is held open between lines, so nothing is lost.
    static COperationLog* const log = new COperationLog();
    return *log;
}

bool COperationLog::IsOpen() const
{
    std::lock_guard lock(m_lock);
    return m_open;
}

std::string COperationLog::CurrentPath() const
{
    std::lock_guard lock(m_lock);
    return m_path;
}

void COperationLog::OpenNewFile()
{
    std::lock_guard lock(m_lock);
    OpenNewFileLocked();
}

void COperationLog::OpenNewFileLocked()
{
    std::error_code ec;
    if (m_folder.empty()) {
        return;
    }
    fs::create_directories(m_folder, ec);
    if (ec || !fs::is_directory(m_folder, ec)) {
        return;
    }
    PurgeOldFiles();

    const LocalTime t = Now();
    char name[64];
    std::snprintf(name, sizeof name, "vtlog%d-%02d-%02d %02d-%02d-%02d", t.tm.tm_year + 1900, t.tm.tm_mon + 1,
                  t.tm.tm_mday, t.tm.tm_hour, t.tm.tm_min, t.tm.tm_sec);
    const std::string base = m_folder + "/" + name;
    m_path = base + ".txt";
    if (CreateExclusive(m_path)) {
        m_open = true;
        return;
    }
    for (int n = 2; n <= kMaxNameSuffix && fs::exists(m_path, ec); ++n) {
        const std::string candidate = base + " (" + std::to_string(n) + ").txt";
        if (CreateExclusive(candidate)) {
            m_path = candidate;
            m_open = true;
            return;
        }
        m_path = candidate;
    }
}

void COperationLog::PurgeOldFiles() const
{
    const LocalTime t = Now();
    const int oldestKept = (t.tm.tm_year + 1900) * 12 + t.tm.tm_mon - 1;
    std::error_code ec;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            continue;
        }
        const std::string name = it->path().filename().string();
        if (name.find(".txt") == std::string::npos) {
            doomed.push_back(it->path());
            continue;
        }
        const int month = MonthOfLogName(name);
        if (month >= 0 && month < oldestKept) {
            doomed.push_back(it->path());
        }
    }
    for (const fs::path& path : doomed) {
        fs::remove(path, ec);
    }
}

void COperationLog::WriteLine(const char* text)
{
    if (text == nullptr) {
        return;
    }
    std::lock_guard lock(m_lock);
    if (!m_open) {
        return;
    }
    if (++m_lineCount >= kLinesPerFile) {
        OpenNewFileLocked();
        m_lineCount = 0;
    }
    const LocalTime t = Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%d-%02d-%02d %02d:%02d:%02d:%03d", t.tm.tm_year + 1900,
                  t.tm.tm_mon + 1, t.tm.tm_mday, t.tm.tm_hour, t.tm.tm_min, t.tm.tm_sec, t.millis);
    std::string line = std::string(stamp) + " " + text;
    if (line.size() > kMaxLineBytes) {
        // A cut line keeps its line end, so the next line does not run into it.
        const bool endsLine = line.back() == '\n';
        line.resize(endsLine ? kMaxLineBytes - 1 : kMaxLineBytes);
        if (endsLine) {
            line += '\n';
        }
    }
    std::string bytes;
    bytes.reserve(line.size() + 8);
    for (char c : line) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    std::FILE* file = std::fopen(m_path.c_str(), "ab");
    if (file == nullptr) {
        return;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

void TraceA(int level, const char* format, ...)
{
    if (level != 1 || format == nullptr) {
        return;
    }
    char text[kMaxTraceChars + 2] = "[zendrix]";
    const std::size_t prefix = std::strlen(text);
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + prefix, kMaxTraceChars + 1 - prefix, format, args);
    va_end(args);
    // Traces carry what cameras report (names, addresses): a line end or a
    // stray byte in them must not make a line of its own or break the file's
    // UTF-8.
    std::string line = EscapeLogText(text);
    CutUtf8(line, kMaxTraceChars);
    line += '\n';
    PlatformDebugOutput(line.c_str());
    COperationLog::Process().WriteLine(line.c_str());
}

void TraceW(int level, const wchar_t* format, ...)
{
    if (level != 1 || format == nullptr) {
        return;
    }
    const std::wstring glibcFormat = ToGlibcWideFormat(format);
    // vswprintf reports a cut result as a failure, so format into room enough
    // for the longest trace and cut afterwards.
    std::vector<wchar_t> buffer(16 * 1024, L'\0');
    va_list args;
    va_start(args, format);
    std::vswprintf(buffer.data(), buffer.size() - 1, glibcFormat.c_str(), args);
    va_end(args);
    std::wstring text = L"[zendrix]";
    text += EscapeLogText(std::wstring_view(buffer.data()));
    text.resize(std::min(text.size(), kMaxTraceChars));
    PlatformDebugOutputW((text + L'\n').c_str());
    // The escaping can lengthen the text; the line end is added after the
    // cut so the file line always ends.
    char narrow[kMaxTraceChars + 2];
    CTextCodec::ToNarrow(kCodePageUtf8, text.c_str(), narrow, kMaxTraceChars);
    std::strcat(narrow, "\n");
    COperationLog::Process().WriteLine(narrow);
}
