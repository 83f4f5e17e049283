#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include "PlatformTestSupport.h"

namespace ruvu::platform {
namespace {

using test::ScopedEnv;

// ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP árvíztűrő tükörfúrógép: every Hungarian accented letter.
const std::string kHungarian =
    "\xc3\x81RV\xc3\x8dZT\xc5\xb0R\xc5\x90 T\xc3\x9cK\xc3\x96RF\xc3\x9aR\xc3\x93G\xc3\x89P "
    "\xc3\xa1rv\xc3\xadzt\xc5\xb1r\xc5\x91 t\xc3\xbck\xc3\xb6rf\xc3\xbar\xc3\xb3g\xc3\xa9p.zip";

TEST(CodePage, Cp852RoundTripsEveryHungarianLetter) {
    ScopedEnv cp("RUVUVADU_OEMCP", std::nullopt);
    EXPECT_EQ(OemCodePage(), "CP852");
    std::string oem = AnsiToOem(kHungarian);
    EXPECT_EQ(oem.size(), 49u);                            // one byte per letter
    EXPECT_EQ(oem.substr(0, 2), "\xb5R");                  // Á
    EXPECT_EQ(oem.substr(23, 7), "\xa0rv\xa1zt\xfb");      // árvízt ű
    EXPECT_EQ(static_cast<unsigned char>(oem[31]), 0x8B);  // ő
    EXPECT_EQ(OemToAnsi(oem), kHungarian);
    // Every OEM byte has its own character and comes back unchanged.
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        std::string one(1, static_cast<char>(byte));
        std::string ansi = OemToAnsi(one);
        EXPECT_TRUE(IsValidUtf8(ansi));
        EXPECT_EQ(AnsiToOem(ansi), one) << byte;
    }
}

TEST(CodePage, Cp437KeepsWhatItHasAndMarksTheRest) {
    ScopedEnv cp("RUVUVADU_OEMCP", "CP437");
    EXPECT_EQ(OemCodePage(), "CP437");
    std::string name = "t\xc3\xbck\xc3\xb6rf\xc3\xbar\xc3\xb3g\xc3\xa9p.zip";  // tükörfúrógép.zip
    std::string oem = AnsiToOem(name);
    EXPECT_EQ(oem, "t\x81k\x94rf\xa3r\xa2g\x82p.zip");
    EXPECT_EQ(OemToAnsi(oem), name);
    // ő, ű and the capitals Á, Í, Ó, Ú are not in CP437.
    EXPECT_EQ(AnsiToOem("\xc5\x91\xc5\xb1\xc3\x81\xc3\x8d\xc3\x93\xc3\x9a-\xe2\x82\xac"), "______-_");
    EXPECT_EQ(AnsiToOem("bad\xff\xc3utf8"), "bad__utf8");
}

TEST(CodePage, UnknownCodePageFallsBackToCp852) {
    ScopedEnv cp("RUVUVADU_OEMCP", "NO-SUCH-PAGE-42");
    testing::internal::CaptureStderr();
    EXPECT_EQ(OemCodePage(), "CP852");
    EXPECT_EQ(AnsiToOem("\xc3\x81"), "\xb5");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("NO-SUCH-PAGE-42"), std::string::npos);
}

TEST(CodePage, Utf8AndAsciiChecks) {
    EXPECT_TRUE(IsValidUtf8(kHungarian));
    EXPECT_TRUE(IsValidUtf8("\xf0\x9f\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xb5R"));         // CP852 bytes
    EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));      // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("\xc3"));          // cut short
    EXPECT_TRUE(IsPlainAscii("PKBACK# 001"));
    EXPECT_FALSE(IsPlainAscii(kHungarian));
}

}  // namespace
}  // namespace ruvu::platform
