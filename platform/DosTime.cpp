#include "platform/DosTime.h"

#include <algorithm>

namespace ruvu::platform {

namespace {

constexpr uint32_t kEarliestDosTime = (1u << 5 | 1u) << 16;  // 1980-01-01 00:00:00
constexpr uint32_t kLatestDosTime = ((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);

// Seconds since 1970 of a date and time counted as UTC; days beyond the month's end run on into the
// next month.
std::time_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int64_t days = int64_t{era} * 146097 + dayOfEra - 719468;
    return static_cast<std::time_t>(days * 86400 + hour * 3600 + minute * 60 + second);
}

// How far local time is ahead of UTC at a time stamp. localtime_r reads the time zone once per
// process, where mktime reads it again at every call.
long UtcOffset(std::time_t time) {
    std::tm tm{};
    return localtime_r(&time, &tm) != nullptr ? tm.tm_gmtoff : 0;
}

}  // namespace

uint32_t EncodeDosDateTime(const DosDateTimeParts& p) {
    uint32_t date =
        static_cast<uint32_t>(((p.year - 1980) & 0x7F) << 9 | (p.month & 0xF) << 5 | (p.day & 0x1F));
    uint32_t time =
        static_cast<uint32_t>((p.hour & 0x1F) << 11 | (p.minute & 0x3F) << 5 | ((p.second / 2) & 0x1F));
    return date << 16 | time;
}

DosDateTimeParts DecodeDosDateTime(uint32_t dosDateTime) {
    uint32_t date = dosDateTime >> 16;
    uint32_t time = dosDateTime & 0xFFFF;
    DosDateTimeParts p;
    p.year = 1980 + static_cast<int>(date >> 9);
    p.month = static_cast<int>((date >> 5) & 0xF);
    p.day = static_cast<int>(date & 0x1F);
    p.hour = static_cast<int>(time >> 11);
    p.minute = static_cast<int>((time >> 5) & 0x3F);
    p.second = static_cast<int>((time & 0x1F) * 2);
    return p;
}

uint32_t UnixToDosDateTime(std::time_t time) {
    // Rounding on the time stamp (not on the fields) carries into the minute, hour and day.
    std::time_t rounded = time + (time & 1);
    std::tm tm{};
    if (localtime_r(&rounded, &tm) == nullptr) {
        return time < 0 ? kEarliestDosTime : kLatestDosTime;
    }
    int year = tm.tm_year + 1900;
    if (year < 1980) {
        return kEarliestDosTime;
    }
    if (year > 2107) {
        return kLatestDosTime;
    }
    return EncodeDosDateTime({year, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

std::time_t DosDateTimeToUnix(uint32_t dosDateTime) {
    DosDateTimeParts p = DecodeDosDateTime(dosDateTime);
    // Damaged values (month or day 0, hour 31) are pulled into range instead of wandering into
    // neighbouring months.
    const std::time_t local =
        UtcSeconds(p.year, std::clamp(p.month, 1, 12), std::max(p.day, 1), std::min(p.hour, 23),
                   std::min(p.minute, 59), std::min(p.second, 59));
    // The offsets a day before and after tell the one in force: the earlier one where the local time
    // shows it, else the later one. A time that falls twice (summer time ends) is the first; one that
    // never falls (summer time begins) is read with the earlier offset.
    const long before = UtcOffset(local - 86400);
    if (UtcOffset(local - before) == before) {
        return local - before;
    }
    const long after = UtcOffset(local + 86400);
    return UtcOffset(local - after) == after ? local - after : local - before;
}

}  // namespace ruvu::platform
