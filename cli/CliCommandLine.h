#pragma once
#include <map>
#include <string>
#include <vector>

// The options of one subcommand: "--name value", "--name=value" or a bare
// "--flag"; repeated options keep every value in order.
struct CliOptionSpec
{
    std::string name; // without the dashes
    bool takesValue = true;
};

class CliCommandLine
{
public:
    // Parses arguments (after the subcommand) against specs; false with a
    // message for an unknown option, a missing value or a stray argument
    // when positional arguments are not allowed.
    bool Parse(const std::vector<std::string>& arguments, const std::vector<CliOptionSpec>& specs,
               bool allowPositional, std::string& error);

    bool Has(const std::string& name) const { return m_values.count(name) != 0; }
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
    std::vector<std::string> Values(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return m_positional; }

private:
    std::map<std::string, std::vector<std::string>> m_values;
    std::vector<std::string> m_positional;
};
