#pragma once
// Local time is the process's time zone (TZ, else the system's).
#include <cstdint>
#include <ctime>
#include <string>

namespace velorin {

struct LocalTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int weekday = 4;  // 0 = Sunday
    int millisecond = 0;
};

// The calendar time of the wire: eight u16 in this order.
struct SystemTime {
    uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0, second = 0,
             millisecond = 0;
};

SystemTime ToSystemTime(const LocalTime& t);
// The wall clock in UTC, to the millisecond: what search datagrams carry.
SystemTime UtcNow();

LocalTime ToLocalTime(std::time_t t, int millisecond = 0);
LocalTime NowLocal();
// "%04d-%02d-%02d %02d:%02d:%02d"
std::string FormatStatusTime(const LocalTime& t);
// "Wed Jan 02 02:03:55 1980": the textual time form without its line break.
std::string FormatTextualTime(const LocalTime& t);

}  // namespace velorin
