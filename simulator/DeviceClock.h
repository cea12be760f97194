#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The device's clock: the workstation's local time moved by an offset that the state keeps,
// so that tests and training can move a device through time without waiting.
namespace satsim {

using DeviceTime = std::int64_t; // seconds since 1970-01-01 UTC, as the device reads them

DeviceTime deviceNow(std::int64_t offsetSeconds);

struct CivilTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// In the workstation's local time zone.
CivilTime civil(DeviceTime time);
std::optional<DeviceTime> fromCivil(const CivilTime& time);

std::string stamp14(DeviceTime time);    // YYYYMMDDhhmmss
std::string date8(DeviceTime time);      // YYYYMMDD
std::string time6(DeviceTime time);      // hhmmss
std::string yearMonth4(DeviceTime time); // YYMM
std::string readable(DeviceTime time);   // DD/MM/YYYY hh:mm:ss

// YYYYMMDDhhmmss to a time; nullopt when it is not a valid date and time.
std::optional<DeviceTime> parseStamp14(std::string_view text);

// The same day and month some years later (29 February becomes 28 February).
std::string date8YearsLater(DeviceTime time, int years);

} // namespace satsim
