#include "ModifyReport.h"

#include <cstdio>
#include <cstring>

#include "DeviceRules.h"
#include "LangTable.h"

namespace {
constexpr std::size_t kReportLimit = 519;

class ReportText
{
public:
    explicit ReportText(std::wstring start) { Append(start); }
    void Append(const std::wstring& text)
    {
        m_text += text.substr(0, kReportLimit - std::min(kReportLimit, m_text.size()));
    }
    void Restart(std::wstring start)
    {
        m_text.clear();
        Append(start);
    }
    const std::wstring& Text() const { return m_text; }

private:
    std::wstring m_text;
};

std::wstring Change(const char* before, const char* after)
{
    return FieldText(before) + L"->" + FieldText(after);
}
}  // namespace

ModifyLabels CurrentModifyLabels()
{
    ModifyLabels labels;
    labels.modify = LangText(83009, labels.modify.c_str());
    labels.deviceName = LangText(83008, labels.deviceName.c_str());
    labels.ip = LangText(83001, labels.ip.c_str());
    labels.port = LangText(83002, labels.port.c_str());
    labels.netmask = LangText(83003, labels.netmask.c_str());
    labels.gateway = LangText(83004, labels.gateway.c_str());
    labels.dns = LangText(83005, labels.dns.c_str());
    labels.success = LangText(83006, labels.success.c_str());
    return labels;
}

std::vector<PanelLine> BuildModifyReport(const tagVtIpcInfo& before, const tagVtIpcInfo& after,
                                         const ModifyLabels& labels)
{
    std::vector<PanelLine> lines;
    ReportText text(MacPrefix(before.mac) + L" " + labels.modify);
    int counter = 0;
    bool changed = false;
    const auto breakIfFull = [&] {
        if (counter == 3) {
            lines.push_back({text.Text(), true});
            text.Restart(std::wstring(32, L' '));
        }
    };
    if (std::strncmp(before.devName, after.devName, sizeof before.devName) != 0) {
        text.Append(L" " + labels.deviceName);
        text.Append(NameText(before) + L"->" + NameText(after));
        counter = 1;
        changed = true;
    }
    if (std::strncmp(before.ip, after.ip, sizeof before.ip) != 0) {
        text.Append(L"  " + labels.ip);
        text.Append(Change(before.ip, after.ip));
        ++counter;
        changed = true;
    }
    if (before.port != after.port) {
        text.Append(L"  " + labels.port);
        text.Append(std::to_wstring(before.port) + L"->" + std::to_wstring(after.port));
        changed = true;
    }
    if (std::strncmp(before.netmask, after.netmask, sizeof before.netmask) != 0) {
        text.Append(L"  " + labels.netmask);
        text.Append(Change(before.netmask, after.netmask));
        ++counter;
        changed = true;
    }
    if (std::strncmp(before.gateway, after.gateway, sizeof before.gateway) != 0) {
        breakIfFull();
        text.Append(L"  " + labels.gateway);
        text.Append(Change(before.gateway, after.gateway));
        ++counter;
        changed = true;
    }
    if (std::strncmp(before.dns, after.dns, sizeof before.dns) != 0) {
        breakIfFull();
        text.Append(L"  " + labels.dns);
        text.Append(Change(before.dns, after.dns));
        ++counter;
        changed = true;
    }
    text.Append(L" " + labels.success);
    if (changed) {
        lines.push_back({text.Text(), counter <= 3});
    }
    return lines;
}

std::wstring BuildModifyFailure(const tagVtIpcInfo& request)
{
    return MacPrefix(request.mac) + L" " +
           LangText(83000, L"Modify IP, Port, Netmask, Gateway, DNS failed. Username or password is incorrect.");
}
