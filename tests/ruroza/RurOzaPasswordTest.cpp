// Encrypted entries: the record's password, the questions of action 8 and their limits, and a wrong
// password that never writes garbage.
#include <gmock/gmock.h>

#include "libs/common/ArchiveReader.h"
#include "tests/ruroza/RurOzaFixture.h"
#include "zipformat/ZipCrypto.h"

namespace ruvu::ruroza::test {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using testsupport::SampleText;

class RurOzaPasswordTest : public RurOzaTest {
  protected:
    // "enc.zip": three entries encrypted with "right" and one plain entry.
    void SetUp() override {
        RurOzaTest::SetUp();
        tmp_.Write("src/a.txt", SampleText(50000, 1));
        tmp_.Write("src/b.txt", SampleText(3000, 2));
        tmp_.Write("src/c.txt", "c");
        tmp_.Write("src/plain.txt", "plain");
        ASSERT_TRUE(Shell("zip -q -P right ../enc.zip a.txt b.txt c.txt && zip -q ../enc.zip plain.txt",
                          tmp_.Host("src"))
                        .Ok());
    }

    // A password that fails the encryption header check of every entry, so the test never depends on
    // the one-in-256 chance of a wrong password passing it.
    std::string WrongPassword() {
        libcommon::ArchiveReader reader;
        EXPECT_TRUE(reader.OpenHost(tmp_.Host("enc.zip"), zip::CodePageRule::Auto));
        for (int n = 0;; ++n) {
            const std::string candidate = "wrong" + std::to_string(n);
            bool passes = false;
            for (const auto& entry : reader.Entries()) {
                if (!entry.header.IsEncrypted()) {
                    continue;
                }
                const auto layout = reader.Layout(entry);
                zip::EncryptionHeader header{};
                reader.ReadAt(layout->dataPos, header.data(), header.size());
                zip::ZipCryptoKeys keys(candidate);
                passes = passes || zip::CheckEncryptionHeader(
                                       keys, header,
                                       zip::EncryptionCheckByte(layout->local.Flags, entry.header.Crc32,
                                                                layout->local.DosDateTime));
            }
            if (!passes) {
                return candidate;
            }
        }
    }
};

TEST_F(RurOzaPasswordTest, AnsweredPasswordIsUsedForEveryEntryItOpens) {
    callback_.passwords = {std::string("right")};
    EXPECT_EQ(Extract("enc.zip"), 4);
    // Asked once: the password that opened a.txt opens b.txt and c.txt too.
    const auto asked = callback_.Of(abi::kActionPassword);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "a.txt");
    EXPECT_EQ(asked[0].errorCode, 0);  // an extract password
    EXPECT_EQ(asked[0].fileSize, 1);   // PasswordReqCount
    EXPECT_EQ(asked[0].isZip, 0);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/a.txt")), SampleText(50000, 1));
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/c.txt")), "c");
}

TEST_F(RurOzaPasswordTest, WrongPasswordSkipsTheEntriesAndWritesNothing) {
    const std::string wrong = WrongPassword();
    EXPECT_EQ(Extract("enc.zip", wrong), 1);  // the plain entry only
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stBadPassword, abi::stBadPassword, abi::stBadPassword));
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeBadPassword);
    EXPECT_FALSE(tmp_.Exists("out/a.txt"));
    EXPECT_FALSE(tmp_.Exists("out/b.txt"));
    EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());
    // The record's password is wrong, so the engine is asked; its empty answer ends the questions.
    EXPECT_EQ(callback_.Of(abi::kActionPassword).size(), 1u);

    ClearOutput();
    EXPECT_EQ(Test("enc.zip", wrong), 1);
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stBadPassword, abi::stBadPassword, abi::stBadPassword));
}

TEST_F(RurOzaPasswordTest, QuestionsAreLimitedPerEntryAndWrongAnswersRetried) {
    const std::string wrong = WrongPassword();
    auto params = Params("enc.zip");
    params.Params().PasswordReqCount = 3;
    callback_.passwords = {wrong, wrong, std::string("right")};
    EXPECT_EQ(Run(params), 4);
    const auto asked = callback_.Of(abi::kActionPassword);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].fileSize, 3);  // questions left for this entry
    EXPECT_EQ(asked[2].fileSize, 1);

    // Three wrong answers use the entry's questions up; the next entry gets its own.
    ClearOutput();
    callback_.passwords = {wrong, wrong, wrong, std::string("right")};
    auto again = Params("enc.zip");
    again.Params().PasswordReqCount = 3;
    EXPECT_EQ(Run(again), 3);
    EXPECT_EQ(callback_.Of(abi::kActionPassword).size(), 4u);
    EXPECT_EQ(SkippedNames(), std::vector<std::string>{"a.txt"});
}

TEST_F(RurOzaPasswordTest, CancelAllOrAnEmptyAnswerStopsTheQuestions) {
    callback_.cancelAllPasswords = true;
    auto params = Params("enc.zip");
    params.Params().PasswordReqCount = 5;
    EXPECT_EQ(Run(params), 1);
    EXPECT_EQ(callback_.Of(abi::kActionPassword).size(), 1u);
    EXPECT_THAT(SkipTypes(), Each(abi::stBadPassword));
    EXPECT_EQ(SkipTypes().size(), 3u);

    ClearOutput();
    callback_.cancelAllPasswords = false;
    callback_.passwords = {std::nullopt};
    auto empty = Params("enc.zip");
    empty.Params().PasswordReqCount = 5;
    EXPECT_EQ(Run(empty), 1);
    EXPECT_EQ(callback_.Of(abi::kActionPassword).size(), 1u);

    // A count of 0 never asks, as for an unattended run.
    ClearOutput();
    auto never = Params("enc.zip");
    never.Params().PasswordReqCount = 0;
    EXPECT_EQ(Run(never), 1);
    EXPECT_TRUE(callback_.Of(abi::kActionPassword).empty());
}

TEST_F(RurOzaPasswordTest, AbortAnswerStopsTheJobWithoutLeavingFiles) {
    callback_.stopAtAction = abi::kActionPassword;
    EXPECT_EQ(Extract("enc.zip"), abi::kResultCancelled);
    EXPECT_FALSE(tmp_.Exists("out/a.txt"));
    EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());
}

}  // namespace
}  // namespace ruvu::ruroza::test
