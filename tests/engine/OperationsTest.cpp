// Add, extract, test and delete through the component with the real DIZODE.DLL and RUROZA.DLL,
// checked against the files and with unzip.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "engine/Messages.h"
#include "platform/FileSystem.h"
#include "tests/engine/FakeLibSupport.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class OperationsTest : public ::testing::Test {
  protected:
    OperationsTest() {
        h.zip.SetUnattended(true);
        // As an unattended caller would: nobody answers a password request.
        h.zip.OnPasswordError = [](TObject*, bool, std::string&, const std::string&, uint32_t&,
                                   TPasswordButton& action) { action = pbCancel; };
        fs::create_directories(src + "/sub/deep");
        std::string lines;
        for (int i = 0; i < 2000; ++i) {
            lines += "line " + std::to_string(i) + " of a text that packs well\n";
        }
        WriteFile(src + "/a.txt", "alpha\n");
        WriteFile(src + "/b.txt", lines);
        std::string binary;
        for (int i = 0; i < 70000; ++i) {
            binary += static_cast<char>((i * 7919) ^ (i >> 3));
        }
        WriteFile(src + "/sub/c.bin", binary);
        WriteFile(src + "/sub/deep/d.txt", "delta\n");
    }

    // Adds specs taken from the source folder; returns the component's result.
    int32_t AddFromSource(std::vector<std::string> specs, AddOpts options = {AddDirNames, AddRecurseDirs}) {
        h.zip.SetRootDir(src);
        h.zip.SetAddOptions(options);
        h.zip.FSpecArgs() = std::move(specs);
        return h.zip.Add();
    }
    int32_t ExtractTo(const std::string& folder, std::vector<std::string> specs = {},
                      ExtrOpts options = {ExtrDirNames, ExtrForceDirs}) {
        h.zip.SetExtrBaseDir(folder);
        h.zip.SetExtrOptions(options);
        h.zip.FSpecArgs() = std::move(specs);
        return h.zip.Extract();
    }
    int32_t Test() {
        h.zip.SetExtrOptions({ExtrTest});
        return h.zip.Extract();
    }
    bool UnzipTestPasses(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> argv = {"unzip", "-tq"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        argv.push_back(archive);
        return RunProgram(argv) == 0;
    }

    TempDir dir;
    Harness h;
    const std::string src = dir / "src";
    const std::string archive = dir / "test.zip";
};

TEST_F(OperationsTest, AddListExtractGivesTheSameNamesAndBytes) {
    WriteFile(src + "/skip.tmp", "temporary");
    h.Open(archive);
    const int updates = h.dirUpdates;
    h.zip.FSpecArgsExcl() = {"*.tmp"};
    EXPECT_EQ(AddFromSource({"*.*"}), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 4);
    EXPECT_GT(h.dirUpdates, updates);
    EXPECT_EQ(Sorted(h.Names()),
              (std::vector<std::string>{"a.txt", "b.txt", "sub\\c.bin", "sub\\deep\\d.txt"}));
    EXPECT_TRUE(h.zip.FSpecArgs().empty());
    EXPECT_TRUE(h.zip.FSpecArgsExcl().empty());
    EXPECT_TRUE(UnzipTestPasses());

    h.zip.FSpecArgsExcl() = {"kept"};
    EXPECT_EQ(ExtractTo(dir / "out\\new"), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 4);
    for (const char* name : {"a.txt", "b.txt", "sub/c.bin", "sub/deep/d.txt"}) {
        EXPECT_EQ(ReadFile(dir / "out/new/" + name), ReadFile(src + "/" + name)) << name;
    }
    EXPECT_TRUE(h.zip.FSpecArgs().empty());
    EXPECT_EQ(h.zip.FSpecArgsExcl(), std::vector<std::string>{"kept"});

    // "*.*" first selects every entry whatever follows; a named entry alone selects itself.
    EXPECT_EQ(ExtractTo(dir / "all", {"*.*", "a.txt"}), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 4);
    EXPECT_EQ(ExtractTo(dir / "one", {"sub\\deep\\d.txt"}), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 1);
    EXPECT_TRUE(fs::exists(dir / "one/sub/deep/d.txt"));
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_TRUE(h.ui.passwordPrompts.empty());
}

