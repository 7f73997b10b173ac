#include "OemFile.h"

#include "IniFile.h"
#include "ProgramFolder.h"
#include "TextCodec.h"
#include "TextTrim.h"

#include <vector>

namespace {
// The value as the camera reads it: control characters dropped, then
// converted (with its escapes) into size bytes.
std::string Value(const std::wstring& text, int size)
{
    std::wstring clean;
    for (wchar_t c : text) {
        if (c >= 0x20 && c != 0x7F) {
            clean += c;
        }
    }
    std::vector<char> out(static_cast<std::size_t>(size), '\0');
    CTextCodec::ToNarrow(kCodePageAnsi, clean.c_str(), out.data(), size);
    std::string value(out.data());
    // A cut between an escaping backslash and its character would make the
    // camera read the line end as escaped: drop the lone backslash.
    std::size_t trailing = 0;
    while (trailing < value.size() && value[value.size() - 1 - trailing] == '\\') {
        ++trailing;
    }
    if (trailing % 2 == 1) {
        value.pop_back();
    }
    return value;
}
} // namespace

int OemSoftVersion(const std::wstring& version)
{
    // The box holds at most eight characters; the file keeps what fits in
    // eight bytes, so at most seven digits count and the sum cannot overflow.
    const std::string narrow = Value(Trimmed(version), kOemVersionBytes);
    int number = 0;
    for (char c : narrow) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

std::string OemFileText(const OemInfo& info)
{
    const std::string company = Value(Trimmed(info.company), kOemCompanyBytes);
    std::string text = "[oemsec]\r\n";
    text += "company=" + company + "\r\n";
    text += "manufacture=" + company + "\r\n";
    text += "website=" + Value(info.website, kOemWebsiteBytes) + "\r\n";
    text += "model=" + Value(info.model, kOemModelBytes) + "\r\n";
    text += "softversion=" + std::to_string(OemSoftVersion(info.version)) + "\r\n";
    return text;
}

std::string OemFilePath()
{
    const std::string folder = PlatformProgramFolder();
    return folder.empty() ? std::string() : folder + "/vtoem.cfg";
}

bool WriteOemFile(const std::string& path, const OemInfo& info)
{
    return !path.empty() && WriteWholeFile(path, OemFileText(info));
}
