#include "SettingsStore.h"

#include "DebugOutput.h"
#include "PrivateFolder.h"
#include "Utf8Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct RegKey
{
    std::wstring path;
};

namespace {
std::mutex& StoreMutex()
{
    static std::mutex mutex;
    return mutex;
}

constexpr const char* kStoreName = "settings.ini";

// Empty when the user has no home to keep settings in.
std::string StoreFolder()
{
    const std::string base = PlatformXdgFolder("XDG_CONFIG_HOME", ".config");
    return base.empty() ? std::string() : base + "/Vantrel Zendrix";
}

// The store's folder, opened only when it is the user's own; -1 otherwise.
class StoreDir
{
public:
    StoreDir() : fd_(PlatformOpenPrivateFolder(StoreFolder())) {}
    ~StoreDir()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    StoreDir(const StoreDir&) = delete;
    StoreDir& operator=(const StoreDir&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// The file's text; empty when there is none, or it is not a plain file of its own.
std::string ReadStoreText()
{
    const StoreDir dir;
    if (dir.fd() < 0) {
        return {};
    }
    const int fd = ::openat(dir.fd(), kStoreName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

// Writes through a fresh scratch file of a unique name in the same folder
// (never an existing file, never through a link), then renames it over the
// store, so a reader sees the old file or the new one, nothing between.
bool WriteStoreText(const std::string& body)
{
    const StoreDir dir;
    if (dir.fd() < 0) {
        return false;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char temp[64];
        std::snprintf(temp, sizeof temp, ".%s.%08x%08x", kStoreName, random(), random());
        const int fd = ::openat(dir.fd(), temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        bool written = ::fchmod(fd, 0600) == 0 &&
                       ::write(fd, body.data(), body.size()) == static_cast<ssize_t>(body.size());
        written = ::fsync(fd) == 0 && written;
        written = ::close(fd) == 0 && written;
        if (!written || ::renameat(dir.fd(), temp, dir.fd(), kStoreName) != 0) {
            ::unlinkat(dir.fd(), temp, 0);
            return false;
        }
        return true;
    }
    return false;
}

// Values and section names are escaped so that line breaks, brackets and the
// escape character itself survive a round trip through the line-based file.
std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '=':
            out += "\\e";
            break;
        case '[':
            out += "\\o";
            break;
        case ']':
            out += "\\c";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[++i]) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'e':
            out += '=';
            break;
        case 'o':
            out += '[';
            break;
        case 'c':
            out += ']';
            break;
        default:
            out += text[i];
        }
    }
    return out;
}

struct Section
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
};

bool SameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::vector<Section> LoadStore()
{
    std::vector<Section> sections;
    std::istringstream in(ReadStoreText());
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            sections.push_back({Unescape(line.substr(1, line.size() - 2)), {}});
        } else if (auto eq = line.find('='); eq != std::string::npos && !sections.empty()) {
            sections.back().values.emplace_back(Unescape(line.substr(0, eq)), Unescape(line.substr(eq + 1)));
        }
    }
    return sections;
}

bool SaveStore(const std::vector<Section>& sections)
{
    std::ostringstream text;
    for (const Section& section : sections) {
        text << '[' << Escape(section.name) << "]\n";
        for (const auto& [name, value] : section.values) {
            text << Escape(name) << '=' << Escape(value) << '\n';
        }
    }
    if (!WriteStoreText(text.str())) {
        PlatformDebugOutput("Settings store: cannot write the settings file.\n");
        return false;
    }
    return true;
}

Section* FindSection(std::vector<Section>& sections, const std::string& name)
{
    for (Section& section : sections) {
        if (SameName(section.name, name)) {
            return &section;
        }
    }
    return nullptr;
}

bool ValidPath(RegRoot root, const wchar_t* subkey)
{
    return root == RegRootCurrentUser && subkey != nullptr && *subkey != L'\0';
}

