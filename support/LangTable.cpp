#include "LangTable.h"

#include "IniFile.h"
#include "ProgramFolder.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kLabelChars = 1023;      // relabelling values: a 1024-character buffer
constexpr std::size_t kDisplayNameChars = 259; // display names: a 260-character buffer

std::mutex& CurrentMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string& CurrentFileRef()
{
    static std::string path;
    return path;
}

void SetCurrentFile(const std::string& path)
{
    std::lock_guard lock(CurrentMutex());
    CurrentFileRef() = path;
}

// Keys and section names are ASCII; any other byte is taken as Latin-1.
std::wstring Widen(std::string_view text)
{
    std::wstring wide;
    for (const unsigned char c : text) {
        wide += static_cast<wchar_t>(c);
    }
    return wide;
}

void StoreLangId(int langId)
{
    if (const std::string file = LangSettingsFile(); !file.empty()) {
        IniWriteValue(file, L"Main", L"Language", std::to_wstring(langId));
    }
}

int StoredLangId()
{
    return IniReadInt(LangSettingsFile(), L"Main", L"Language", 0);
}

bool HasLngExtension(const std::string& name)
{
    if (name.size() < 4) {
        return false;
    }
    const std::string ext = name.substr(name.size() - 4);
    return ext[0] == '.' && (ext[1] | 0x20) == 'l' && (ext[2] | 0x20) == 'n' && (ext[3] | 0x20) == 'g';
}
} // namespace

std::string LangSettingsFile()
{
    return PlatformLanguageSettingsFile();
}

std::string LangCurrentFile()
{
    std::lock_guard lock(CurrentMutex());
    return CurrentFileRef();
}

void LangClearSelection()
{
    SetCurrentFile(std::string());
}

int LangGetText(const char* key, wchar_t* out, int outChars, const wchar_t* defaultText)
{
    if (out == nullptr || outChars < 1) {
        return 0;
    }
    const auto limit = static_cast<std::size_t>(outChars - 1);
    const std::string path = LangCurrentFile();
    if (!path.empty() && key != nullptr) {
        if (const auto value = IniReadValue(path, L"PROMPT", Widen(key))) {
            // A NUL inside the value ends it, as it would in a C buffer.
            const std::size_t n = std::min({value->size(), value->find(L'\0'), limit});
            if (n > 0) {
                value->copy(out, n);
                out[n] = L'\0';
                return static_cast<int>(n);
            }
        }
    }
    const std::size_t n = defaultText == nullptr ? 0 : std::min(std::wcslen(defaultText), limit);
    std::copy_n(defaultText == nullptr ? L"" : defaultText, n, out);
    out[n] = L'\0';
    return static_cast<int>(n);
}

std::wstring LangText(unsigned key, const wchar_t* defaultText)
{
    wchar_t buffer[kLabelChars + 1];
    const int n =
        LangGetText(std::to_string(key).c_str(), buffer, static_cast<int>(std::size(buffer)), defaultText);
    return std::wstring(buffer, static_cast<std::size_t>(n));
}

std::wstring LangFilledText(unsigned key, const wchar_t* defaultText, const std::vector<std::string>& values)
{
    std::wstring text = LangText(key, defaultText);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::wstring mark = L"%" + std::to_wstring(i + 1);
        if (const std::size_t at = text.find(mark); at != std::wstring::npos) {
            text.replace(at, mark.size(), std::wstring(values[i].begin(), values[i].end()));
        }
    }
    return text;
}

std::vector<LangFileInfo> LangListFiles()
{
    std::vector<LangFileInfo> files;
    const std::string folder = PlatformLangFolder();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || !HasLngExtension(it->path().filename().string())) {
            continue;
        }
        LangFileInfo info;
        info.fileName = it->path().filename().string();
        files.push_back(std::move(info));
    }
    std::sort(files.begin(), files.end(),
              [](const LangFileInfo& a, const LangFileInfo& b) { return a.fileName < b.fileName; });
    for (LangFileInfo& info : files) {
        const IniDocument doc = IniLoad(folder + "/" + info.fileName).value_or(IniDocument());
        const std::wstring name = IniFindValue(doc, L"LANGUAGE", L"Language").value_or(std::wstring());
        info.displayName = name.substr(0, std::min(name.find(L'\0'), kDisplayNameChars));
        info.langId =
            static_cast<unsigned>(IniParseInt(IniFindValue(doc, L"LANGUAGE", L"LangID").value_or(L"0")));
    }
    return files;
}

int LangSelectByName(const std::wstring& displayName)
{
    int result = 0;
    // An empty name never selects: a file without a display name is not a
    // choice the user could have made.
    if (!displayName.empty()) {
        for (const LangFileInfo& info : LangListFiles()) {
            if (IniEqualNoCase(info.displayName, displayName)) {
                SetCurrentFile(PlatformLangFolder() + "/" + info.fileName);
                result = static_cast<int>(info.langId);
                break;
            }
        }
    }
    StoreLangId(result);
    return result;
}

int LangSelectStored()
{
    const int wanted = StoredLangId();
    std::wstring name;
    if (wanted != 0) {
        for (const LangFileInfo& info : LangListFiles()) {
            if (static_cast<int>(info.langId) == wanted) {
                name = info.displayName;
                break;
            }
        }
    }
    return LangSelectByName(name);
}

unsigned LangSystemDefaultId()
{
    const char* locale = nullptr;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    if (locale == nullptr) {
        return 1033;
    }
    std::string tag(locale, std::strcspn(locale, ".@"));
    std::transform(tag.begin(), tag.end(), tag.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (tag == "zh" || tag == "zh_cn" || tag == "zh_sg") {
        return 2052;
    }
    return 1033;
}

std::string LangMenuKey(unsigned commandId)
{
    return std::to_string(commandId);
}

std::string LangSubmenuKey(const std::string& parentKey, unsigned position)
{
    return parentKey + "|" + std::to_string(position);
}

std::wstring LangReadLabel(const std::string& section, const std::string& key)
{
    const std::string path = LangCurrentFile();
    if (path.empty()) {
        return std::wstring();
    }
    std::wstring value = IniReadValue(path, Widen(section), Widen(key)).value_or(std::wstring());
    value.resize(std::min({value.size(), value.find(L'\0'), kLabelChars}));
    return value;
}

bool LangIsActionableCommand(unsigned commandId)
{
    return commandId >= kLangFirstCommandId && commandId <= kLangLastActionableId;
}

LangMenuPlan LangPlanMenu(unsigned firstCommandId)
{
    LangMenuPlan plan;
    const int stored = StoredLangId();
    const int wanted = stored != 0 ? stored : static_cast<int>(LangSystemDefaultId());
    plan.wantedLangId = static_cast<unsigned>(wanted);
    unsigned id = firstCommandId;
    for (const LangFileInfo& info : LangListFiles()) {
        if (id >= kLangCommandIdEnd) {
            break;
        }
        if (!info.displayName.empty()) {
            plan.items.push_back({id, info.displayName, id == firstCommandId});
            if (static_cast<int>(info.langId) == wanted) {
                plan.checkedId = id;
            }
        }
        ++id;
    }
    plan.endCommandId = id;
    StoreLangId(wanted);
    return plan;
}
