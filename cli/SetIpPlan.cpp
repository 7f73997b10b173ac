#include "SetIpPlan.h"

#include "AddressRules.h"
#include "MacText.h"
#include "NetworkForm.h"
#include "Utf8Text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

namespace {
std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Splits one CSV line; false for an unterminated quote.
bool SplitCsvLine(const std::string& line, std::vector<std::string>& fields)
{
    fields.clear();
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(Trim(field));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(Trim(field));
    return !quoted;
}

std::uint32_t AddressValue(const std::string& text)
{
    int parts[4];
    SplitAddress(text, parts);
    return (static_cast<std::uint32_t>(parts[0]) << 24) | (static_cast<std::uint32_t>(parts[1]) << 16) |
           (static_cast<std::uint32_t>(parts[2]) << 8) | static_cast<std::uint32_t>(parts[3]);
}

std::string FieldName(FormField field)
{
    switch (field) {
    case FormField::Name:
        return "name";
    case FormField::Ip:
        return "IP";
    case FormField::Port:
        return "port";
    case FormField::Netmask:
        return "netmask";
    case FormField::Gateway:
        return "gateway";
    case FormField::Dns:
        return "DNS";
    default:
        return "login";
    }
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
} // namespace

std::string NormaliseMac(const std::string& text)
{
    // Twelve hex digits, bare or in pairs joined by one kind of separator.
    const bool separated = text.size() == 17;
    if (!separated && text.size() != 12) {
        return {};
    }
    std::string mac;
    for (std::size_t i = 0, pair = 0; pair < 6; ++pair) {
        if (separated && pair > 0) {
            if ((text[i] != ':' && text[i] != '-') || text[i] != text[2]) {
                return {};
            }
            ++i;
        }
        for (int digit = 0; digit < 2; ++digit, ++i) {
            if (std::isxdigit(static_cast<unsigned char>(text[i])) == 0) {
                return {};
            }
            mac += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        }
        if (pair < 5) {
            mac += ':';
        }
    }
    return mac;
}

bool SameSubnet(const std::string& a, const std::string& b, const std::string& netmask)
{
    const std::uint32_t mask = AddressValue(netmask);
    return (AddressValue(a) & mask) == (AddressValue(b) & mask);
}

std::vector<SetIpRow> ParseSetIpCsv(const std::string& text, std::vector<PlanProblem>& problems)
{
    std::vector<SetIpRow> rows;
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> fields;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') {
            continue;
        }
        if (!SplitCsvLine(line, fields)) {
            problems.push_back({number, {}, "unterminated quote"});
            continue;
        }
        if (rows.empty() && Lower(fields[0]) == "mac") {
            continue;
        }
        if (fields.size() < 2 || fields.size() > 7) {
            problems.push_back({number,
                                {},
                                "expected MAC,IP[,netmask,gateway,DNS,port,name], got " +
                                    std::to_string(fields.size()) + " fields"});
            continue;
        }
        fields.resize(7);
        SetIpRow row;
        row.line = number;
        row.mac = NormaliseMac(fields[0]);
        if (row.mac.empty()) {
            problems.push_back({number, fields[0], "not a hardware address: " + fields[0]});
            continue;
        }
        row.ip = fields[1];
        row.netmask = fields[2];
        row.gateway = fields[3];
        row.dns = fields[4];
        row.port = fields[5];
        row.name = fields[6];
        rows.push_back(row);
    }
    return rows;
}

std::vector<PlanProblem> CheckSetIpPlan(std::vector<SetIpRow>& rows, const std::vector<tagVtIpcInfo>& cameras)
{
    std::vector<PlanProblem> problems;
    std::map<std::string, const tagVtIpcInfo*> byMac;
    for (const tagVtIpcInfo& camera : cameras) {
        byMac.emplace(FormatMac(camera.mac), &camera);
    }
    std::set<std::string> planned;
    std::map<std::string, int> addressLine;
    for (SetIpRow& row : rows) {
        auto problem = [&](const std::string& message) { problems.push_back({row.line, row.mac, message}); };
        const auto found = byMac.find(row.mac);
        if (found == byMac.end()) {
            problem("no such camera was found: " + row.mac);
            continue;
        }
        if (!planned.insert(row.mac).second) {
            problem("camera " + row.mac + " is named twice");
            continue;
        }
        const tagVtIpcInfo& camera = *found->second;
        auto fill = [](std::string& field, const char* current) {
            if (field.empty()) {
                field = current;
            }
        };
        fill(row.ip, camera.ip);
        fill(row.netmask, camera.netmask);
        fill(row.gateway, camera.gateway);
        fill(row.dns, camera.dns);
        if (row.port.empty()) {
            row.port = std::to_string(camera.port);
        }
        NetworkForm form;
        form.user = L"-";
        form.password = L"-";
        form.singleMode = !row.name.empty();
        form.name = PlatformFromUtf8(row.name);
        form.ip = PlatformFromUtf8(row.ip);
        form.netmask = PlatformFromUtf8(row.netmask);
        form.gateway = PlatformFromUtf8(row.gateway);
        form.dns = PlatformFromUtf8(row.dns);
        form.port = PlatformFromUtf8(row.port);
        const FormProblem formProblem = CheckNetworkForm(form);
        if (formProblem.key != 0) {
            problem(PlatformToUtf8(formProblem.defaultText) + " (" + FieldName(formProblem.field) + ")");
        } else if (!row.name.empty() && row.name.find_first_of(";=+") != std::string::npos) {
            problem("device name not allowed: " + row.name);
        } else if (!SameSubnet(row.ip, row.gateway, row.netmask)) {
            problem("gateway " + row.gateway + " is outside the subnet of " + row.ip + "/" + row.netmask);
        } else if (const auto [it, fresh] = addressLine.emplace(row.ip, row.line); !fresh) {
            problem("address " + row.ip + " is planned twice (also on line " + std::to_string(it->second) +
                    ")");
        }
    }
    // An address held by a discovered camera that keeps it would clash.
    for (const SetIpRow& row : rows) {
        for (const tagVtIpcInfo& camera : cameras) {
            const std::string mac = FormatMac(camera.mac);
            if (mac != row.mac && planned.count(mac) == 0 && row.ip == camera.ip) {
                problems.push_back(
                    {row.line, row.mac, "address " + row.ip + " is already used by camera " + mac});
            }
        }
    }
    return problems;
}
