// Time-zone rules evaluated by hand, so that a date shows the offset in force
// on that date rather than today's.
#include "engine/pgp_time.h"

#include <cstdio>
#include <optional>

namespace orv::pgptime {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1 January 1970 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month, day, hour, minute, second, weekday;  // weekday 0 = Sunday
};

Civil CivilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    Civil c{};
    c.day = doy - (153 * mp + 2) / 5 + 1;
    c.month = mp < 10 ? mp + 3 : mp - 9;
    c.year = static_cast<std::int64_t>(yoe) + era * 400 + (c.month <= 2);
    c.hour = static_cast<unsigned>(rest / 3600);
    c.minute = static_cast<unsigned>(rest / 60 % 60);
    c.second = static_cast<unsigned>(rest % 60);
    c.weekday = static_cast<unsigned>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    return c;
}

bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(std::int64_t y, unsigned m) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// The local wall-clock instant (seconds since 1970 as if local were UTC) at
// which a rule changes the time in the given year; none when the rule names
// another year or is malformed.
std::optional<std::int64_t> ChangeInYear(const SYSTEMTIME& rule, std::int64_t year) {
    if (rule.wMonth < 1 || rule.wMonth > 12) return std::nullopt;
    unsigned day;
    if (rule.wYear != 0) {
        if (rule.wYear != year) return std::nullopt;
        day = rule.wDay;
        if (day < 1 || day > DaysInMonth(year, rule.wMonth)) return std::nullopt;
    } else {
        const unsigned week = rule.wDay < 1 ? 1 : (rule.wDay > 5 ? 5 : rule.wDay);
        const std::int64_t first = DaysFromCivil(year, rule.wMonth, 1);
        const unsigned firstWeekday = static_cast<unsigned>(((first % 7) + 11) % 7);
        day = 1 + (rule.wDayOfWeek % 7 + 7 - firstWeekday) % 7 + 7 * (week - 1);
        while (day > DaysInMonth(year, rule.wMonth)) day -= 7;  // week 5: the last one
    }
    return DaysFromCivil(year, rule.wMonth, day) * kSecondsPerDay + rule.wHour * 3600 + rule.wMinute * 60 +
           rule.wSecond;
}

std::string Format(const Civil& c) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    int n = std::snprintf(text, sizeof text, "%s, %02u %s %04lld, %02u:%02u:%02u", kDays[c.weekday], c.day,
                          kMonths[c.month - 1], static_cast<long long>(c.year), c.hour, c.minute, c.second);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof text) return {};
    return text;
}

}  // namespace

long BiasAt(std::uint32_t utcSeconds, const TIME_ZONE_INFORMATION& zone) {
    if (zone.StandardDate.wMonth == 0 || zone.DaylightDate.wMonth == 0) return zone.Bias;
    const std::int64_t value = utcSeconds;
    const std::int64_t year = CivilFromSeconds(value).year;
    const auto toStandard = ChangeInYear(zone.StandardDate, year);
    const auto toDaylight = ChangeInYear(zone.DaylightDate, year);
    if (!toStandard || !toDaylight) return zone.Bias;
    // Each change happens on the clock in force before it.
    const std::int64_t standardUtc = *toStandard + (zone.Bias + zone.DaylightBias) * 60LL;
    const std::int64_t daylightUtc = *toDaylight + (zone.Bias + zone.StandardBias) * 60LL;
    const long standardBias = zone.Bias + zone.StandardBias;
    const long daylightBias = zone.Bias + zone.DaylightBias;
    if (standardUtc >= daylightUtc)  // daylight time in the middle of the year
        return value < daylightUtc || value >= standardUtc ? standardBias : daylightBias;
    return value < standardUtc || value >= daylightUtc ? daylightBias : standardBias;
}

std::string FormatInZone(std::uint32_t utcSeconds, const TIME_ZONE_INFORMATION* zone) {
    if (!zone) {
        std::string text = Format(CivilFromSeconds(utcSeconds));
        return text.empty() ? text : text + " <UTC>";
    }
    const std::int64_t local = static_cast<std::int64_t>(utcSeconds) - BiasAt(utcSeconds, *zone) * 60LL;
    return Format(CivilFromSeconds(local));
}

}  // namespace orv::pgptime

namespace orv {
std::string FormatPGPTime(std::uint32_t seconds) {
    TIME_ZONE_INFORMATION zone{};
    if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return pgptime::FormatInZone(seconds, nullptr);
    return pgptime::FormatInZone(seconds, &zone);
}
}  // namespace orv
