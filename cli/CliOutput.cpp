#include "CliOutput.h"

#include "Utf8Text.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

bool ParseOutputFormat(const std::string& name, OutputFormat& format)
{
    if (name == "table") {
        format = OutputFormat::Table;
    } else if (name == "csv") {
        format = OutputFormat::Csv;
    } else if (name == "json") {
        format = OutputFormat::Json;
    } else {
        return false;
    }
    return true;
}

std::string SafeText(const std::string& utf8)
{
    // Decoding stops at the first malformed sequence; go on after it with a
    // replacement character so that nothing the camera sent after it is lost.
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
        std::wstring decoded;
        if (length != 0 && i + length <= utf8.size()) {
            decoded = PlatformFromUtf8(utf8.substr(i, length));
        }
        if (decoded.size() != 1) {
            PlatformAppendUtf8(out, U'\uFFFD');
            ++i;
            continue;
        }
        const auto c = static_cast<char32_t>(decoded[0]);
        if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
            out += escape;
        } else {
            out.append(utf8, i, length);
        }
        i += length;
    }
    return out;
}

namespace {
std::size_t DisplayWidth(const std::string& utf8)
{
    // Wide (CJK) characters take two cells; a rough but sufficient measure.
    std::size_t width = 0;
    for (wchar_t c : PlatformFromUtf8(utf8)) {
        width += c >= 0x1100 ? 2 : 1;
    }
    return width;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}
} // namespace

std::string RenderTable(const OutputTable& table, OutputFormat format)
{
    std::string out;
    const std::size_t columns = table.columns.size();
    if (format == OutputFormat::Json) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const auto& row : table.rows) {
            nlohmann::ordered_json object = nlohmann::ordered_json::object();
            for (std::size_t c = 0; c < columns; ++c) {
                const std::string& cell = c < row.size() ? row[c] : std::string();
                if (table.columns[c].numeric && !cell.empty() &&
                    cell.find_first_not_of("-0123456789") == std::string::npos) {
                    object[table.columns[c].key] = std::stoll(cell);
                } else {
                    object[table.columns[c].key] = cell;
                }
            }
            array.push_back(std::move(object));
        }
        return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    }
    if (format == OutputFormat::Csv) {
        for (std::size_t c = 0; c < columns; ++c) {
            out += (c != 0 ? "," : "") + CsvField(table.columns[c].key);
        }
        out += "\n";
        for (const auto& row : table.rows) {
            for (std::size_t c = 0; c < columns; ++c) {
                out += (c != 0 ? "," : "") + CsvField(SafeText(c < row.size() ? row[c] : std::string()));
            }
            out += "\n";
        }
        return out;
    }
    std::vector<std::size_t> widths(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        widths[c] = DisplayWidth(table.columns[c].header);
        for (const auto& row : table.rows) {
            widths[c] = std::max(widths[c], DisplayWidth(SafeText(c < row.size() ? row[c] : std::string())));
        }
    }
    auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (std::size_t c = 0; c < columns; ++c) {
            const std::string cell = SafeText(c < cells.size() ? cells[c] : std::string());
            text += cell;
            if (c + 1 < columns) {
                text += std::string(widths[c] - DisplayWidth(cell) + 2, ' ');
            }
        }
        out += text + "\n";
    };
    std::vector<std::string> headers;
    for (const OutputColumn& column : table.columns) {
        headers.push_back(column.header);
    }
    line(headers);
    for (const auto& row : table.rows) {
        line(row);
    }
    return out;
}
