#include "export/CSVText.h"

#include <QString>

#include <cstdio>
#include <ctime>

namespace kiv {

std::string csvText(const std::string& utf8)
{
    // Every character replaced or dropped here is ASCII, and ASCII bytes
    // never occur inside a multi-byte UTF-8 sequence.
    std::string cleaned;
    cleaned.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == ',' || c == '\n' || c == '\r')
            cleaned += ' ';
        else if (c == '"')
            cleaned += '\'';
        else if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
            cleaned += c;
    }
    return cleaned;
}

std::string csvText(const QString& text)
{
    return csvText(text.toStdString());
}

std::string ctimeString(qint64 secondsSinceEpoch)
{
    // Formatted here: the names must not follow the user's locale, and the
    // C library pads the day with a blank.
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t time = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    if (static_cast<qint64>(time) != secondsSinceEpoch || !localtime_r(&time, &local))
        return {};
    if (local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 || local.tm_mon > 11)
        return {};
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %lld",
                                     days[local.tm_wday], months[local.tm_mon], local.tm_mday,
                                     local.tm_hour, local.tm_min, local.tm_sec,
                                     static_cast<long long>(local.tm_year) + 1900);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof text)
        return {};
    return std::string(text, static_cast<std::size_t>(length));
}

} // namespace kiv