TEST_F(OperationsTest, FreshenAndUpdateReplaceOnlyNewerFiles) {
    h.Open(archive);
    ASSERT_EQ(AddFromSource({"a.txt", "b.txt"}, {}), 0);
    WriteFile(src + "/a.txt", "alpha, changed\n");
    fs::last_write_time(src + "/a.txt", fs::file_time_type::clock::now() + std::chrono::hours(1));
    WriteFile(src + "/e.txt", "epsilon\n");

    EXPECT_EQ(AddFromSource({"*.txt"}, {AddFreshen}), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 1);
    EXPECT_EQ(Sorted(h.Names()), (std::vector<std::string>{"a.txt", "b.txt"}));

    // No spec with update: every entry is freshened and no new file comes in.
    fs::last_write_time(src + "/b.txt", fs::file_time_type::clock::now() + std::chrono::hours(2));
    EXPECT_EQ(AddFromSource({}, {AddUpdate}), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 1);
    EXPECT_EQ(h.zip.Count(), 2);

    EXPECT_EQ(AddFromSource({"*.txt"}, {AddUpdate}), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 1);
    EXPECT_EQ(Sorted(h.Names()), (std::vector<std::string>{"a.txt", "b.txt", "e.txt"}));
    EXPECT_EQ(ExtractTo(dir / "out"), 0);
    EXPECT_EQ(ReadFile(dir / "out/a.txt"), "alpha, changed\n");
    EXPECT_TRUE(UnzipTestPasses());
}

// Freshening without a spec freshens every entry of the archive, at any depth, whether the archive kept
// folder names or not, and adds nothing new.
TEST_F(OperationsTest, FreshenWithoutSpecsFreshensEveryEntryAtAnyDepth) {
    int hours = 0;
    for (const bool folderNames : {true, false}) {
        fs::remove(archive);
        h.Open(archive);
        ASSERT_EQ(AddFromSource({"*.*"},
                                folderNames ? AddOpts{AddDirNames, AddRecurseDirs} : AddOpts{AddRecurseDirs}),
                  0);
        const std::string deep = src + "/sub/deep/d.txt";
        WriteFile(deep, "delta, changed " + std::to_string(++hours) + "\n");
        fs::last_write_time(deep, fs::file_time_type::clock::now() + std::chrono::hours(hours));
        WriteFile(src + "/sub/new.txt", "not in the archive\n");
        EXPECT_EQ(AddFromSource({}, {AddFreshen}), 0) << folderNames;
        EXPECT_EQ(h.zip.SuccessCount(), 1) << folderNames;
        EXPECT_EQ(h.zip.Count(), 4) << folderNames;
        const std::string out = dir / ("out" + std::to_string(hours));
        EXPECT_EQ(ExtractTo(out, {}, {ExtrForceDirs}), 0);
        EXPECT_EQ(ReadFile(out + "/d.txt"), ReadFile(deep)) << folderNames;
        fs::remove(src + "/sub/new.txt");
    }
}

// A file left out is a failure the caller must see: the add ends with the library's warning code and
// the count in its last message, also when the other files were added.
TEST_F(OperationsTest, FilesLeftOutMakeTheAddEndWithAWarning) {
    WriteFile(src + "/sub/a.txt", "another alpha\n");  // the same name once folder names are dropped
    fs::create_symlink(src + "/gone", src + "/dangling.txt");
    h.Open(archive);
    EXPECT_EQ(AddFromSource({"*.*"}, {AddRecurseDirs}), abi::kCodeWarning);
    EXPECT_EQ(h.zip.SuccessCount(), 4);
    EXPECT_EQ(h.zip.Count(), 4);
    ASSERT_FALSE(h.messages.empty());
    EXPECT_EQ(h.messages.back(),
              std::make_pair(int32_t{abi::kCodeWarning}, std::string("2 file(s) skipped, 4 added")));
    EXPECT_EQ(h.Engine().LastMessage, "2 file(s) skipped, 4 added");

    // With nothing left out the add succeeds again.
    EXPECT_EQ(AddFromSource({"b.txt"}, {}), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 1);
}

