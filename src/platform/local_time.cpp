#include "platform/local_time.h"

#include <chrono>

#include "platform/strings.h"

namespace velorin {

LocalTime ToLocalTime(std::time_t t, int millisecond) {
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    lt.weekday = tm.tm_wday;
    lt.millisecond = millisecond;
    return lt;
}

SystemTime ToSystemTime(const LocalTime& t) {
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    return SystemTime{u(t.year), u(t.month),  u(t.weekday), u(t.day),
                      u(t.hour), u(t.minute), u(t.second),  u(t.millisecond)};
}

SystemTime UtcNow() {
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    return SystemTime{u(tm.tm_year + 1900), u(tm.tm_mon + 1), u(tm.tm_wday), u(tm.tm_mday),
                      u(tm.tm_hour),        u(tm.tm_min),     u(tm.tm_sec),  u(ms % 1000)};
}

LocalTime NowLocal() {
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    return ToLocalTime(static_cast<std::time_t>(ms / 1000), static_cast<int>(ms % 1000));
}

std::string FormatStatusTime(const LocalTime& t) {
    return Format("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
}

std::string FormatTextualTime(const LocalTime& t) {
    static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int wd = (t.weekday >= 0 && t.weekday < 7) ? t.weekday : 0;
    int mo = (t.month >= 1 && t.month <= 12) ? t.month - 1 : 0;
    return Format("%s %s %02d %02d:%02d:%02d %04d", kDays[wd], kMonths[mo], t.day, t.hour, t.minute,
                  t.second, t.year);
}

}  // namespace velorin
