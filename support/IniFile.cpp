#include "IniFile.h"

#include "Charset.h"
#include "TextCodec.h"
#include "Utf8Text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Language and settings files are small; anything larger than this is not
// one of them and is read as empty rather than exhausting memory.
constexpr std::size_t kMaxFileBytes = 16u << 20;

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f' || c == 0x1A;
}

std::wstring_view Trim(std::wstring_view s)
{
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

wchar_t FoldCase(wchar_t c)
{
    if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) ||
        (c >= 0x410 && c <= 0x42F)) {
        return static_cast<wchar_t>(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<wchar_t>(c + 0x50);
    }
    return c;
}

struct ParsedLine
{
    enum class Kind
    {
        Blank,
        Section,
        Entry
    } kind = Kind::Blank;
    std::wstring_view name; // section or key
    std::wstring_view value;
};

ParsedLine ParseLine(std::wstring_view text)
{
    ParsedLine line;
    const std::wstring_view t = Trim(text);
    if (t.empty() || t.front() == L';') {
        return line;
    }
    if (t.front() == L'[') {
        const std::size_t close = t.rfind(L']');
        if (close != std::wstring_view::npos) {
            line.kind = ParsedLine::Kind::Section;
            line.name = Trim(t.substr(1, close - 1));
            return line;
        }
    }
    line.kind = ParsedLine::Kind::Entry;
    const std::size_t eq = t.find(L'=');
    if (eq == std::wstring_view::npos) {
        line.name = t;
        return line;
    }
    line.name = Trim(t.substr(0, eq));
    std::wstring_view value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    line.value = value;
    return line;
}

// Follows the lines of a file, in order, looking for one key of one section:
// only the first section of that name counts, and its first matching entry.
// Fed line by line, so it works on a parsed document and on a file being
// scanned alike.
class SectionFinder
{
public:
    SectionFinder(std::wstring_view section, std::wstring_view key) : m_section(section), m_key(key) {}

    // Returns false once nothing later can change the outcome.
    bool Feed(std::size_t index, std::wstring_view text, bool stopAtKey)
    {
        const ParsedLine line = ParseLine(text);
        if (line.kind == ParsedLine::Kind::Section) {
            if (sectionFound) {
                return false;
            }
            if (IniEqualNoCase(line.name, m_section)) {
                sectionFound = true;
                lastEntry = index;
            }
            return true;
        }
        if (!sectionFound || line.kind != ParsedLine::Kind::Entry) {
            return true;
        }
        lastEntry = index;
        if (!keyFound && IniEqualNoCase(line.name, m_key)) {
            keyFound = true;
            keyLine = index;
            value = line.value;
            return !stopAtKey;
        }
        return true;
    }

    bool sectionFound = false;
    std::size_t lastEntry = 0; // the section's header when it has no entry
    bool keyFound = false;
    std::size_t keyLine = 0;
    std::wstring value;

private:
    std::wstring_view m_section;
    std::wstring_view m_key;
};

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info
    {
    };
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.emplace();
        if (static_cast<std::size_t>(info.st_size) <= kMaxFileBytes) {
            bytes->resize(static_cast<std::size_t>(info.st_size));
            std::size_t done = 0;
            while (done < bytes->size()) {
                const ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
                if (n <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(n);
            }
            bytes->resize(done);
        }
    }
    ::close(fd);
    return bytes;
}

