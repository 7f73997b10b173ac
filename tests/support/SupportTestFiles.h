#pragma once
// Real files for the support tests: a fresh temporary program folder per test,
// and writers for language files in the encodings the reader accepts.
#include "ProgramFolder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdlib.h>
#include <string>

class TempProgramFolder
{
public:
    TempProgramFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zxsupport.XXXXXX").string();
        m_path = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
        std::filesystem::create_directories(m_path + "/Lang");
        PlatformSetProgramFolder(m_path);
    }
    ~TempProgramFolder()
    {
        PlatformSetProgramFolder(std::string());
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Lang() const { return m_path + "/Lang"; }

private:
    std::string m_path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// UTF-16LE with byte-order mark, as Windows Notepad saves "Unicode".
inline std::string Utf16Le(const std::wstring& text, bool bom = true)
{
    std::string out = bom ? std::string("\xFF\xFE") : std::string();
    for (wchar_t w : text) {
        auto put = [&](unsigned unit) {
            out += static_cast<char>(unit & 0xFF);
            out += static_cast<char>(unit >> 8);
        };
        const auto c = static_cast<unsigned>(w);
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

// A language file with the given display name, LangID and PROMPT body.
inline std::wstring LangFileText(const std::wstring& name, const std::wstring& langId,
                                 const std::wstring& prompt)
{
    return L"[LANGUAGE]\r\nLanguage=" + name + L"\r\nLangID=" + langId + L"\r\n\r\n[PROMPT]\r\n" + prompt;
}
