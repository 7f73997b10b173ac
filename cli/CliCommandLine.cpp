#include "CliCommandLine.h"

#include <algorithm>

bool CliCommandLine::Parse(const std::vector<std::string>& arguments, const std::vector<CliOptionSpec>& specs,
                           bool allowPositional, std::string& error)
{
    m_values.clear();
    m_positional.clear();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0 || argument == "--") {
            if (!allowPositional) {
                error = "unexpected argument: " + argument;
                return false;
            }
            m_positional.push_back(argument);
            continue;
        }
        std::string name = argument.substr(2);
        std::string value;
        bool inlineValue = false;
        if (const auto equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            inlineValue = true;
        }
        const auto option = std::find_if(specs.begin(), specs.end(), [&](const CliOptionSpec& candidate) {
            return candidate.name == name;
        });
        if (option == specs.end()) {
            error = "unknown option: --" + name;
            return false;
        }
        if (!option->takesValue) {
            if (inlineValue) {
                error = "--" + name + " takes no value";
                return false;
            }
            m_values[name].emplace_back();
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= arguments.size()) {
                error = "--" + name + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        m_values[name].push_back(value);
    }
    return true;
}

std::string CliCommandLine::Value(const std::string& name, const std::string& fallback) const
{
    const auto found = m_values.find(name);
    return found == m_values.end() || found->second.empty() ? fallback : found->second.back();
}

std::vector<std::string> CliCommandLine::Values(const std::string& name) const
{
    const auto found = m_values.find(name);
    return found == m_values.end() ? std::vector<std::string>{} : found->second;
}
