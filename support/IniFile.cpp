#include "IniFile.h"

#include "Charset.h"
#include "TextCodec.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

// Where a section starts and where its entries end, by line index.
struct SectionSpan
{
    bool found = false;
    std::size_t header = 0;
    std::size_t lastEntry = 0; // the header itself when the section is empty
    std::size_t keyLine = 0;
    bool keyFound = false;
};

SectionSpan Locate(const IniDocument& doc, std::wstring_view section, std::wstring_view key)
{
    SectionSpan span;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const ParsedLine line = ParseLine(doc.lines[i].text);
        if (line.kind == ParsedLine::Kind::Section) {
            if (span.found) {
                break; // only the first section of that name counts
            }
            if (IniEqualNoCase(line.name, section)) {
                span.found = true;
                span.header = i;
                span.lastEntry = i;
            }
            continue;
        }
        if (!span.found || line.kind != ParsedLine::Kind::Entry) {
            continue;
        }
        span.lastEntry = i;
        if (!span.keyFound && IniEqualNoCase(line.name, key)) {
            span.keyFound = true;
            span.keyLine = i;
        }
    }
    return span;
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxFileBytes) {
            return std::string();
        }
    }
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
            zxcharset::AppendUtf8(out, static_cast<char32_t>(w));
        }
        return out;
    case IniEncoding::Ansi:
        break;
    }
    return zxcharset::Encode(zxcharset::CharsetOfCodePage(kCodePageAnsi), text, text.size() * 8, true);
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    // Written beside the target and renamed over it, so a failure midway
    // leaves the old file whole.
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool HasLineBreak(std::wstring_view s)
{
    return s.find_first_of(L"\r\n") != std::wstring_view::npos;
}
} // namespace

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

IniDocument IniParse(std::string_view bytes)
{
    IniDocument doc;
    std::size_t start = 0;
    auto startsWith = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
    if (startsWith("\xFF\xFE")) {
        doc.encoding = IniEncoding::Utf16LeBom;
        start = 2;
    } else if (startsWith("\xFE\xFF")) {
        doc.encoding = IniEncoding::Utf16BeBom;
        start = 2;
    } else if (startsWith("\xEF\xBB\xBF")) {
        doc.encoding = IniEncoding::Utf8Bom;
        start = 3;
    }

    if (doc.encoding == IniEncoding::Utf16LeBom || doc.encoding == IniEncoding::Utf16BeBom) {
        const bool big = doc.encoding == IniEncoding::Utf16BeBom;
        const std::size_t end = start + (bytes.size() - start) / 2 * 2;
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
                doc.lines.push_back(
                    {lineBegin, pos, zxcharset::DecodeUtf16(bytes.substr(lineBegin, pos - lineBegin), big)});
            }
            if (!atEnd && unit == '\r' && pos + 2 < end && unitAt(pos + 2) == '\n') {
                pos += 2;
            }
            lineBegin = pos + 2;
        }
        return doc;
    }

    const std::string charset = doc.encoding == IniEncoding::Utf8Bom
                                    ? std::string("UTF-8")
                                    : zxcharset::CharsetOfCodePage(kCodePageAnsi);
    std::size_t lineBegin = start;
    for (std::size_t pos = start; pos <= bytes.size(); ++pos) {
        const bool atEnd = pos == bytes.size();
        if (!atEnd && bytes[pos] != '\n' && bytes[pos] != '\r') {
            continue;
        }
        if (!atEnd || pos > lineBegin) {
            const std::string_view raw = bytes.substr(lineBegin, pos - lineBegin);
            bool ascii = true;
            for (char c : raw) {
                ascii = ascii && static_cast<unsigned char>(c) < 0x80;
            }
            doc.lines.push_back(
                {lineBegin, pos,
                 ascii ? std::wstring(raw.begin(), raw.end()) : zxcharset::Decode(charset, raw)});
        }
        if (!atEnd && bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') {
            ++pos;
        }
        lineBegin = pos + 1;
    }
    return doc;
}

std::optional<std::wstring> IniFindValue(const IniDocument& doc, std::wstring_view section,
                                         std::wstring_view key)
{
    const SectionSpan span = Locate(doc, section, key);
    if (!span.keyFound) {
        return std::nullopt;
    }
    return std::wstring(ParseLine(doc.lines[span.keyLine].text).value);
}

std::optional<std::wstring> IniReadValue(const std::string& path, std::wstring_view section,
                                         std::wstring_view key)
{
    const auto bytes = ReadWholeFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    return IniFindValue(IniParse(*bytes), section, key);
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

    const SectionSpan span = Locate(doc, section, key);
    std::size_t at = bytes.size();
    std::size_t replaced = 0;
    std::wstring insert;
    if (span.keyFound) {
        at = doc.lines[span.keyLine].byteBegin;
        replaced = doc.lines[span.keyLine].byteEnd - at;
        insert = entry;
    } else if (span.found) {
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