TEST_F(OperationsTest, EncryptionWithThePasswordAndPerSpecPasswords) {
    h.Open(archive);
    h.zip.SetPassword("main pass");
    ASSERT_EQ(AddFromSource({"a.txt", "b.txt<own", "sub\\c.bin<"}, {AddEncrypt, AddDirNames}), 0);
    std::map<std::string, bool> encrypted;
    for (const ZipDirEntry& entry : h.zip.Entries()) {
        encrypted[entry.FileName] = entry.Encrypted;
    }
    EXPECT_EQ(encrypted,
              (std::map<std::string, bool>{{"a.txt", true}, {"b.txt", true}, {"sub\\c.bin", false}}));
    EXPECT_EQ(RunProgram({"unzip", "-tq", "-P", "main pass", archive, "a.txt", "sub/c.bin"}), 0);
    EXPECT_EQ(RunProgram({"unzip", "-tq", "-P", "own", archive, "b.txt"}), 0);
    EXPECT_NE(RunProgram({"unzip", "-tq", "-P", "wrong", archive, "a.txt"}), 0);

    EXPECT_EQ(ExtractTo(dir / "out", {"a.txt"}), 0);
    EXPECT_EQ(ReadFile(dir / "out/a.txt"), "alpha\n");

    // Unattended without a password or a handler: a warning, no retries, no file.
    h.zip.OnPasswordError = nullptr;
    h.zip.SetPassword("");
    h.zip.SetPasswordReqCount(3);
    ExtractTo(dir / "none", {"a.txt"});
    EXPECT_TRUE(h.Reported(msg::ExtractUnattendedWarning));
    EXPECT_EQ(h.zip.SuccessCount(), 0);
    EXPECT_FALSE(fs::exists(dir / "none/a.txt"));
    EXPECT_EQ(h.Engine().Options.PasswordReqCount, 3u);
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_TRUE(h.ui.passwordPrompts.empty());
}

TEST_F(OperationsTest, PasswordDialogEncryptsWithAConfirmedPasswordOnly) {
    h.zip.SetUnattended(false);
    h.zip.OnPasswordError = nullptr;
    h.Open(archive);
    using platform::IDOK;
    h.ui.passwordAnswers = {{IDOK, "typed"}, {IDOK, "typed"}};
    ASSERT_EQ(AddFromSource({"a.txt"}, {AddEncrypt}), 0);
    ASSERT_EQ(h.ui.passwordPrompts.size(), 2u);
    EXPECT_EQ(h.ui.passwordPrompts[0].caption, "Password");
    EXPECT_EQ(h.ui.passwordPrompts[0].prompt, "Enter Password ");
    EXPECT_EQ(h.ui.passwordPrompts[1].prompt, "Confirm Password ");
    EXPECT_EQ(h.ui.passwordPrompts[1].buttonSelector, 2);
    EXPECT_EQ(RunProgram({"unzip", "-tq", "-P", "typed", archive}), 0);

    // Two different passwords, an empty one or Cancel: the library gets no password and adds nothing,
    // so neither a plain b.txt nor a plain a.txt replacing the encrypted one gets in.
    const std::string before = ReadFile(archive);
    WriteFile(src + "/a.txt", "alpha, changed\n");
    for (const auto& answers : std::vector<std::deque<platform::PasswordAnswer>>{
             {{IDOK, "one"}, {IDOK, "two"}}, {{IDOK, ""}}, {{platform::IDCANCEL, "typed"}}}) {
        h.ui.passwordAnswers = answers;
        EXPECT_EQ(AddFromSource({"a.txt", "b.txt"}, {AddEncrypt}), abi::kCodeBadPassword);
        EXPECT_EQ(h.zip.SuccessCount(), 0);
        EXPECT_EQ(ReadFile(archive), before);
    }
    EXPECT_TRUE(h.Reported(msg::PasswordMismatch));
    EXPECT_EQ(h.ui.boxes.front().text, "Error - passwords do NOT match\nPassword ignored");
    ASSERT_EQ(h.zip.Count(), 1);
    EXPECT_TRUE(h.zip.Entries()[0].Encrypted);

    // Extracting asks once, with Cancel all offered.
    h.ui.passwordPrompts.clear();
    h.ui.passwordAnswers = {{IDOK, "typed"}};
    EXPECT_EQ(ExtractTo(dir / "out", {"a.txt"}), 0);
    ASSERT_EQ(h.ui.passwordPrompts.size(), 1u);
    EXPECT_EQ(h.ui.passwordPrompts[0].buttonSelector, 6);
    EXPECT_EQ(ReadFile(dir / "out/a.txt"), "alpha\n");
}

