#include "platform/WinPath.h"

#include <gtest/gtest.h>

namespace ruvu::platform {
namespace {

TEST(WinPath, TrailingBackslashIsAddedOnceAndRootsKeepTheirs) {
    EXPECT_EQ(IncludeTrailingBackslash("C:\\DATA"), "C:\\DATA\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\DATA\\"), "C:\\DATA\\");
    EXPECT_EQ(IncludeTrailingBackslash("/home/u/"), "/home/u/");
    EXPECT_EQ(IncludeTrailingBackslash(""), "");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\DATA\\"), "C:\\DATA");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\DATA"), "C:\\DATA");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(ExcludeTrailingBackslash("\\"), "\\");
}

TEST(WinPath, JoinPutsExactlyOneBackslashAndNothingAfterADriveColon) {
    EXPECT_EQ(JoinPath("C:\\A", "B.TXT"), "C:\\A\\B.TXT");
    EXPECT_EQ(JoinPath("C:\\A\\", "\\B.TXT"), "C:\\A\\B.TXT");
    EXPECT_EQ(JoinPath("C:\\", "B"), "C:\\B");
    EXPECT_EQ(JoinPath("\\", "B"), "\\B");
    EXPECT_EQ(JoinPath("A:", "X.ZIP"), "A:X.ZIP");
    EXPECT_EQ(JoinPath("", "X"), "X");
    EXPECT_EQ(JoinPath("C:\\A", ""), "C:\\A");
}

TEST(WinPath, SlashConversionLeavesMultiByteCharactersAlone) {
    std::string name = "\xc3\xa1rv\xc3\xadz/t\xc5\xb1r\xc5\x91\\x";  // árvíz/tűrő\x
    EXPECT_EQ(SlashesToBackslashes(name), "\xc3\xa1rv\xc3\xadz\\t\xc5\xb1r\xc5\x91\\x");
    EXPECT_EQ(BackslashesToSlashes(name), "\xc3\xa1rv\xc3\xadz/t\xc5\xb1r\xc5\x91/x");
}

TEST(WinPath, PartsOfAPath) {
    EXPECT_EQ(ExtractFileDrive("c:\\x"), "c:");
    EXPECT_EQ(ExtractFileDrive("A:X.ZIP"), "A:");
    EXPECT_EQ(ExtractFileDrive("\\x"), "");
    EXPECT_EQ(ExtractFilePath("C:\\A\\B.TXT"), "C:\\A\\");
    EXPECT_EQ(ExtractFilePath("A:X.ZIP"), "A:");
    EXPECT_EQ(ExtractFilePath("/home/u/x.zip"), "/home/u/");
    EXPECT_EQ(ExtractFilePath("X.ZIP"), "");
    EXPECT_EQ(ExtractFileDir("C:\\A\\B.TXT"), "C:\\A");
    EXPECT_EQ(ExtractFileDir("C:\\B.TXT"), "C:\\");
    EXPECT_EQ(ExtractFileDir("\\B.TXT"), "\\");
    EXPECT_EQ(ExtractFileName("C:\\A\\B.TXT"), "B.TXT");
    EXPECT_EQ(ExtractFileName("A:X.ZIP"), "X.ZIP");
    EXPECT_EQ(ExtractFileExt("C:\\A.DIR\\B"), "");
    EXPECT_EQ(ExtractFileExt("C:\\A\\B.tar.gz"), ".gz");
    EXPECT_EQ(ChangeFileExt("C:\\A.DIR\\B", ".ZIP"), "C:\\A.DIR\\B.ZIP");
    EXPECT_EQ(ChangeFileExt("C:\\A\\X.SPL", ".001"), "C:\\A\\X.001");
    EXPECT_EQ(ChangeFileExt("X.EXE", ""), "X");
}

TEST(WinPath, ComparisonsIgnoreAsciiCaseOnly) {
    EXPECT_TRUE(SameTextAscii("ReadMe.Txt", "README.TXT"));
    EXPECT_FALSE(SameTextAscii("\xc3\xa1", "\xc3\x81"));  // á and Á stay different
    EXPECT_LT(CompareTextAscii("abc", "ABD"), 0);
    EXPECT_GT(CompareTextAscii("abcd", "ABC"), 0);
    EXPECT_LT(CompareTextAscii("A", "_"), 0);  // upper-case order, as Windows compares names
    EXPECT_EQ(UpperCaseAscii("\xc3\xa1x"), "\xc3\xa1X");
    EXPECT_EQ(LowerCaseAscii("ABC.ZIP"), "abc.zip");
}

}  // namespace
}  // namespace ruvu::platform
