#pragma once
#include <string>
#include <vector>

// Rows printed as an aligned table, CSV or JSON (an array of objects).
enum class OutputFormat
{
    Table,
    Csv,
    Json
};

// False for a name that is none of "table", "csv", "json".
bool ParseOutputFormat(const std::string& name, OutputFormat& format);

struct OutputColumn
{
    std::string key;    // JSON key and CSV header
    std::string header; // table header
    bool numeric = false;
};

struct OutputTable
{
    std::vector<OutputColumn> columns;
    std::vector<std::vector<std::string>> rows; // UTF-8 cells, one per column
};

std::string RenderTable(const OutputTable& table, OutputFormat format);

// Text a camera supplied, made safe for a terminal or a file: invalid UTF-8
// becomes U+FFFD and control characters become \xNN escapes.
std::string SafeText(const std::string& utf8);
