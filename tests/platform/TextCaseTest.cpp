#include "platform/TextCase.h"

#include <gtest/gtest.h>

namespace ruvu::platform {
namespace {

TEST(TextCase, AccentedLettersOfTheLatinCodePagesChangeCase) {
    struct Pair {
        const char* lower;
        const char* upper;
    };
    for (const Pair& pair : {
             Pair{"árvíztűrő tükörfúrógép", "ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP"},
             Pair{"mentés.spl", "MENTÉS.SPL"},
             Pair{"šđčćž łńśźż ľťňř ąęů ÿ œ", "ŠĐČĆŽ ŁŃŚŹŻ ĽŤŇŘ ĄĘŮ Ÿ Œ"},
             Pair{"àçëîñøþ", "ÀÇËÎÑØÞ"},
         }) {
        EXPECT_EQ(UpperCase(pair.lower), pair.upper);
        EXPECT_EQ(LowerCase(pair.upper), pair.lower);
        EXPECT_TRUE(SameText(pair.lower, pair.upper)) << pair.lower;
    }
}

TEST(TextCase, EverythingElseStaysAsItIs) {
    // Signs, letters without a partner in the code pages, other scripts, and bytes that are no UTF-8
    // (a stray byte, a cut sequence, an overlong form).
    for (const char* text :
         {"× ÷ ß ı İ ĸ ſ € 日本 1-2_3", "\xff\xc3", "\xe2\x82", "\xc0\xa1", "\xe0\x80\xaf"}) {
        EXPECT_EQ(UpperCase(text), text);
        EXPECT_EQ(LowerCase(text), text);
    }
    EXPECT_EQ(UpperCase(std::string("ab\xff") + "cd"), std::string("AB\xff") + "CD");
    EXPECT_FALSE(SameText("\xc3", "\xc3\xa1"));
}

TEST(TextCase, EveryLetterPairsWithOneOfTheSameLength) {
    for (char32_t c = 0; c < 0x250; ++c) {
        const char32_t upper = UpperChar(c);
        EXPECT_EQ(UpperChar(LowerChar(c)), upper) << std::hex << static_cast<uint32_t>(c);
        EXPECT_EQ(LowerChar(upper), LowerChar(c)) << std::hex << static_cast<uint32_t>(c);
        std::string a;
        std::string b;
        AppendUtf8Char(a, c);
        AppendUtf8Char(b, upper);
        EXPECT_EQ(a.size(), b.size()) << std::hex << static_cast<uint32_t>(c);
    }
}

TEST(TextCase, ComparisonOrdersByUpperCase) {
    EXPECT_EQ(CompareText("Mentés.SPL", "MENTÉS.spl"), 0);
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    EXPECT_GT(CompareText("abcd", "ABC"), 0);
    EXPECT_LT(CompareText("A", "_"), 0);  // "_" comes after the upper-case letters
    EXPECT_LT(CompareText("z", "á"), 0);
    EXPECT_FALSE(SameText("ő", "ö"));
}

}  // namespace
}  // namespace ruvu::platform
