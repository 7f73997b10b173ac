#include "MacText.h"

#include <cstdio>

std::string FormatMac(const unsigned char* mac, bool colons)
{
    char text[32];
    std::snprintf(text, sizeof text, colons ? "%.2X:%.2X:%.2X:%.2X:%.2X:%.2X" : "%.2X%.2X%.2X%.2X%.2X%.2X",
                  mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::wstring MacPrefix(const unsigned char* mac)
{
    const std::string text = "[" + FormatMac(mac) + "]";
    return std::wstring(text.begin(), text.end());
}
