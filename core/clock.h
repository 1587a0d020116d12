#pragma once

#include <string>

namespace quillon {

struct DateTime
{
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Now: the instant of SOURCE_DATE_EPOCH in UTC when that variable holds a number of seconds,
// otherwise the local time.
DateTime currentDateTime();

// The instant `epochSeconds` after 1970-01-01 00:00:00 UTC, in UTC.
DateTime utcFromEpoch(long long epochSeconds);

std::string formatMmDdYyyy(const DateTime& t); // "06-30-2009"
std::string formatYyyyMmDd(const DateTime& t); // "2009-06-30"
std::string formatHhMmSs(const DateTime& t);   // "21:05:09", 24-hour
std::string formatHhMmAmPm(const DateTime& t); // "09:05PM", 12-hour

} // namespace quillon
