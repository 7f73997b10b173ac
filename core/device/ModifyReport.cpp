#include "ModifyReport.h"

#include "LangTable.h"
#include "MacText.h"
#include "RecordText.h"

#include <cstdio>
#include <cstring>

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

} // namespace

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
    // One changed address field: "  Label:old->new". After three counted
    // changes the gateway and DNS go on a continuation line.
    const auto addressChange = [&](const char* old, const char* now, const std::wstring& label,
                                   bool mayBreak) {
        if (std::strncmp(old, now, 32) == 0) {
            return;
        }
        if (mayBreak && counter == 3) {
            lines.push_back({text.Text(), true});
            text.Restart(std::wstring(32, L' '));
        }
        text.Append(L"  " + label);
        text.Append(FieldText(old) + L"->" + FieldText(now));
        ++counter;
        changed = true;
    };
    if (std::strncmp(before.devName, after.devName, sizeof before.devName) != 0) {
        text.Append(L" " + labels.deviceName);
        text.Append(NameText(before) + L"->" + NameText(after));
        counter = 1;
        changed = true;
    }
    addressChange(before.ip, after.ip, labels.ip, false);
    if (before.port != after.port) {
        // The port is reported but not counted towards the line break.
        text.Append(L"  " + labels.port);
        text.Append(std::to_wstring(before.port) + L"->" + std::to_wstring(after.port));
        changed = true;
    }
    addressChange(before.netmask, after.netmask, labels.netmask, false);
    addressChange(before.gateway, after.gateway, labels.gateway, true);
    addressChange(before.dns, after.dns, labels.dns, true);
    text.Append(L" " + labels.success);
    if (changed) {
        lines.push_back({text.Text(), counter <= 3});
    }
    return lines;
}

PanelLine BuildModifyFailure(const tagVtIpcInfo& request)
{
    return MacLine(request.mac, 83000);
}
