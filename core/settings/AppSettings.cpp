#include "AppSettings.h"

#include "AddressRules.h"
#include "SettingsStore.h"

#include <cwchar>
#include <mutex>

AppSwitches ParseSwitches(const std::vector<std::string>& arguments)
{
    AppSwitches switches;
    for (std::size_t i = 0; i < arguments.size() && i < 2; ++i) {
        if (arguments[i] == "vtoem") {
            switches.vtoem = 1;
        } else if (arguments[i] == "vtlog") {
            switches.vtlog = 1;
        }
    }
    return switches;
}

int ParseBasicMode(const std::wstring& text)
{
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

std::wstring ReadSetting(const wchar_t* name, const wchar_t* defaultText)
{
    wchar_t buffer[260] = {};
    RegReadString(RegRootCurrentUser, kSettingsKey, name, defaultText, buffer, 260);
    return buffer;
}

bool WriteSetting(const wchar_t* name, const std::wstring& value)
{
    return RegWriteValue(RegRootCurrentUser, kSettingsKey, name, value.data(), value.size() * sizeof(wchar_t),
                         RegTypeString) == 1;
}

namespace {
std::mutex g_webLock;
std::string g_webAddress;
} // namespace

void SetPendingWebAddress(const std::string& address)
{
    std::lock_guard lock(g_webLock);
    g_webAddress = address.substr(0, 259);
}

std::string TakePendingWebAddress()
{
    std::lock_guard lock(g_webLock);
    std::string address;
    address.swap(g_webAddress);
    return address;
}

void RequestWebPage(const tagVtIpcInfo& camera)
{
    if (const std::string address = WebAddress(camera); !address.empty()) {
        SetPendingWebAddress(address);
    }
}
