#include "Charset.h"
#include "Utf8Text.h"

#include <cerrno>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>

namespace zxcharset {
namespace {
const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);

// The character set of the user's environment, whatever the process itself
// has set with setlocale.
std::string EnvironmentCharset()
{
    locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) {
        return "UTF-8";
    }
    std::string name = nl_langinfo_l(CODESET, loc);
    freelocale(loc);
    if (name.empty() || name == "ANSI_X3.4-1968" || strcasecmp(name.c_str(), "ASCII") == 0) {
        return "UTF-8";
    }
    return name;
}

bool Known(const std::string& charset)
{
    iconv_t cd = iconv_open("WCHAR_T", charset.c_str());
    if (cd == kInvalid) {
        return false;
    }
    iconv_close(cd);
    return true;
}
} // namespace

std::string CharsetOfCodePage(unsigned codePage)
{
    if (codePage == 0) {
        static const std::string locale = EnvironmentCharset();
        return locale;
    }
    if (codePage == 65001) {
        return "UTF-8";
    }
    char name[32];
    std::snprintf(name, sizeof name, "CP%u", codePage);
    return Known(name) ? std::string(name) : std::string();
}

bool IsUtf8Name(const std::string& charset)
{
    return strcasecmp(charset.c_str(), "UTF-8") == 0 || strcasecmp(charset.c_str(), "UTF8") == 0;
}

std::wstring DecodeUtf8(std::string_view bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            out += static_cast<wchar_t>(b0);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            extra = 1;
            c = b0 & 0x1F;
            minimum = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            extra = 2;
            c = b0 & 0x0F;
            minimum = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            extra = 3;
            c = b0 & 0x07;
            minimum = 0x10000;
        } else {
            out += kReplacement;
            ++i;
            continue;
        }
        std::size_t j = 1;
        for (; j <= static_cast<std::size_t>(extra); ++j) {
            if (i + j >= bytes.size()) {
                break;
            }
            const auto b = static_cast<unsigned char>(bytes[i + j]);
            if ((b & 0xC0) != 0x80) {
                break;
            }
            c = (c << 6) | (b & 0x3F);
        }
        if (j <= static_cast<std::size_t>(extra) || c < minimum || c > 0x10FFFF ||
            (c >= 0xD800 && c <= 0xDFFF)) {
            // A broken sequence costs one replacement for its lead byte; the
            // bytes that follow are looked at again on their own.
            out += kReplacement;
            i += j;
            continue;
        }
        out += static_cast<wchar_t>(c);
        i += j;
    }
    return out;
}

void DecodeUtf16Into(std::string_view bytes, bool bigEndian, std::wstring& out)
{
    out.clear();
    const std::size_t units = bytes.size() / 2; // an odd last byte is dropped
    out.reserve(units);
    auto unitAt = [&](std::size_t k) {
        const auto lo = static_cast<unsigned char>(bytes[2 * k + (bigEndian ? 1 : 0)]);
        const auto hi = static_cast<unsigned char>(bytes[2 * k + (bigEndian ? 0 : 1)]);
        return static_cast<char32_t>(lo | (hi << 8));
    };
    for (std::size_t k = 0; k < units; ++k) {
        const char32_t u = unitAt(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const char32_t v = unitAt(k + 1);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
                ++k;
                continue;
            }
        }
        out += (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : static_cast<wchar_t>(u);
    }
}

Converter::Converter(const std::string& to, const std::string& from)
    : m_cd(iconv_open(to.c_str(), from.c_str()))
{
}

Converter::~Converter()
{
    if (Valid()) {
        iconv_close(m_cd);
    }
}

std::wstring Decode(const std::string& charset, std::string_view bytes)
{
    if (IsUtf8Name(charset)) {
        return DecodeUtf8(bytes);
    }
    Converter conv("WCHAR_T", charset);
    if (!conv.Valid()) {
        return DecodeUtf8(bytes);
    }
    std::wstring out;
    wchar_t chunk[256];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(chunk);
        std::size_t outLeft = sizeof chunk;
        const std::size_t rc = iconv(conv.Handle(), &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, (sizeof chunk - outLeft) / sizeof(wchar_t));
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ: an invalid byte; EINVAL: a sequence cut off at the end.
            out += kReplacement;
            ++in;
            --inLeft;
            iconv(conv.Handle(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::optional<std::string> Encode(const std::string& charset, std::wstring_view text, std::size_t maxBytes,
                                  bool strict)
{
    std::string out;
    if (IsUtf8Name(charset)) {
        for (wchar_t w : text) {
            std::string one;
            PlatformAppendUtf8(one, static_cast<char32_t>(w));
            if (out.size() + one.size() > maxBytes) {
                break;
            }
            out += one;
        }
        return out;
    }
    Converter conv(charset, "WCHAR_T");
    if (!conv.Valid()) {
        return std::nullopt;
    }
    out.resize(maxBytes);
    char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text.data()));
    std::size_t inLeft = text.size() * sizeof(wchar_t);
    char* outPtr = out.data();
    std::size_t outLeft = maxBytes;
    while (inLeft > 0) {
        const std::size_t rc = iconv(conv.Handle(), &in, &inLeft, &outPtr, &outLeft);
        if (rc != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            break; // iconv writes whole characters only, so the cut is clean
        }
        if (strict) {
            return std::nullopt;
        }
        if (outLeft == 0) {
            break;
        }
        *outPtr++ = '?';
        --outLeft;
        in += sizeof(wchar_t);
        inLeft -= sizeof(wchar_t);
    }
    // Flush a shift state back to the initial one, when the set has one and it fits.
    iconv(conv.Handle(), nullptr, nullptr, &outPtr, &outLeft);
    out.resize(maxBytes - outLeft);
    return out;
}

} // namespace zxcharset