std::optional<std::string> EncodeFor(IniEncoding encoding, std::wstring_view text)
{
    std::string out;
    switch (encoding) {
    case IniEncoding::Utf16LeBom:
    case IniEncoding::Utf16BeBom:
        for (wchar_t w : text) {
            auto c = static_cast<char32_t>(w);
            auto put = [&](char32_t unit) {
                const char lo = static_cast<char>(unit & 0xFF);
                const char hi = static_cast<char>(unit >> 8);
                out += encoding == IniEncoding::Utf16LeBom ? lo : hi;
                out += encoding == IniEncoding::Utf16LeBom ? hi : lo;
            };
            if (c >= 0x10000 && c <= 0x10FFFF) {
                put(0xD800 + ((c - 0x10000) >> 10));
                put(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                put((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF ? zxcharset::kReplacement : c);
            }
        }
        return out;
    case IniEncoding::Utf8Bom:
        for (wchar_t w : text) {
            PlatformAppendUtf8(out, static_cast<char32_t>(w));
        }
        return out;
    case IniEncoding::Ansi:
        break;
    }
    return zxcharset::Encode(zxcharset::CharsetOfCodePage(kCodePageAnsi), text, text.size() * 8, true);
}

bool HasLineBreak(std::wstring_view s)
{
    return s.find_first_of(L"\r\n") != std::wstring_view::npos;
}
} // namespace

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    // Written to a fresh file beside the target and renamed over it, so a
    // failure midway leaves the old file whole and two writers never share
    // the scratch file.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    struct stat old
    {
    };
    ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    if (done != bytes.size() || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool IniEqualNoCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

namespace {
IniEncoding EncodingOf(std::string_view bytes, std::size_t& start)
{
    auto startsWith = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
    start = 0;
    if (startsWith("\xFF\xFE")) {
        start = 2;
        return IniEncoding::Utf16LeBom;
    }
    if (startsWith("\xFE\xFF")) {
        start = 2;
        return IniEncoding::Utf16BeBom;
    }
    if (startsWith("\xEF\xBB\xBF")) {
        start = 3;
        return IniEncoding::Utf8Bom;
    }
    return IniEncoding::Ansi;
}

// Splits bytes into lines (CR LF, LF or CR) and hands each one, decoded, to
// visit(byteBegin, byteEnd, text) until it returns false. The text buffer is
// reused from line to line.
template <typename Visit> IniEncoding ScanLines(std::string_view bytes, Visit visit)
{
    std::size_t start = 0;
    const IniEncoding encoding = EncodingOf(bytes, start);
    std::wstring text;
    if (encoding == IniEncoding::Utf16LeBom || encoding == IniEncoding::Utf16BeBom) {
        const bool big = encoding == IniEncoding::Utf16BeBom;
        const std::size_t end = start + (bytes.size() - start) / 2 * 2; // a stray last byte is dropped
        auto unitAt = [&](std::size_t pos) {
            const auto a = static_cast<unsigned char>(bytes[pos]);
            const auto b = static_cast<unsigned char>(bytes[pos + 1]);
            return big ? (a << 8 | b) : (b << 8 | a);
        };
        std::size_t lineBegin = start;
        for (std::size_t pos = start; pos <= end; pos += 2) {
            const bool atEnd = pos == end;
            const int unit = atEnd ? 0 : unitAt(pos);
            if (!atEnd && unit != '\n' && unit != '\r') {
                continue;
            }
            if (!atEnd || pos > lineBegin) {
                zxcharset::DecodeUtf16Into(bytes.substr(lineBegin, pos - lineBegin), big, text);
                if (!visit(lineBegin, pos, text)) {
                    break;
                }
            }
            if (!atEnd && unit == '\r' && pos + 2 < end && unitAt(pos + 2) == '\n') {
                pos += 2;
            }
            lineBegin = pos + 2;
        }
        return encoding;
    }

    const std::string charset =
        encoding == IniEncoding::Utf8Bom ? std::string("UTF-8") : zxcharset::CharsetOfCodePage(kCodePageAnsi);
    std::size_t lineBegin = start;
    for (std::size_t pos = start; pos <= bytes.size(); ++pos) {
        const bool atEnd = pos == bytes.size();
        if (!atEnd && bytes[pos] != '\n' && bytes[pos] != '\r') {
            continue;
        }
        if (!atEnd || pos > lineBegin) {
            const std::string_view raw = bytes.substr(lineBegin, pos - lineBegin);
            const bool ascii = std::all_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) == 0; });
            if (ascii) {
                text.assign(raw.begin(), raw.end());
            } else {
                text = zxcharset::Decode(charset, raw);
            }
            if (!visit(lineBegin, pos, text)) {
                break;
            }
        }
        if (!atEnd && bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') {
            ++pos;
        }
        lineBegin = pos + 1;
    }
    return encoding;
}

// Finds section and key in a parsed document; with stopAtKey the search ends
// at the key, else it runs to the end of the section (for a write).
SectionFinder Locate(const IniDocument& doc, std::wstring_view section, std::wstring_view key, bool stopAtKey)
{
    SectionFinder finder(section, key);
    for (std::size_t i = 0; i < doc.lines.size() && finder.Feed(i, doc.lines[i].text, stopAtKey); ++i) {
    }
    return finder;
}
} // namespace

IniDocument IniParse(std::string_view bytes)
{
    IniDocument doc;
    doc.encoding = ScanLines(bytes, [&doc](std::size_t begin, std::size_t end, const std::wstring& text) {
        doc.lines.push_back({begin, end, text});
        return true;
    });
    return doc;
}

