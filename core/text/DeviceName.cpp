#include "DeviceName.h"

#include "Utf8Text.h"

#include <boost/regex.hpp>

int DeviceNameBytes(const std::wstring& name)
{
    return static_cast<int>(PlatformToUtf8(name).size());
}

bool DeviceNameFits(const std::wstring& name)
{
    return DeviceNameBytes(name) <= kDeviceNameBytes;
}

bool HasForbiddenNameCharacter(const std::string& utf8Name)
{
    static const boost::regex forbidden(R"([&/\\:*?'"<>|%])");
    return boost::regex_search(utf8Name, forbidden);
}
