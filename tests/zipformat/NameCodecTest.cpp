// The one rule that turns a stored name or comment into text, for every host and CodePage setting;
// bytes no code page claims; the Unicode Path and Comment blocks; and names written for storing.
#include <gtest/gtest.h>

#include <set>

#include "platform/CodePage.h"
#include "tests/platform/PlatformTestSupport.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/Crc32.h"
#include "zipformat/NameCodec.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {
namespace {

using platform::test::ScopedEnv;

const std::string kLatin2 = "\xE1rv\xEDz";  // "árvíz" in ISO-8859-2
const std::string kCp852 = "\xA0rv\xA1z";   // "árvíz" in CP852

class NameCodecTest : public ::testing::Test {
  protected:
    ScopedEnv oem_{"RUVUVADU_OEMCP", "CP852"};
    ScopedEnv fallback_{"RUVUVADU_ANSICP", std::nullopt};
};

TEST_F(NameCodecTest, OneRuleForEveryHostAndSetting) {
    using R = CodePageRule;
    const struct {
        const char* what;
        std::string raw;
        uint16_t flags;
        uint8_t host;
        uint8_t madeBy;
        CodePageRule rule;
        std::string text;
    } cases[] = {
        {"Latin-2 from Unix, automatic", kLatin2, 0, kHostUnix, 30, R::Auto, "árvíz"},
        {"Latin-2 from Unix, none", kLatin2, 0, kHostUnix, 30, R::None, "árvíz"},
        {"Latin-2 from Unix, OEM", kLatin2, 0, kHostUnix, 30, R::Oem, "ßrvÝz"},
        {"CP852 from MS-DOS, automatic", kCp852, 0, kHostMsDos, 20, R::Auto, "árvíz"},
        {"CP852 from MS-DOS, none", kCp852, 0, kHostMsDos, 20, R::None, "\u00A0rvĄz"},
        {"CP852 from MS-DOS, OEM", kCp852, 0, kHostMsDos, 20, R::Oem, "árvíz"},
        {"HPFS is OEM whatever the setting", kCp852, 0, kHostHpfs, 20, R::None, "árvíz"},
        {"NTFS by version 5.0 likewise", kCp852, 0, kHostNtfs, 50, R::None, "árvíz"},
        {"NTFS by other versions is not", kCp852, 0, kHostNtfs, 20, R::Auto, "\u00A0rvĄz"},
        {"UTF-8 without the flag", "árvíz", 0, kHostUnix, 30, R::Auto, "árvíz"},
        {"UTF-8 with the flag from MS-DOS", "árvíz", kFlagUtf8, kHostMsDos, 20, R::Oem, "árvíz"},
        {"a stray byte under the flag", "t\xC3\xBCk\xF6r", kFlagUtf8, kHostMsDos, 20, R::Auto, "tükör"},
        {"OEM text ends at a NUL", std::string("ab\0cd", 5), 0, kHostMsDos, 20, R::Auto, "ab"},
        {"other text keeps it", std::string("ab\0cd", 5), 0, kHostUnix, 30, R::Auto,
         std::string("ab\0cd", 5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeEntryText(c.raw, c.flags, c.host, c.madeBy, c.rule), c.text);
    }
    EXPECT_EQ(CodePageRuleFromCode(1), R::None);
    EXPECT_EQ(CodePageRuleFromCode(2), R::Oem);
    EXPECT_EQ(CodePageRuleFromCode(77), R::Auto);
}

TEST_F(NameCodecTest, BytesNoCodePageClaimsStayValidAndDistinct) {
    std::set<std::string> seen;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const std::string raw = "x" + std::string(1, static_cast<char>(byte));
        for (const uint16_t flags : {uint16_t{0}, kFlagUtf8}) {
            const std::string text = DecodeEntryText(raw, flags, kHostUnix, 30, CodePageRule::None);
            EXPECT_TRUE(platform::IsValidUtf8(text)) << byte;
            if (flags == 0) {
                EXPECT_TRUE(seen.insert(text).second) << byte;
            } else {
                EXPECT_TRUE(seen.count(text)) << byte;  // the same character with or without the flag
            }
        }
    }

    // Another code page for such names, and bytes it leaves undefined.
    ScopedEnv cp1250("RUVUVADU_ANSICP", "CP1250");
    EXPECT_EQ(platform::FallbackCodePage(), "CP1250");
    EXPECT_EQ(DecodeEntryText("\x8A\x81", 0, kHostUnix, 30, CodePageRule::Auto), "Š\u0081");
    ScopedEnv unknown("RUVUVADU_ANSICP", "NO-SUCH-PAGE-7");
    testing::internal::CaptureStderr();
    EXPECT_EQ(DecodeEntryText(kLatin2, 0, kHostUnix, 30, CodePageRule::Auto), "árvíz");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("NO-SUCH-PAGE-7"), std::string::npos);
}

