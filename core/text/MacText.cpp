#include "MacText.h"

#include <cstdio>
#include <cstring>

std::string FormatMac(const unsigned char* mac, bool colons)
{
    char text[32];
    std::snprintf(text, sizeof text, colons ? "%.2X:%.2X:%.2X:%.2X:%.2X:%.2X" : "%.2X%.2X%.2X%.2X%.2X%.2X",
                  mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::string MacCellText(const unsigned char* mac)
{
    const unsigned char unknown[6] = {};
    return std::memcmp(mac, unknown, sizeof unknown) == 0 ? std::string() : FormatMac(mac);
}

std::wstring MacPrefix(const unsigned char* mac)
{
    const std::string text = "[" + FormatMac(mac) + "]";
    return std::wstring(text.begin(), text.end());
}