std::optional<std::wstring> IniFindValue(const IniDocument& doc, std::wstring_view section,
                                         std::wstring_view key)
{
    SectionFinder finder = Locate(doc, section, key, true);
    return finder.keyFound ? std::optional<std::wstring>(std::move(finder.value)) : std::nullopt;
}

std::optional<IniDocument> IniLoad(const std::string& path)
{
    const auto bytes = ReadWholeFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    return IniParse(*bytes);
}

std::optional<std::wstring> IniReadValue(const std::string& path, std::wstring_view section,
                                         std::wstring_view key)
{
    // Scanned without building the whole document, stopping at the key:
    // language lookups read the file every time.
    const auto bytes = ReadWholeFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    SectionFinder finder(section, key);
    std::size_t index = 0;
    ScanLines(*bytes, [&](std::size_t, std::size_t, const std::wstring& text) {
        return finder.Feed(index++, text, true);
    });
    return finder.keyFound ? std::optional<std::wstring>(std::move(finder.value)) : std::nullopt;
}

int IniReadInt(const std::string& path, std::wstring_view section, std::wstring_view key, int fallback)
{
    const auto value = IniReadValue(path, section, key);
    if (!value) {
        return fallback;
    }
    return IniParseInt(*value);
}

int IniParseInt(std::wstring_view value)
{
    const std::wstring_view v = Trim(value);
    std::size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == L'-' || v[i] == L'+')) {
        negative = v[i] == L'-';
        ++i;
    }
    long long n = 0;
    for (; i < v.size() && v[i] >= L'0' && v[i] <= L'9'; ++i) {
        n = n * 10 + (v[i] - L'0');
        if (n > 0xFFFFFFFFLL) {
            n = 0xFFFFFFFFLL;
        }
    }
    // Held to 32 bits and handed back as the unsigned value Windows gives.
    return static_cast<int>(static_cast<unsigned>(negative ? -n : n));
}

bool IniWriteValue(const std::string& path, std::wstring_view section, std::wstring_view key,
                   std::wstring_view value)
{
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        key.find(L'=') != std::wstring_view::npos || section.find(L']') != std::wstring_view::npos) {
        return false;
    }
    // Read, change and write back as one step, so writers in two threads of
    // the program never lose each other's change.
    static std::mutex writeLock;
    std::lock_guard lock(writeLock);
    std::string bytes;
    if (auto existing = ReadWholeFile(path)) {
        bytes = std::move(*existing);
    }
    const IniDocument doc = IniParse(bytes);
    if ((doc.encoding == IniEncoding::Utf16LeBom || doc.encoding == IniEncoding::Utf16BeBom) &&
        bytes.size() % 2 != 0) {
        bytes.pop_back(); // half a character at the end would shift everything appended after it
    }
    // New lines follow the file's own line ends; CR LF for a file that has none yet.
    const std::string lf = EncodeFor(doc.encoding, L"\n").value_or("\n");
    const std::string crlf = EncodeFor(doc.encoding, L"\r\n").value_or("\r\n");
    const bool useCrLf = bytes.find(crlf) != std::string::npos || bytes.find(lf) == std::string::npos;
    const std::wstring eol = useCrLf ? L"\r\n" : L"\n";
    const std::wstring entry = std::wstring(key) + L"=" + std::wstring(value);

    const SectionFinder span = Locate(doc, section, key, false);
    std::size_t at = bytes.size();
    std::size_t replaced = 0;
    std::wstring insert;
    if (span.keyFound) {
        at = doc.lines[span.keyLine].byteBegin;
        replaced = doc.lines[span.keyLine].byteEnd - at;
        insert = entry;
    } else if (span.sectionFound) {
        at = doc.lines[span.lastEntry].byteEnd;
        insert = eol + entry;
    } else {
        const IniLine* last = doc.lines.empty() ? nullptr : &doc.lines.back();
        if (last != nullptr && last->byteEnd == bytes.size() && !last->text.empty()) {
            insert = eol;
        }
        insert += L"[" + std::wstring(section) + L"]" + eol + entry + eol;
    }
    const auto encoded = EncodeFor(doc.encoding, insert);
    if (!encoded) {
        return false;
    }
    bytes.replace(at, replaced, *encoded);
    return WriteWholeFile(path, bytes);
}
