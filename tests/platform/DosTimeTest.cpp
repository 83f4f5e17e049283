#include "platform/DosTime.h"

#include <gtest/gtest.h>

#include <ctime>

#include "PlatformTestSupport.h"

namespace ruvu::platform {
namespace {

// Local time is UTC for these tests, whatever the machine says.
class DosTimeTest : public ::testing::Test {
  protected:
    DosTimeTest() {
        tz_.emplace("TZ", "UTC");
        tzset();
    }
    ~DosTimeTest() override {
        tz_.reset();
        tzset();
    }

    std::optional<test::ScopedEnv> tz_;
};

TEST_F(DosTimeTest, FieldsPackIntoDateAndTimeWords) {
    uint32_t value = EncodeDosDateTime({2024, 2, 29, 13, 37, 42});
    EXPECT_EQ(value >> 16, static_cast<uint32_t>((2024 - 1980) << 9 | 2 << 5 | 29));
    EXPECT_EQ(value & 0xFFFF, static_cast<uint32_t>(13 << 11 | 37 << 5 | 21));
    DosDateTimeParts parts = DecodeDosDateTime(value);
    EXPECT_EQ(parts.year, 2024);
    EXPECT_EQ(parts.day, 29);
    EXPECT_EQ(parts.second, 42);
}

TEST_F(DosTimeTest, OddSecondsRoundUpAcrossEveryField) {
    // 1999-12-31 23:59:59 UTC
    EXPECT_EQ(UnixToDosDateTime(946684799), EncodeDosDateTime({2000, 1, 1, 0, 0, 0}));
    EXPECT_EQ(UnixToDosDateTime(946684798), EncodeDosDateTime({1999, 12, 31, 23, 59, 58}));
    EXPECT_EQ(DosDateTimeToUnix(EncodeDosDateTime({2000, 1, 1, 0, 0, 0})), 946684800);
}

TEST_F(DosTimeTest, TimesOutsideTheRangeAreClamped) {
    EXPECT_EQ(UnixToDosDateTime(0), EncodeDosDateTime({1980, 1, 1, 0, 0, 0}));
    EXPECT_EQ(UnixToDosDateTime(-86400), EncodeDosDateTime({1980, 1, 1, 0, 0, 0}));
    EXPECT_EQ(UnixToDosDateTime(4354819200), EncodeDosDateTime({2107, 12, 31, 23, 59, 58}));  // 2108-01-01
    // A damaged value (month and day 0) still gives a time inside its year.
    std::time_t damaged = DosDateTimeToUnix(EncodeDosDateTime({1995, 0, 0, 0, 0, 0}));
    EXPECT_EQ(damaged, 788918400);  // 1995-01-01
}

// Beside the changes to and from summer time, where an hour falls twice or never, a time reads as the C
// library's own conversion reads it.
TEST_F(DosTimeTest, LocalTimesAroundSummerTimeReadAsTheCLibraryReadsThem) {
    tz_.reset();
    tz_.emplace("TZ", "Europe/Budapest");
    tzset();
    const DosDateTimeParts times[] = {
        {2024, 3, 31, 1, 59, 58},  {2024, 3, 31, 2, 30, 0},  {2024, 3, 31, 3, 0, 0},   // spring
        {2024, 10, 27, 1, 59, 58}, {2024, 10, 27, 2, 30, 0}, {2024, 10, 27, 3, 0, 0},  // autumn
        {2024, 7, 1, 12, 0, 0},    {1980, 1, 1, 0, 0, 0},    {2107, 12, 31, 23, 59, 58},
    };
    for (const auto& t : times) {
        std::tm tm{};
        tm.tm_year = t.year - 1900;
        tm.tm_mon = t.month - 1;
        tm.tm_mday = t.day;
        tm.tm_hour = t.hour;
        tm.tm_min = t.minute;
        tm.tm_sec = t.second;
        tm.tm_isdst = -1;
        EXPECT_EQ(DosDateTimeToUnix(EncodeDosDateTime(t)), std::mktime(&tm))
            << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":" << t.minute;
    }
}

}  // namespace
}  // namespace ruvu::platform
