#pragma once
// Character-set conversions shared by the codec and the INI reader. Internal
// to the support library.
#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>

namespace zxcharset {

inline constexpr wchar_t kReplacement = 0xFFFD;

// The iconv name of a code page: the locale's set for 0 (UTF-8 when the
// locale is plain ASCII, which loses nothing), "UTF-8" for 65001, "CP<n>"
// otherwise. Empty when iconv does not know it.
std::string CharsetOfCodePage(unsigned codePage);
bool IsUtf8Name(const std::string& charset);

// Lenient decoding: invalid input becomes U+FFFD, never fails.
std::wstring DecodeUtf8(std::string_view bytes);
void DecodeUtf16Into(std::string_view bytes, bool bigEndian, std::wstring& out); // replaces out

// One conversion handle, opened once and used for many pieces of text.
class Converter
{
public:
    Converter(const std::string& to, const std::string& from);
    ~Converter();
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Handle() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Decodes bytes in charset; invalid bytes become U+FFFD.
std::wstring Decode(const std::string& charset, std::string_view bytes);

// Encodes wide text in charset into at most maxBytes bytes, never cutting a
// character. Unrepresentable characters become '?', or make the call fail
// when strict is set.
std::optional<std::string> Encode(const std::string& charset, std::wstring_view text, std::size_t maxBytes,
                                  bool strict);

} // namespace zxcharset