TEST_F(OperationsTest, TestingCountsTheEntriesThatPass) {
    h.Open(archive);
    std::vector<std::string> specs;
    for (int i = 0; i < 10; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        WriteFile(src + "/" + name, "content of entry number " + std::to_string(i) + " ##");
        specs.push_back(name);
    }
    h.zip.SetAddCompLevel(0);
    ASSERT_EQ(AddFromSource(specs, {}), 0);
    EXPECT_EQ(Test(), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 10);

    std::string bytes = ReadFile(archive);
    for (int broken : {2, 5}) {
        const size_t at = bytes.find("entry number " + std::to_string(broken) + " ##");
        ASSERT_NE(at, std::string::npos);
        bytes[at] ^= 0x20;
    }
    WriteFile(archive, bytes);
    Test();
    EXPECT_EQ(h.zip.SuccessCount(), 8);
    EXPECT_NE(h.zip.ErrCode(), 0);
    EXPECT_EQ(ReadFile(archive), bytes);
}

TEST_F(OperationsTest, DeleteByNameAndWildcard) {
    h.Open(archive);
    ASSERT_EQ(AddFromSource({"*.*"}), 0);
    h.zip.FSpecArgs() = {"a.txt"};
    h.zip.FSpecArgsExcl() = {"b.txt"};
    EXPECT_EQ(h.zip.Delete(), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 1);
    EXPECT_EQ(Sorted(h.Names()), (std::vector<std::string>{"b.txt", "sub\\c.bin", "sub\\deep\\d.txt"}));
    EXPECT_TRUE(h.zip.FSpecArgs().empty());
    EXPECT_TRUE(h.zip.FSpecArgsExcl().empty());

    h.zip.FSpecArgs() = {"sub\\*"};
    EXPECT_EQ(h.zip.Delete(), 0);
    EXPECT_EQ(h.Names(), std::vector<std::string>{"b.txt"});
    EXPECT_TRUE(UnzipTestPasses());

    // Nothing matching: no entry deleted and no new listing.
    const int updates = h.dirUpdates;
    const std::string before = ReadFile(archive);
    h.zip.FSpecArgs() = {"nothing*.here"};
    h.zip.Delete();
    EXPECT_EQ(h.zip.SuccessCount(), 0);
    EXPECT_EQ(h.dirUpdates, updates);
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_TRUE(h.zip.FSpecArgs().empty());

    h.zip.Delete();
    EXPECT_EQ(h.messages.back().first, msg::DeleteNoFiles);
    h.Open(dir / "missing.zip");
    h.zip.FSpecArgs() = {"a.txt"};
    EXPECT_EQ(h.zip.Delete(), msg::NoZipSpecified);
}

