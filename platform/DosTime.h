// MS-DOS date and time: a 32-bit value with the time in the low word (hour*2048 + minute*32 +
// second/2) and the date in the high word ((year-1980)*512 + month*32 + day), in local time.
#pragma once

#include <cstdint>
#include <ctime>

namespace ruvu::platform {

struct DosDateTimeParts {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

uint32_t EncodeDosDateTime(const DosDateTimeParts& parts);
DosDateTimeParts DecodeDosDateTime(uint32_t dosDateTime);

// Local time of a host time stamp as MS-DOS date and time. Odd seconds round up to the next even
// second, as zip tools do, so a file's time and its entry's time compare equal; times before 1980
// become 1980-01-01 00:00:00 and times after 2107 become 2107-12-31 23:59:58.
uint32_t UnixToDosDateTime(std::time_t time);
// The host time stamp of an MS-DOS date and time read as local time.
std::time_t DosDateTimeToUnix(uint32_t dosDateTime);

}  // namespace ruvu::platform
