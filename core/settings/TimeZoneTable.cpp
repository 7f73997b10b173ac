#include "TimeZoneTable.h"

#include <array>
#include <cctype>
#include <cstdlib>

namespace {
constexpr std::array<const char*, kTimeZoneCount> kCaptions = {
    "-11 Samoa",
    "-10 Cook Islands(Rarotonga)",
    "-10 Tahiti",
    "-10 United States - Hawaii-Aleutian",
    "-10 United States - Alaska-Aleutian",
    "-9 United States - Alaska Time",
    "-8 Canada (Vancouver, Whitehorse)",
    "-8 Mexico (Tijuana, Mexicali)",
    "-8 United States - Pacific Time",
    "-7 Canada (Edmonton, Calgary)",
    "-7 Mexico (Mazatlan, Chihuahua)",
    "-7 United States - Mountain Time",
    "-6 Canada - Manitoba (Winnipeg)",
    "-6 Chile (Easter Islands)",
    "-6 Mexico (Mexico City, Acapulco)",
    "-6 United States - Central Time",
    "-5 Bahamas (Nassau)",
    "-5 Canada (Montreal, Ottawa, Quebec)",
    "-5 Cuba (Havana)",
    "-5 United States - Eastern Time",
    "-4.5 Venezuela (Caracas)",
    "-4 Canada (Halifax, Saint John)",
    "-4 Chile (Santiago)",
    "-4 Paraguay (Asuncion)",
    "-4 United Kingdom - Bermuda (Bermuda)",
    "-4 United Kingdom (Falkland Islands)",
    "-4 Trinidad&amp;Tobago",
    "-3.5 Canada - New Foundland (St. Johns)",
    "-3 Denmark - Greenland (Nuuk)",
    "-3 Argentina (Buenos Aires)",
    "-3 Brazil (no DST)",
    "-3 Brazil (DST)",
    "-2 Brazil (no DST)",
    "-1 Portugal (Azores)",
    "0 Denmark - Faroe Islands (Torshavn)",
    "0 Ireland (Dublin)",
    "0 Portugal (Lisboa, Porto, Funchal)",
    "0 Spain - Canary Islands (Las Palmas)",
    "0 United Kingdom (London)",
    "1 Albania (Tirane)",
    "1 Austria (Vienna)",
    "1 Belgium (Brussels)",
    "1 Croatia (Zagreb)",
    "1 Czech Republic (Prague)",
    "1 Denmark (Copenhagen)",
    "1 France (Nice, Paris)",
    "1 Germany (Berlin)",
    "1 Hungary (Budapest)",
    "1 Italy (Rome)",
    "1 Luxembourg (Luxembourg)",
    "1 Makedonia (Skopje)",
    "1 Netherlands (Amsterdam)",
    "1 Namibia (Windhoek)",
    "1 Norway (Oslo)",
    "1 Poland (Warsaw)",
    "1 Slovak Republic (Bratislava)",
    "1 Spain (Madrid, Palma)",
    "1 Sweden (Stockholm)",
    "1 Swiss ( Bern, Zurich)",
    "1 United Kingdom (Gibraltar)",
    "1 Serbia (Beograd)",
    "1 West Africa Time",
    "2 Belarus (Minsk)",
    "2 Bulgaria (Sofia)",
    "2 Cyprus (Nicosia)",
    "2 Central Africa Time",
    "2 Egypt (Cairo)",
    "2 Estonia (Tallinn)",
    "2 Finland (Helsinki)",
    "2 Gaza Strip (Gaza)",
    "2 Greece (Athens)",
    "2 Israel (Jerusalem, Tel Aviv)",
    "2 Jordan (Amman)",
    "2 Latvia (Riga)",
    "2 Lebanon (Beirut)",
    "2 Moldova (Chisinau)",
    "2 Russia (Kaliningrad)",
    "2 Romania (Bucharest)",
    "2 Syria (Damascus)",
    "2 Turkey (Ankara, Istanbul)",
    "2 Ukraine (Kyiv, Odessa)",
    "3 East Africa Time",
    "3 Iraq (Baghdad)",
    "3 Russia (Moscow)",
    "3.5 Iran (Teheran)",
    "4 Armenia (Yerevan)",
    "4 Azerbaijan (Baku)",
    "4 Georgia (Tbilisi)",
    "4 Russia (Samara)",
    "4 United Arab Emirates (Dubai)",
    "5 Kazakstan (Aqtau)",
    "5 Kazakstan (Aqtobe)",
    "5 Pakistan (Islamabad)",
    "5 Russia (Chelyabinsk, Yekaterinburg)",
    "5.5 India (Calcutta)",
    "6 Kazakstan (Astana, Almaty)",
    "6 Kyrgyzstan (Bishkek)",
    "6 Russia (Novosibirsk, Omsk)",
    "7 Russia (Krasnoyarsk)",
    "7 Thailand (Bangkok)",
    "8 China (Beijing)",
    "8 Singapore (Singapore)",
    "8 Australia (Perth)",
    "9 Korea (Seoul)",
    "9 Japan (Tokyo)",
    "9.5 Australia (Adelaide)",
    "9.5 Australia (Darwin)",
    "10 Australia (Sydney, Melbourne, Canberra)",
    "10 Australia (Brisbane)",
    "10 Australia (Hobart)",
    "10 Russia (Vladivostok)",
    "10.5_Australia (Lord Howe Islands)",
    "11 New Caledonia (Noumea)",
    "12 New Zealand (Wellington, Auckland)",
    "12 Russia (Anadyr, Kamchatka)",
    "12.75 New Zealand (Chatham Islands)",
    "13 Tonga (Nukualofa)",
};
} // namespace

