#include "core/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "core/item_reader.h"

namespace quillon {

namespace {

std::string twoDigits(int v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::optional<long long> sourceDateEpoch()
{
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    if (value == nullptr)
        return std::nullopt;
    // Up to the year 9999, so every date we format keeps four digits.
    return parseWholeNumber(value, 0, 253402300799LL);
}

} // namespace

DateTime utcFromEpoch(long long epochSeconds)
{
    // Civil-from-days (proleptic Gregorian), independent of the C library's time zone handling.
    long long days = epochSeconds / 86400;
    long long secs = epochSeconds % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    DateTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = static_cast<int>(secs / 3600);
    t.minute = static_cast<int>(secs / 60 % 60);
    t.second = static_cast<int>(secs % 60);
    return t;
}

DateTime currentDateTime()
{
    if (const auto epoch = sourceDateEpoch())
        return utcFromEpoch(*epoch);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string formatMmDdYyyy(const DateTime& t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", t.month, t.day, t.year);
    return buf;
}

std::string formatYyyyMmDd(const DateTime& t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buf;
}

std::string formatHhMmSs(const DateTime& t)
{
    return twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

std::string formatHhMmAmPm(const DateTime& t)
{
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    return twoDigits(hour12) + ":" + twoDigits(t.minute) + (t.hour < 12 ? "AM" : "PM");
}

} // namespace quillon
