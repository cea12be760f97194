#include "DeviceClock.h"

#include "Digits.h"
#include "Texts.h"

#include <ctime>

namespace satsim {

DeviceTime deviceNow(std::int64_t offsetSeconds)
{
    return static_cast<DeviceTime>(std::time(nullptr)) + offsetSeconds;
}

CivilTime civil(DeviceTime time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm parts{};
#if defined(_WIN32)
    localtime_s(&parts, &t);
#else
    localtime_r(&t, &parts);
#endif
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::optional<DeviceTime> fromCivil(const CivilTime& time)
{
    std::tm parts{};
    parts.tm_year = time.year - 1900;
    parts.tm_mon = time.month - 1;
    parts.tm_mday = time.day;
    parts.tm_hour = time.hour;
    parts.tm_min = time.minute;
    parts.tm_sec = time.second;
    parts.tm_isdst = -1;
    const std::time_t t = std::mktime(&parts);
    if (t == static_cast<std::time_t>(-1))
        return std::nullopt;
    return static_cast<DeviceTime>(t);
}

std::string stamp14(DeviceTime time)
{
    const CivilTime c = civil(time);
    return padded(c.year, 4) + padded(c.month, 2) + padded(c.day, 2) + padded(c.hour, 2) +
           padded(c.minute, 2) + padded(c.second, 2);
}

std::string date8(DeviceTime time)
{
    return stamp14(time).substr(0, 8);
}

std::string time6(DeviceTime time)
{
    return stamp14(time).substr(8, 6);
}

std::string yearMonth4(DeviceTime time)
{
    return stamp14(time).substr(2, 4);
}

std::string readable(DeviceTime time)
{
    const CivilTime c = civil(time);
    return padded(c.day, 2) + "/" + padded(c.month, 2) + "/" + padded(c.year, 4) + " " +
           padded(c.hour, 2) + ":" + padded(c.minute, 2) + ":" + padded(c.second, 2);
}

std::optional<DeviceTime> parseStamp14(std::string_view text)
{
    if (text.size() != 14 || !allDigits(text))
        return std::nullopt;
    auto number = [&](std::size_t pos, std::size_t length) {
        int value = 0;
        for (std::size_t i = pos; i < pos + length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    const CivilTime wanted{number(0, 4), number(4, 2),  number(6, 2),
                           number(8, 2), number(10, 2), number(12, 2)};
    if (wanted.year < 1971 || wanted.year > 2999)
        return std::nullopt;
    const auto time = fromCivil(wanted);
    // mktime moves 31/02 to March: only a date that reads back the same is a real one.
    if (!time || stamp14(*time) != text)
        return std::nullopt;
    return time;
}

std::string date8YearsLater(DeviceTime time, int years)
{
    CivilTime c = civil(time);
    c.year += years;
    if (c.month == 2 && c.day == 29)
        c.day = 28;
    return padded(c.year, 4) + padded(c.month, 2) + padded(c.day, 2);
}

} // namespace satsim
