#include "platform/DosTime.h"

#include <algorithm>

namespace ruvu::platform {

namespace {

constexpr uint32_t kEarliestDosTime = (1u << 5 | 1u) << 16;  // 1980-01-01 00:00:00
constexpr uint32_t kLatestDosTime = ((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);

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
    // neighbouring months through mktime's normalisation.
    std::tm tm{};
    tm.tm_year = p.year - 1900;
    tm.tm_mon = std::clamp(p.month, 1, 12) - 1;
    tm.tm_mday = std::max(p.day, 1);
    tm.tm_hour = std::min(p.hour, 23);
    tm.tm_min = std::min(p.minute, 59);
    tm.tm_sec = std::min(p.second, 59);
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

}  // namespace ruvu::platform
