// Password requests (callback action 8) answered by a handler, by the dialogs, and unattended.
#include <gtest/gtest.h>

#include "engine/Messages.h"
#include "tests/engine/FakeLibSupport.h"

namespace ruvu::enginetest {
namespace {

using platform::IDABORT;
using platform::IDCANCEL;
using platform::IDNOTOALL;
using platform::IDOK;

class PasswordTest : public ::testing::Test {
  protected:
    PasswordTest() {
        h.zip.SetDLLDirectory(kFakeLibs);
        h.Open(dir / "target.zip");
    }
    // Plays script through an add (the request's ErrorCode tells new from extract passwords).
    std::vector<FakeAnswer> Requests(const std::string& script) {
        FakeScript fake(dir, script + ";r=0");
        h.zip.FSpecArgs() = {"a.txt"};
        h.zip.Add();
        return fake.Last().answers;
    }

    TempDir dir;
    Harness h;
};

TEST_F(PasswordTest, AHandlersPasswordCountsOnlyWithOk) {
    std::vector<TPasswordButton> actions = {pbOk, pbCancel, pbOk, pbCancelAll, pbAbort};
    std::vector<std::string> forFiles;
    h.zip.OnPasswordError = [&](TObject*, bool isZip, std::string& password, const std::string& forFile,
                                uint32_t& repeat, TPasswordButton& action) {
        EXPECT_TRUE(isZip);
        EXPECT_TRUE(password.empty());
        forFiles.push_back(forFile);
        password = forFiles.size() == 3 ? std::string(100, 'q') : "given";
        repeat += 1;
        action = actions[forFiles.size() - 1];
    };
    const std::vector<FakeAnswer> a =
        Requests("a=8|t=d/a.txt|s=20;a=8|t=b|s=2;a=8|t=c|s=1;a=8|t=d|s=1;a=8|t=e|s=1");
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(forFiles.front(), "d\\a.txt");
    EXPECT_EQ(a[0].errorCode, 1);
    EXPECT_EQ(a[0].text, "given");
    EXPECT_EQ(a[0].fileSize, 15);  // 21 is more than the most a library may repeat
    EXPECT_EQ(a[1].errorCode, 0);  // Cancel: the password is ignored
    EXPECT_EQ(a[1].fileSize, 0);
    EXPECT_EQ(a[1].text, "b");
    EXPECT_EQ(a[2].text, std::string(80, 'q'));
    EXPECT_EQ(a[3].actionCode, 0u);  // Cancel all
    EXPECT_EQ(a[3].result, 0);
    EXPECT_EQ(a[4].result, 1);  // Abort stops the library
    EXPECT_EQ(h.messages.back().first, msg::DllUserCancelled);
}

TEST_F(PasswordTest, DialogsAskForANewPasswordTwiceAndForAnExtractPasswordOnce) {
    h.ui.passwordAnswers = {{IDOK, "same"},  {IDOK, "same"},  // confirmed
                            {IDOK, "one"},   {IDOK, "two"},   // mismatch
                            {IDOK, ""},                       // empty: no second question
                            {IDOK, "x"},     {IDCANCEL, ""},  // confirmation cancelled
                            {IDOK, "ext"},                    // extract password
                            {IDNOTOALL, ""},                  // cancel all
                            {IDABORT, ""}};
    const std::vector<FakeAnswer> a =
        Requests("a=8|e=1|s=1;a=8|e=1|s=1;a=8|e=1|s=1;a=8|e=1|s=1;a=8|e=0|s=1;a=8|s=1;a=8|s=1");
    ASSERT_EQ(a.size(), 7u);
    EXPECT_EQ(a[0].text, "same");
    EXPECT_EQ(a[0].errorCode, 1);
    EXPECT_EQ(a[1].errorCode, 0);
    ASSERT_EQ(h.ui.boxes.size(), 2u);
    EXPECT_EQ(h.ui.boxes[0].text, LoadZipStr(msg::PasswordMismatch));
    EXPECT_EQ(h.ui.boxes[1].text, LoadZipStr(msg::DllUserCancelled));  // after the Abort
    EXPECT_EQ(a[2].errorCode, 0);
    EXPECT_EQ(a[3].errorCode, 0);
    EXPECT_EQ(a[4].text, "ext");
    EXPECT_EQ(a[5].actionCode, 0u);
    EXPECT_EQ(a[6].result, 1);
    std::vector<int> selectors;
    for (const auto& prompt : h.ui.passwordPrompts) {
        selectors.push_back(prompt.buttonSelector);
    }
    EXPECT_EQ(selectors, (std::vector<int>{2, 2, 2, 2, 2, 2, 2, 6, 6, 6}));
}

TEST_F(PasswordTest, UnattendedRequestsAreReportedAndNeverShown) {
    h.zip.SetUnattended(true);
    const std::vector<FakeAnswer> a = Requests("a=8|e=1|s=3;a=8|e=0|s=3");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].errorCode, 0);
    EXPECT_EQ(a[0].fileSize, 0);
    EXPECT_EQ(h.MessageIds(), (std::vector<int32_t>{msg::NoAddPassword, msg::NoExtractPassword}));
    EXPECT_TRUE(h.ui.passwordPrompts.empty());
    EXPECT_TRUE(h.ui.boxes.empty());

    // Outside an operation the component asks the same way.
    TPasswordButton button = pbAbort;
    std::string password = "stale";
    h.zip.GetExtrPassword(button, password);
    EXPECT_TRUE(password.empty());
    EXPECT_EQ(button, pbAbort);
    EXPECT_EQ(h.zip.ErrCode(), msg::NoExtractPassword);
}

TEST_F(PasswordTest, AnUnattendedExtractWithoutPasswordAsksTheLibraryForNoRetries) {
    h.zip.SetUnattended(true);
    h.zip.SetPasswordReqCount(4);
    const std::string archive = dir / "source.zip";
    WriteFile(archive, BuildZip({TestEntry("a.txt", "alpha")}).bytes);
    h.Open(archive);
    FakeScript fake(dir, "r=1");
    h.zip.Extract();
    EXPECT_EQ(fake.Last().I32(0x68), 0);
    EXPECT_EQ(h.Engine().Options.PasswordReqCount, 4u);
    EXPECT_EQ(h.zip.ErrCode(), msg::ExtractUnattendedWarning);

    // A handler could answer, so the retries stay.
    h.zip.OnPasswordError = [](TObject*, bool, std::string&, const std::string&, uint32_t&,
                               TPasswordButton&) {};
    h.zip.Extract();
    EXPECT_EQ(fake.Last().I32(0x68), 4);
}

}  // namespace
}  // namespace ruvu::enginetest
