#include "OsVersion.h"

#include "DebugOutput.h"

#include <string>
#include <sys/utsname.h>

namespace {
constexpr int kModernSystemCode = 27;
}

COsVersion::COsVersion()
{
    utsname name{};
    if (::uname(&name) != 0) {
        return; // the version cannot be read: code 0
    }
    m_code = kModernSystemCode;
    const std::string line = std::string("Server Type:") + name.sysname + " " + name.release + "\n";
    PlatformDebugOutput(line.c_str());
}
