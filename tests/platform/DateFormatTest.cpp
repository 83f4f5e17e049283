#include "platform/DateFormat.h"

#include <gtest/gtest.h>

#include <optional>

#include "PlatformTestSupport.h"

namespace ruvu::platform {
namespace {

std::tm SampleTime() {
    std::tm time{};
    time.tm_year = 2024 - 1900;
    time.tm_mon = 2;
    time.tm_mday = 7;
    time.tm_hour = 9;
    time.tm_min = 5;
    time.tm_sec = 3;
    return time;
}

TEST(DateFormat, TokensWriteDatesAndTimesWithSeparatorsAsWritten) {
    const std::tm time = SampleTime();
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd", time), "2024/03/07");
    EXPECT_EQ(FormatDateTime("d.m.yy", time), "7.3.24");
    EXPECT_EQ(FormatDateTime("YYYY-MM-DD", time), "2024-03-07");
    EXPECT_EQ(FormatDateTime("hh:nn:ss", time), "09:05:03");
    EXPECT_EQ(FormatDateTime("h:mm", time), "9:05");  // after an hour, "mm" is the minute
    EXPECT_EQ(FormatDateTime("'Kelt' yyyy. mm. dd.", time), "Kelt 2024. 03. 07.");
}

TEST(DateFormat, HostFormatsBecomeTokens) {
    EXPECT_EQ(FormatFromStrftime("%Y. %m. %d."), "yyyy. mm. dd.");
    EXPECT_EQ(FormatFromStrftime("%m/%d/%y"), "mm/dd/yy");
    EXPECT_EQ(FormatFromStrftime("%-d.%-m.%Y"), "d.m.yyyy");
    EXPECT_EQ(FormatFromStrftime("%F"), "yyyy-mm-dd");
    EXPECT_EQ(FormatFromStrftime("%I:%M:%S %p"), "hh:nn:ss");
    // Letters of the host's text stay text.
    EXPECT_EQ(FormatDateTime(FormatFromStrftime("%d day %m"), SampleTime()), "07 day 03");
}

TEST(DateFormat, WithoutALocaleOfTheUsersOwnDatesAreHungarian) {
    using Value = std::optional<std::string>;
    struct Case {
        Value all;
        Value time;
        Value lang;
    };
    // C and POSIX by any of the variables, nothing set at all, and a locale that is not installed.
    for (const Case& settings : {Case{"C", "de_DE.UTF-8", {}}, Case{"", "POSIX", {}}, Case{{}, {}, "C.UTF-8"},
                                 Case{{}, {}, {}}, Case{"xx_NOWHERE.UTF-8", {}, {}}}) {
        test::ScopedEnv all("LC_ALL", settings.all);
        test::ScopedEnv time("LC_TIME", settings.time);
        test::ScopedEnv lang("LANG", settings.lang);
        EXPECT_EQ(LocaleShortDateFormat(), "yyyy. mm. dd.") << settings.all.value_or("-");
        EXPECT_EQ(LocaleShortTimeFormat(), "h:nn");
    }
    EXPECT_EQ(FormatDateTime("yyyy. mm. dd.  h:nn", SampleTime()), "2024. 03. 07.  9:05");
}

TEST(DateFormat, TheProgramFormatKeepsItsChange) {
    const std::string date = ShortDateFormat();
    const std::string time = ShortTimeFormat();
    SetShortDateFormat("yyyy/mm/dd");
    SetShortTimeFormat("hh:nn");
    EXPECT_EQ(ShortDateFormat(), "yyyy/mm/dd");
    EXPECT_EQ(FormatShortDate(SampleTime()), "2024/03/07");
    EXPECT_EQ(FormatShortTime(SampleTime()), "09:05");
    SetShortDateFormat(date);
    SetShortTimeFormat(time);
}

}  // namespace
}  // namespace ruvu::platform