const char* TimeZoneCaption(int row)
{
    if (row < 0 || row >= static_cast<int>(kCaptions.size())) {
        return nullptr;
    }
    return kCaptions[static_cast<std::size_t>(row)];
}

std::optional<int> TimeZoneOffsetMinutes(int row)
{
    const char* caption = TimeZoneCaption(row);
    if (caption == nullptr) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double hours = std::strtod(caption, &end);
    if (end == caption) {
        return std::nullopt;
    }
    return static_cast<int>(hours * 60 + (hours < 0 ? -0.5 : 0.5));
}

std::string TimeZoneToPosix(int row)
{
    const std::optional<int> east = TimeZoneOffsetMinutes(row);
    if (!east) {
        return {};
    }
    const int west = -*east;
    const int magnitude = std::abs(west);
    std::string posix = "UTC";
    if (west < 0) {
        posix += '-';
    }
    posix += std::to_string(magnitude / 60);
    if (magnitude % 60 != 0) {
        const int minutes = magnitude % 60;
        posix += (minutes < 10 ? ":0" : ":") + std::to_string(minutes);
    }
    return posix;
}

namespace {
// Reads up to two digits at text[at]; false when there is none.
bool ReadTwoDigits(const std::string& text, std::size_t& at, int& value)
{
    const std::size_t start = at;
    value = 0;
    while (at < text.size() && at - start < 2 && std::isdigit(static_cast<unsigned char>(text[at])) != 0) {
        value = value * 10 + (text[at++] - '0');
    }
    return at > start;
}

// The standard offset west of UTC in minutes of a POSIX TZ string.
std::optional<int> PosixWestMinutes(const std::string& posix)
{
    std::size_t at = 0;
    if (!posix.empty() && posix[0] == '<') {
        at = posix.find('>');
        if (at == std::string::npos || at < 4) {
            return std::nullopt;
        }
        ++at;
    } else {
        while (at < posix.size() && std::isalpha(static_cast<unsigned char>(posix[at])) != 0) {
            ++at;
        }
        if (at < 3) {
            return std::nullopt;
        }
    }
    int sign = 1;
    if (at < posix.size() && (posix[at] == '+' || posix[at] == '-')) {
        sign = posix[at++] == '-' ? -1 : 1;
    }
    int hours = 0;
    int minutes = 0;
    if (!ReadTwoDigits(posix, at, hours) || hours > 24) {
        return std::nullopt;
    }
    if (at < posix.size() && posix[at] == ':') {
        ++at;
        if (!ReadTwoDigits(posix, at, minutes) || minutes > 59) {
            return std::nullopt;
        }
        if (at < posix.size() && posix[at] == ':') {
            int seconds = 0;
            ++at;
            if (!ReadTwoDigits(posix, at, seconds) || seconds > 59) {
                return std::nullopt;
            }
        }
    }
    // What may follow: a daylight-saving name (letters or quoted) and rules.
    if (at < posix.size() && std::isalpha(static_cast<unsigned char>(posix[at])) == 0 && posix[at] != '<' &&
        posix[at] != ',') {
        return std::nullopt;
    }
    return sign * (hours * 60 + minutes);
}
} // namespace

int PosixToTimeZone(const std::string& posix)
{
    const std::optional<int> west = PosixWestMinutes(posix);
    if (!west) {
        return -1;
    }
    const int east = -*west;
    if (TimeZoneOffsetMinutes(kDefaultTimeZone) == east) {
        return kDefaultTimeZone;
    }
    for (int row = 0; row < static_cast<int>(kTimeZoneCount); ++row) {
        if (TimeZoneOffsetMinutes(row) == east) {
            return row;
        }
    }
    return -1;
}
