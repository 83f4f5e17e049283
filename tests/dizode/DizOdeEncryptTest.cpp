// Traditional zip encryption: passwords from the record, from a spec, or asked through the callback.

#include "tests/dizode/DizOdeFixture.h"

namespace ruvu::dizode::test {

using testsupport::SampleText;

namespace {

// Every peer extracts the archive with the password and gets the bytes back; a wrong one fails.
void ExpectPeersDecrypt(const testsupport::TempFolder& tmp, const std::string& archive,
                        const std::string& name, const std::string& password, const std::string& content) {
    const std::string base = tmp.Host("dec-" + password);
    for (const auto& run : {testsupport::UnzipExtract(archive, base + "/u", password),
                            testsupport::SevenZipExtract(archive, base + "/7", password),
                            testsupport::PythonExtract(archive, base + "/p", password)}) {
        ASSERT_TRUE(run.Ok()) << run.output;
    }
    for (const char* tool : {"/u/", "/7/", "/p/"}) {
        EXPECT_EQ(ReadFileBytes(base + tool + name), content) << tool;
    }
    EXPECT_FALSE(testsupport::UnzipTest(archive, password + "x").Ok());
}

}  // namespace

TEST_F(DizOdeTest, RecordPasswordEncryptsEveryFileForEveryPeer) {
    const std::string text = SampleText(70000);
    tmp_.Write("e/text.txt", text);
    tmp_.Write("e/small.png", "tiny");
    auto params = Params();
    params.Params().EncryptFlag = -1;
    params.Password("titok").RootDir(tmp_.Win("e")).StoreSuffixes(".png");
    params.Spec(testsupport::ZipSpec{"*.*", "", true, false});
    EXPECT_EQ(Run(params), 2);
    ExpectPeersAccept(Archive(), "titok");
    ExpectPeersDecrypt(tmp_, Archive(), "text.txt", "titok", text);
    ExpectPeersDecrypt(tmp_, Archive(), "small.png", "titok", "tiny");
    for (const auto& line : testsupport::PythonInfo(Archive())) {
        EXPECT_EQ(std::stoi(line.substr(line.find('|') + 1)) & 1, 1) << line;
    }
}

TEST_F(DizOdeTest, SpecPasswordsOverrideTheRecordPasswordAndUnmarkedSpecsStayPlain) {
    tmp_.Write("s/a.txt", "for a");
    tmp_.Write("s/b.txt", "for b");
    tmp_.Write("s/c.txt", "plain");
    auto params = Params();
    params.Password("record").RootDir(tmp_.Win("s"));
    params.Spec(testsupport::ZipSpec{"a.txt", "alpha", true, false});
    params.Spec(testsupport::ZipSpec{"b.txt", "", true, false});
    params.Spec(testsupport::ZipSpec{"c.txt", "", false, false});
    EXPECT_EQ(Run(params), 3);
    auto extractOne = [&](const std::string& name, const std::string& password) {
        const auto run =
            testsupport::RunTool({"unzip", "-o", "-P", password, Archive(), name, "-d", tmp_.Host("o")});
        return run.Ok() ? ReadFileBytes(tmp_.Host("o/" + name)) : "failed: " + run.output;
    };
    EXPECT_EQ(extractOne("a.txt", "alpha"), "for a");
    EXPECT_EQ(extractOne("b.txt", "record"), "for b");
    EXPECT_EQ(extractOne("c.txt", "anything"), "plain");
    EXPECT_NE(extractOne("a.txt", "record"), "for a");
}

TEST_F(DizOdeTest, MissingPasswordIsAskedOnceAndNoAnswerAddsNothing) {
    tmp_.Write("p/one.txt", "one");
    tmp_.Write("p/two.txt", "two");
    callback_.passwords.push_back(std::string("kérdezett"));
    auto asked = Params("asked.zip");
    asked.Params().EncryptFlag = -1;
    asked.RootDir(tmp_.Win("p")).Spec(testsupport::ZipSpec{"*.txt", "", true, false});
    EXPECT_EQ(Run(asked), 2);
    const auto requests = callback_.Of(abi::kActionPassword);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].errorCode & 1, 1);
    ExpectPeersDecrypt(tmp_, Archive("asked.zip"), "two.txt", "kérdezett", "two");

    // Encryption asked for and no password given: neither a new archive nor a changed one, never the
    // files in plain text.
    const std::string before = ReadFileBytes(Archive("asked.zip"));
    tmp_.Write("p/two.txt", "two, changed");
    for (const std::string archive : {"plain.zip", "asked.zip"}) {
        callback_.Clear();
        callback_.passwords.push_back(std::nullopt);
        auto unanswered = Params(archive);
        unanswered.Params().EncryptFlag = -1;
        unanswered.RootDir(tmp_.Win("p")).Spec(testsupport::ZipSpec{"*.txt", "", true, false});
        EXPECT_EQ(Run(unanswered), 0) << archive;
        EXPECT_EQ(callback_.Of(abi::kActionPassword).size(), 1u);
        EXPECT_EQ(callback_.WorstCode(), abi::kCodeBadPassword);
        EXPECT_TRUE(callback_.HasMessage("nothing was added"));
    }
    EXPECT_FALSE(tmp_.Exists("plain.zip"));
    EXPECT_EQ(ReadFileBytes(Archive("asked.zip")), before);
}

TEST_F(DizOdeTest, LargeFilesStreamThroughZlibEncryptedOrStored) {
    // Above the in-memory limit: one that deflates, one that only stores; on one thread and in blocks
    // on two.
    const std::string big = SampleText((64u << 20) + 12345, 5);
    const std::string noise = testsupport::RandomBytes((64u << 20) + 777, 6);
    tmp_.Write("big/text.txt", big);
    tmp_.Write("big/noise.bin", noise);
    for (const int threads : {1, 2}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        const ThreadCount count(threads);
        const std::string archive = "big" + std::to_string(threads) + ".zip";
        callback_.Clear();
        auto params = Params(archive);
        params.Level(1).Password("nagy").RootDir(tmp_.Win("big"));
        params.Spec(testsupport::ZipSpec{"text.txt", "", true, false});
        params.Spec(testsupport::ZipSpec{"noise.bin", "", false, false});
        EXPECT_EQ(Run(params), 2);
        const auto test = testsupport::UnzipTest(Archive(archive), "nagy");
        EXPECT_TRUE(test.Ok()) << test.output;
        const std::string out = tmp_.Host("out" + std::to_string(threads));
        ASSERT_TRUE(testsupport::UnzipExtract(Archive(archive), out, "nagy").Ok());
        EXPECT_TRUE(ReadFileBytes(out + "/text.txt") == big);
        EXPECT_TRUE(ReadFileBytes(out + "/noise.bin") == noise);
        int64_t reported = 0;
        for (const auto& e : callback_.Of(abi::kActionItemProgress)) {
            reported += e.fileSize;
        }
        EXPECT_EQ(reported, static_cast<int64_t>(big.size() + noise.size()));
    }
}

}  // namespace ruvu::dizode::test
