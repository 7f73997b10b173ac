#include "NetworkForm.h"

#include "AddressRules.h"
#include "DeviceName.h"
#include "LangKeys.h"
#include "TextCodec.h"
#include "TextTrim.h"
#include "Utf8Text.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <strings.h>

std::string ToAnsi(const std::wstring& text)
{
    // Address texts are plain ASCII after the checks; anything else would have
    // been refused, so a character-wise narrowing is exact here.
    std::string out;
    for (wchar_t c : text) {
        out += static_cast<unsigned>(c) < 128 ? static_cast<char>(c) : '?';
    }
    return out;
}

namespace {
bool PortInRange(const std::wstring& text)
{
    if (text.empty() || text.size() > 5) {
        return false;
    }
    long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        value = value * 10 + (c - L'0');
    }
    return value >= 1 && value <= 65535;
}

int PortValue(const std::wstring& text)
{
    return static_cast<int>(std::wcstol(Trimmed(text).c_str(), nullptr, 10));
}

void CopyNarrow(unsigned codePage, const std::wstring& text, char* out, int bytes)
{
    std::memset(out, 0, static_cast<std::size_t>(bytes));
    CTextCodec::ToNarrowAsTyped(codePage, text.c_str(), out, bytes);
}
} // namespace

FormProblem CheckNetworkForm(const NetworkForm& form)
{
    if (Trimmed(form.user).empty()) {
        return {90003, L"Username field can't be empty.", FormField::None};
    }
    if (Trimmed(form.password).empty()) {
        return {90004, L"Password field can't be empty.", FormField::None};
    }
    constexpr const wchar_t* kEmpty = L"Field can't be empty.";
    if (form.singleMode) {
        const std::wstring name = Trimmed(form.name);
        if (name.empty()) {
            return {90005, kEmpty, FormField::Name};
        }
        if (HasForbiddenNameCharacter(PlatformToUtf8(name))) {
            return {83010, L"Device name can't contain these characters &/\\:*?'\"<>|%", FormField::Name};
        }
        if (!DeviceNameFits(name)) {
            return {83013, LangDefaultText(83013), FormField::Name};
        }
    }
    struct AddressBox
    {
        const std::wstring& text;
        bool (*valid)(const std::string&);
        unsigned key;
        const wchar_t* message;
        FormField field;
    };
    const AddressBox boxes[] = {
        {form.ip, IsValidAddress, 90006, L"Invalid IP address.", FormField::Ip},
        {form.netmask, IsValidNetmask, 90007, L"Invalid Netmask.", FormField::Netmask},
        {form.gateway, IsValidAddress, 90008, L"Invalid Gateway.", FormField::Gateway},
    };
    for (const AddressBox& box : boxes) {
        const std::wstring text = Trimmed(box.text);
        if (text.empty()) {
            return {90005, kEmpty, box.field};
        }
        if (!box.valid(ToAnsi(text))) {
            return {box.key, box.message, box.field};
        }
    }
    const std::wstring port = Trimmed(form.port);
    if (port.empty()) {
        return {90005, kEmpty, FormField::Port};
    }
    if (!PortInRange(port)) {
        return {90009, L"Please input the port between 1 and 65535.", FormField::Port};
    }
    const std::wstring dns = Trimmed(form.dns);
    if (dns.empty()) {
        return {90005, kEmpty, FormField::Dns};
    }
    if (!IsValidAddress(ToAnsi(dns))) {
        return {90030, L"Invalid DNS.", FormField::Dns};
    }
    return {};
}

tagVtIpcInfo BuildModifyRequest(const tagVtIpcInfo& camera, const NetworkForm& form, const std::string& ip)
{
    tagVtIpcInfo request{};
    std::memcpy(request.mac, camera.mac, sizeof request.mac);
    request.viaUdp = camera.viaUdp;
    if (form.singleMode) {
        CopyNarrow(kCodePageUtf8, Trimmed(form.name), request.devName, sizeof request.devName);
    } else {
        std::memcpy(request.devName, camera.devName, sizeof request.devName);
    }
    CopyNarrow(kCodePageAnsi, Trimmed(form.user), request.user, sizeof request.user);
    CopyNarrow(kCodePageAnsi, Trimmed(form.password), request.password, sizeof request.password);
    std::snprintf(request.ip, sizeof request.ip, "%s", ip.c_str());
    CopyNarrow(kCodePageAnsi, Trimmed(form.netmask), request.netmask, sizeof request.netmask);
    CopyNarrow(kCodePageAnsi, Trimmed(form.gateway), request.gateway, sizeof request.gateway);
    CopyNarrow(kCodePageAnsi, Trimmed(form.dns), request.dns, sizeof request.dns);
    request.port = PortValue(form.port);
    return request;
}

bool FormMatchesCamera(const tagVtIpcInfo& camera, const NetworkForm& form)
{
    const auto same = [](const char* field, const std::wstring& box) {
        return ::strcasecmp(field, ToAnsi(Trimmed(box)).c_str()) == 0;
    };
    char name[64] = {};
    CTextCodec::ToNarrow(kCodePageUtf8, Trimmed(form.name).c_str(), name, sizeof name);
    return same(camera.ip, form.ip) && same(camera.netmask, form.netmask) &&
           same(camera.gateway, form.gateway) && same(camera.dns, form.dns) &&
           camera.port == PortValue(form.port) && std::strncmp(camera.devName, name, sizeof name) == 0;
}
