// The shared library code on its own: spec matching, stored and safe names, the archive reader on
// peer-made and damaged archives, and the traditional encryption against archives made by zip.
#include <gtest/gtest.h>

#include "libs/common/ArchiveReader.h"
#include "libs/common/NewEncryptionHeader.h"
#include "libs/common/PathTools.h"
#include "libs/common/SpecMatch.h"
#include "tests/libsupport/PeerTools.h"
#include "tests/libsupport/TempFolder.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/Crc32.h"
#include "zipformat/ZipCrypto.h"

namespace ruvu::libcommon {
namespace {

using testsupport::ReadFileBytes;
using testsupport::RunTool;
using zip::CheckEncryptionHeader;
using zip::EncryptionCheckByte;
using zip::EncryptionHeader;
using zip::ZipCryptoKeys;

TEST(SpecMatchTest, WildcardsSeparatorsAndCaseAsUsersWriteThem) {
    EXPECT_TRUE(MatchSpec("*.txt", "sub/a.TXT"));
    EXPECT_TRUE(MatchSpec("SUB\\?.txt", "sub/a.txt"));
    EXPECT_FALSE(MatchSpec("sub\\?.txt", "sub/ab.txt"));
    EXPECT_TRUE(MatchSpec("*.*", "README"));
    EXPECT_TRUE(MatchSpec("ŐSZ*", "ősz.txt"));
    EXPECT_TRUE(MatchSpec("árvíz*.TXT", "ÁRVÍZTŰRŐ.txt"));
    EXPECT_FALSE(MatchSpec("a*b*c", "aXbXd"));
    EXPECT_TRUE(MatchSpec(std::string(50, '*') + "x", std::string(5000, 'a') + "x"));
    EXPECT_TRUE(SameName("Dir\\Ű.txt", "dir/ű.TXT"));
}

TEST(PathToolsTest, StoredAndSafeNamesDropDrivesRootsAndParents) {
    EXPECT_EQ(StoredPath("C:\\data\\..\\x\\.\\y.txt"), "x/y.txt");
    EXPECT_EQ(StoredPath("..\\..\\x\\y.txt"), "x/y.txt");
    EXPECT_EQ(StoredPath("\\\\a//b\\", true), "a/b/");
    const SafeName evil = MakeSafeName("../../etc/passwd");
    EXPECT_EQ(evil.relative, "etc\\passwd");
    EXPECT_TRUE(evil.unsafe);
    const SafeName fine = MakeSafeName("dir/sub/");
    EXPECT_EQ(fine.relative, "dir\\sub");
    EXPECT_FALSE(fine.unsafe);
    EXPECT_TRUE(fine.isFolder);
    EXPECT_TRUE(MakeSafeName("C:/x").unsafe);
}

TEST(ArchiveReaderTest, ReadsPeerArchivesWithCommentsAndStubs) {
    testsupport::TempFolder tmp;
    tmp.Write("in/a.txt", "alpha");
    tmp.Write("in/b.txt", testsupport::SampleText(10000));
    ASSERT_TRUE(RunTool({"zip", "-q", tmp.Host("plain.zip"), "a.txt", "b.txt"}, tmp.Host("in")).Ok());
    // The longest comment there is, set by Python (zip would break it into lines).
    const std::string comment(65535, 'c');
    ASSERT_TRUE(
        RunTool({"python3", "-c",
                 "import sys, zipfile\nwith zipfile.ZipFile(sys.argv[1], 'a') as z: z.comment = b'c' * 65535",
                 tmp.Host("plain.zip")})
            .Ok());

    ArchiveReader reader;
    ASSERT_TRUE(reader.OpenHost(tmp.Host("plain.zip"), zip::CodePageRule::Auto)) << reader.LastError().text;
    ASSERT_EQ(reader.Entries().size(), 2u);
    EXPECT_TRUE(reader.Comment() == comment);
    EXPECT_EQ(reader.PrefixSize(), 0u);
    const auto layout = reader.Layout(reader.Entries()[0]);
    ASSERT_TRUE(layout);
    std::string data(layout->dataSize, '\0');
    ASSERT_TRUE(reader.ReadAt(layout->dataPos, data.data(), data.size()));
    EXPECT_EQ(data, "alpha");
    reader.Close();

    // A stub in front whose offsets the archive does not count, and one where they were adjusted.
    const std::string zip = ReadFileBytes(tmp.Host("plain.zip"));
    const std::string stub(777, 'S');
    tmp.Write("raw.exe", stub + zip);
    ASSERT_TRUE(reader.OpenHost(tmp.Host("raw.exe"), zip::CodePageRule::Auto));
    EXPECT_EQ(reader.PrefixSize(), stub.size());
    EXPECT_EQ(reader.Entries()[1].localHeaderPos, stub.size() + reader.Entries()[1].header.LocalHeaderOffset);
    reader.Close();
    tmp.Write("fixed.exe", stub + zip);
    ASSERT_TRUE(RunTool({"zip", "-q", "-A", tmp.Host("fixed.exe")}).Ok());
    ASSERT_TRUE(reader.OpenHost(tmp.Host("fixed.exe"), zip::CodePageRule::Auto));
    EXPECT_EQ(reader.PrefixSize(), stub.size());
    EXPECT_TRUE(reader.Layout(reader.Entries()[1]).has_value());
}

TEST(ArchiveReaderTest, DamagedArchivesAreRefusedWithAReason) {
    testsupport::TempFolder tmp;
    tmp.Write("in/a.txt", testsupport::SampleText(3000));
    ASSERT_TRUE(RunTool({"zip", "-q", tmp.Host("good.zip"), "a.txt"}, tmp.Host("in")).Ok());
    const std::string good = ReadFileBytes(tmp.Host("good.zip"));
    const size_t end = good.size() - 22;
    std::vector<std::string> damaged = {
        "", "PK\x05\x06", good.substr(0, end - 5) + good.substr(end),  // directory cut short
        good.substr(end),                                              // an end record pointing at nothing
    };
    std::string hugeCount = good;
    hugeCount[end + 10] = '\x40';  // far more entries than the directory holds
    damaged.push_back(hugeCount);
    std::string badOffset = good;
    const uint32_t directory = zip::GetU32(reinterpret_cast<const uint8_t*>(good.data()) + end + 16);
    badOffset[directory + 42 + 3] = '\x7F';  // the local header offset of the only entry
    damaged.push_back(badOffset);
    for (size_t i = 0; i < damaged.size(); ++i) {
        tmp.Write("bad.zip", damaged[i]);
        ArchiveReader reader;
        EXPECT_FALSE(reader.OpenHost(tmp.Host("bad.zip"), zip::CodePageRule::Auto)) << i;
        EXPECT_NE(reader.LastError().code, abi::kCodeOk) << i;
        EXPECT_FALSE(reader.LastError().text.empty()) << i;
    }
}

TEST(ZipCryptoTest, DecryptsWhatZipEncryptedAndRoundTrips) {
    testsupport::TempFolder tmp;
    const std::string text = testsupport::SampleText(5000);
    tmp.Write("in/secret.txt", text);
    ASSERT_TRUE(
        RunTool({"zip", "-q", "-0", "-P", "jelszó", tmp.Host("enc.zip"), "secret.txt"}, tmp.Host("in")).Ok());
    ArchiveReader reader;
    ASSERT_TRUE(reader.OpenHost(tmp.Host("enc.zip"), zip::CodePageRule::Auto));
    const auto& header = reader.Entries()[0].header;
    ASSERT_TRUE(header.IsEncrypted());
    const auto layout = reader.Layout(reader.Entries()[0]);
    ASSERT_TRUE(layout);
    std::string data(layout->dataSize, '\0');
    ASSERT_TRUE(reader.ReadAt(layout->dataPos, data.data(), data.size()));
    EncryptionHeader head;
    std::copy_n(data.begin(), head.size(), head.begin());
    const uint8_t check = EncryptionCheckByte(layout->local.Flags, header.Crc32, header.DosDateTime);
    ZipCryptoKeys wrong("jelszo");
    EncryptionHeader copy = head;
    const bool wrongPasses = CheckEncryptionHeader(wrong, copy, check);
    ZipCryptoKeys keys("jelszó");
    ASSERT_TRUE(CheckEncryptionHeader(keys, head, check));
    auto* body = reinterpret_cast<uint8_t*>(data.data()) + head.size();
    keys.Decrypt(body, data.size() - head.size());
    EXPECT_EQ(data.substr(head.size()), text);
    EXPECT_EQ(zip::Crc32(0, text.data(), text.size()), header.Crc32);
    (void)wrongPasses;  // one wrong password in 256 passes the check byte

    ZipCryptoKeys encrypt("x");
    ZipCryptoKeys decrypt("x");
    std::string plain = "round trip";
    const auto newHead = MakeEncryptionHeader(encrypt, 0xAB);
    encrypt.Encrypt(reinterpret_cast<uint8_t*>(plain.data()), plain.size());
    EXPECT_NE(plain, "round trip");
    ASSERT_TRUE(CheckEncryptionHeader(decrypt, newHead, 0xAB));
    decrypt.Decrypt(reinterpret_cast<uint8_t*>(plain.data()), plain.size());
    EXPECT_EQ(plain, "round trip");
}

}  // namespace
}  // namespace ruvu::libcommon