TEST_F(OperationsTest, AnOperationStartedFromAHandlerIsRefused) {
    h.Open(archive);
    h.zip.SetVerbose(true);
    std::vector<int32_t> inner;
    h.zip.OnProgress = [&](TObject*, ProgressType type, const std::string&, int32_t) {
        if (type == ptItemStart && inner.empty()) {
            inner.push_back(h.zip.Add());
            inner.push_back(h.zip.Extract());
            inner.push_back(h.zip.Delete());
        }
    };
    const int32_t outer = AddFromSource({"a.txt"}, {});
    EXPECT_EQ(inner, (std::vector<int32_t>{-255, -255, -255}));
    EXPECT_EQ(outer & TDozErozev::kReentryBit, TDozErozev::kReentryBit);
    EXPECT_EQ(h.zip.ErrCode(), TDozErozev::kReentryBit);
    EXPECT_EQ(h.Names(), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(h.Reported(0));
}

TEST_F(OperationsTest, AHandlerThatThrowsLeavesTheArchiveAsItWas) {
    h.Open(archive);
    ASSERT_EQ(AddFromSource({"a.txt"}, {}), 0);
    const std::string before = ReadFile(archive);
    h.zip.OnProgress = [](TObject*, ProgressType type, const std::string&, int32_t) {
        if (type == ptItemStart) {
            throw std::runtime_error("handler failed");
        }
    };
    AddFromSource({"b.txt"}, {});
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_NE(h.messages.back().second.find(" #1 \"handler failed\""), std::string::npos)
        << h.messages.back().second;
    EXPECT_NE(h.zip.ErrCode(), 0);
    EXPECT_FALSE(h.zip.Cancel());
}

TEST_F(OperationsTest, AddChecksItsRequestInOrder) {
    h.zip.FSpecArgs() = {};
    h.zip.Add();
    EXPECT_EQ(h.messages.back().first, msg::AddNoFiles);

    // No archive name comes before the unattended password check; the lines stay for a retry.
    h.zip.SetAddOptions({AddEncrypt});
    h.zip.FSpecArgs() = {"a.txt"};
    EXPECT_EQ(h.zip.Add(), msg::NoZipSpecified);
    EXPECT_EQ(h.zip.FSpecArgs(), std::vector<std::string>{"a.txt"});
    h.Open(archive);
    EXPECT_EQ(h.zip.Add(), msg::AddUnattendedNoPassword);
    EXPECT_EQ(h.zip.FSpecArgs(), std::vector<std::string>{"a.txt"});

    h.zip.SetAddOptions({AddDiskSpan, AddUpdate});
    EXPECT_EQ(h.zip.Add(), msg::AddFreshenSpanned);
    h.Open(dir / "x.exe");
    h.zip.SetAddOptions({AddDiskSpanErase});
    EXPECT_EQ(h.zip.Add(), msg::SfxCannotSpan);
    h.zip.SetAddOptions({});
    h.zip.SetSFXMessage(std::string(256, 'm'));
    EXPECT_EQ(h.zip.Add(), msg::SfxMessageTooLong);
    EXPECT_FALSE(fs::exists(dir / "x.exe"));
    h.zip.SetSFXMessage("");

    h.Open(dir / "no/such/folder/x.zip");
    EXPECT_EQ(AddFromSource({"a.txt"}, {}), msg::AddDestDirMissing);
    EXPECT_NE(h.messages.back().second.find("folder\\' must exist!"), std::string::npos);
    EXPECT_TRUE(h.zip.FSpecArgs().empty());
    EXPECT_EQ(AddFromSource({"a.txt"}, {AddForceDest}), 0);
    EXPECT_TRUE(fs::exists(dir / "no/such/folder/x.zip"));
    EXPECT_TRUE(h.ui.boxes.empty());
}

TEST_F(OperationsTest, SpannedAddNamesItsTemporaryArchiveAndLeavesNothingBehind) {
    const std::string temp = dir / "temp";
    fs::create_directories(temp);
    h.zip.SetTempDir(temp);
    h.zip.SetVerbose(true);
    h.Open(archive);
    EXPECT_EQ(AddFromSource({"a.txt"}, {AddDiskSpan}), 0);
    const auto tempLine = std::find_if(h.messages.begin(), h.messages.end(), [](const auto& m) {
        return m.first == 0 && m.second.starts_with("Temporary zipfile: ");
    });
    ASSERT_NE(tempLine, h.messages.end());
    EXPECT_NE(tempLine->second.find("temp\\"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(temp));
    EXPECT_TRUE(fs::exists(dir / "test001.zip"));
    EXPECT_EQ(h.zip.SuccessCount(), 1);
    EXPECT_EQ(h.Names(), std::vector<std::string>{"a.txt"});
}

TEST_F(OperationsTest, ExtractChecksItsRequest) {
    h.zip.FSpecArgs() = {"a.txt"};
    EXPECT_EQ(h.zip.Extract(), msg::NoZipSpecified);
    EXPECT_TRUE(h.zip.FSpecArgs().empty());

    // A file that is no archive: the listing says why, once.
    WriteFile(dir / "junk.zip", std::string(100, 'j'));
    h.Open(dir / "junk.zip");
    h.messages.clear();
    h.zip.Extract();
    EXPECT_EQ(h.messages.size(), 1u);
    EXPECT_FALSE(h.Reported(msg::ZipOpenError) && h.messages.size() > 1);

    h.Open(archive);
    ASSERT_EQ(AddFromSource({"a.txt"}, {}), 0);
    EXPECT_EQ(ExtractTo(dir / "missing", {}, {}), msg::ExtractDirMissing);
    EXPECT_EQ(h.messages.back().second, "Extract directory '" + dir / "missing" + "' must exist");
    EXPECT_FALSE(h.Engine().UnzLib.Loaded());

    // Testing needs no folder and creates none.
    h.zip.SetExtrBaseDir(dir / "never");
    h.zip.SetExtrOptions({ExtrTest, ExtrForceDirs});
    EXPECT_EQ(h.zip.Extract(), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 1);
    EXPECT_FALSE(fs::exists(dir / "never"));
}

}  // namespace
}  // namespace ruvu::enginetest