void CopyOut(const std::wstring& text, wchar_t* out, std::size_t outChars)
{
    if (out == nullptr || outChars == 0) {
        return;
    }
    const std::size_t n = std::min(text.size(), outChars - 1);
    std::copy_n(text.begin(), n, out);
    out[n] = L'\0';
}
} // namespace

std::string RegStoreFile()
{
    const std::string folder = StoreFolder();
    return folder.empty() ? std::string() : folder + "/" + kStoreName;
}

void RegReadString(RegRoot root, const wchar_t* subkey, const wchar_t* valueName, const wchar_t* defaultText,
                   wchar_t* out, std::size_t outChars)
{
    const std::wstring fallback = defaultText != nullptr ? defaultText : L"";
    if (!ValidPath(root, subkey) || valueName == nullptr) {
        CopyOut(fallback, out, outChars);
        return;
    }
    std::lock_guard lock(StoreMutex());
    std::vector<Section> sections = LoadStore();
    if (Section* section = FindSection(sections, PlatformToUtf8(subkey)); section != nullptr) {
        const std::string name = PlatformToUtf8(valueName);
        for (const auto& [key, value] : section->values) {
            if (SameName(key, name)) {
                CopyOut(PlatformFromUtf8(value), out, outChars);
                return;
            }
        }
    }
    CopyOut(fallback, out, outChars);
}

int RegCreateKeyPath(RegRoot root, const wchar_t* subkey, RegKey** key)
{
    if (!ValidPath(root, subkey)) {
        return 0;
    }
    std::lock_guard lock(StoreMutex());
    std::vector<Section> sections = LoadStore();
    const std::string name = PlatformToUtf8(subkey);
    if (FindSection(sections, name) == nullptr) {
        sections.push_back({name, {}});
        if (!SaveStore(sections)) {
            return 0;
        }
    }
    if (key != nullptr) {
        *key = new RegKey{subkey};
    }
    return 1;
}

void RegCloseKeyPath(RegKey* key)
{
    delete key;
}

int RegWriteValue(RegRoot root, const wchar_t* subkey, const wchar_t* valueName, const void* data,
                  std::size_t byteCount, RegValueType type)
{
    if (!ValidPath(root, subkey) || valueName == nullptr || type != RegTypeString ||
        (data == nullptr && byteCount != 0)) {
        return 0;
    }
    std::wstring value(static_cast<const wchar_t*>(data), byteCount / sizeof(wchar_t));
    if (auto end = value.find(L'\0'); end != std::wstring::npos) {
        value.resize(end);
    }
    std::lock_guard lock(StoreMutex());
    std::vector<Section> sections = LoadStore();
    const std::string sectionName = PlatformToUtf8(subkey);
    Section* section = FindSection(sections, sectionName);
    if (section == nullptr) {
        sections.push_back({sectionName, {}});
        section = &sections.back();
    }
    const std::string name = PlatformToUtf8(valueName);
    auto it = std::find_if(section->values.begin(), section->values.end(),
                           [&name](const auto& pair) { return SameName(pair.first, name); });
    if (it != section->values.end()) {
        it->second = PlatformToUtf8(value);
    } else {
        section->values.emplace_back(name, PlatformToUtf8(value));
    }
    return SaveStore(sections) ? 1 : 0;
}

int RegDeleteValue(RegRoot root, const wchar_t* subkey, const wchar_t* valueName)
{
    if (!ValidPath(root, subkey) || valueName == nullptr) {
        return 0;
    }
    std::lock_guard lock(StoreMutex());
    std::vector<Section> sections = LoadStore();
    Section* section = FindSection(sections, PlatformToUtf8(subkey));
    if (section == nullptr) {
        return 1;
    }
    const std::string name = PlatformToUtf8(valueName);
    const auto kept = std::remove_if(section->values.begin(), section->values.end(),
                                     [&name](const auto& pair) { return SameName(pair.first, name); });
    if (kept == section->values.end()) {
        return 1;
    }
    section->values.erase(kept, section->values.end());
    return SaveStore(sections) ? 1 : 0;
}