std::string UnicodeBlock(uint16_t id, uint8_t version, std::string_view stored, std::string_view text) {
    std::string data;
    ByteWriter(data).U8(version).U32(Crc32(0, stored.data(), stored.size())).Bytes(text);
    std::string block;
    ByteWriter(block).U16(id).U16(static_cast<uint16_t>(data.size())).Bytes(data);
    return block;
}

TEST_F(NameCodecTest, UnicodeBlocksCountOnlyWhenTheirCrcMatchesTheStoredText) {
    const struct {
        const char* what;
        std::string extra;
        uint16_t flags;
        std::string name;
        std::string comment;
    } cases[] = {
        {"matching blocks",
         UnicodeBlock(kExtraUnicodePath, 1, "arviz.txt", "árvíz.txt") +
             UnicodeBlock(kExtraUnicodeComment, 1, "megjegyzes", "megjegyzés"),
         0, "árvíz.txt", "megjegyzés"},
        {"CRC of other bytes",
         UnicodeBlock(kExtraUnicodePath, 1, "arviz.tx", "árvíz.txt") +
             UnicodeBlock(kExtraUnicodeComment, 1, "megjegyze", "megjegyzés"),
         0, "arviz.txt", "megjegyzes"},
        {"unknown version", UnicodeBlock(kExtraUnicodePath, 2, "arviz.txt", "árvíz.txt"), 0, "arviz.txt",
         "megjegyzes"},
        {"UTF-8 flag set", UnicodeBlock(kExtraUnicodePath, 1, "arviz.txt", "árvíz.txt"), kFlagUtf8,
         "arviz.txt", "megjegyzes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CentralDirEntry entry;
        entry.HostSystem = kHostMsDos;
        entry.Flags = c.flags;
        entry.Name = "arviz.txt";
        entry.Comment = "megjegyzes";
        entry.Extra = c.extra;
        EXPECT_EQ(DecodeEntryName(entry, CodePageRule::Auto), c.name);
        EXPECT_EQ(DecodeEntryComment(entry, CodePageRule::Auto), c.comment);
    }
}

TEST_F(NameCodecTest, NamesAreStoredAsAsciiOemOrUtf8) {
    const EncodedText ascii = EncodeEntryText("plain/name.txt");
    EXPECT_FALSE(ascii.utf8Flag);
    EXPECT_FALSE(ascii.oem);
    const EncodedText accented = EncodeEntryText("ősz.txt");
    EXPECT_TRUE(accented.utf8Flag);
    EXPECT_EQ(accented.bytes, "ősz.txt");
    const EncodedText oem = EncodeEntryText("ősz.txt", true);
    EXPECT_TRUE(oem.oem);
    EXPECT_FALSE(oem.utf8Flag);
    EXPECT_EQ(DecodeEntryText(oem.bytes, 0, kHostMsDos, 20, CodePageRule::Auto), "ősz.txt");
    // What CP852 cannot hold goes as UTF-8 even when OEM is preferred.
    EXPECT_TRUE(EncodeEntryText("日本.txt", true).utf8Flag);
}

}  // namespace
}  // namespace ruvu::zip
