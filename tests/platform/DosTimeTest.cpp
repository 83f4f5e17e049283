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

}  // namespace
}  // namespace ruvu::platform
