// The library interface against the fake libraries: loading and holding, the records as bytes, the
// callback actions with and without handlers, handler exceptions, Cancel and work results.
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/LibraryRecords.h"
#include "engine/Messages.h"
#include "engine/ZLibLoad.h"
#include "platform/FileSystem.h"
#include "platform/Handles.h"
#include "platform/Modules.h"
#include "platform/WinPath.h"
#include "tests/engine/FakeLibSupport.h"

namespace ruvu::enginetest {
namespace {

// A record of raw bytes, to read a spec entry's fields.
FakeCall OfBytes(const std::string& bytes) {
    FakeCall call;
    call.record = bytes;
    return call;
}

std::string TextOf(const std::pair<int32_t, std::string>& message) {
    return message.second;
}

class FakeLibraryTest : public ::testing::Test {
  protected:
    FakeLibraryTest() {
        h.zip.SetUnattended(true);
        h.zip.SetDLLDirectory(kFakeLibs);
        h.Open(dir / "target.zip");
    }

    // Adds through the fake DIZODE.DLL playing script; returns its record of the call.
    FakeCall AddWith(const std::string& script, std::vector<std::string> specs = {"a.txt"}) {
        FakeScript fake(dir, script);
        h.zip.FSpecArgs() = std::move(specs);
        h.zip.Add();
        return fake.Last();
    }
    // Extracts from a small real archive through the fake RUROZA.DLL.
    FakeCall ExtractWith(const std::string& script, std::vector<std::string> specs = {}) {
        const std::string archive = dir / "source.zip";
        WriteFile(archive, BuildZip({TestEntry("a.txt", "alpha")}).bytes);
        h.Open(archive);
        FakeScript fake(dir, script);
        h.zip.FSpecArgs() = std::move(specs);
        h.zip.Extract();
        return fake.Last();
    }

    TempDir dir;
    Harness h;
};

TEST_F(FakeLibraryTest, ZipParamsFollowTheTableByteForByte) {
    const std::string password(100, 'p');
    h.zip.SetPassword(password);
    h.zip.SetAddCompLevel(5);
    h.zip.SetAddOptions({AddRecurseDirs, AddEncrypt, AddFreshen, AddUpdate, AddArchiveOnly, AddFromDate,
                         AddZipTime, AddMove, AddForceDOS, AddHiddenFiles, AddVolume});
    h.zip.SetAddFrom(45358.75);  // 2024-03-07 18:00
    h.zip.SetTempDir(dir.Path());
    h.zip.SetRootDir(dir.Path());
    h.zip.SetCodePage(cpOEM);
    h.zip.SetTrace(true);
    h.zip.FSpecArgsExcl() = {"*.tmp", "old\\*"};
    const FakeCall call =
        AddWith("r=0", {">*.txt", "|*.c", "*.doc<", "*.xls<se cret", " a.b< ", "c.d< xyz", "  plain  ", ""});
    ASSERT_EQ(call.record.size(), 216u);

    EXPECT_NE(call.U32(0x04), 0u);  // CallerRef
    EXPECT_EQ(call.I32(0x08), 177);
    EXPECT_NE(call.U32(0x0C), 0u);  // Callback
    EXPECT_EQ(call.I32(0x10), -1);  // Trace
    EXPECT_EQ(call.texts.at(0x14), password.substr(0, 81));
    EXPECT_EQ(call.texts.at(0x18),
              ".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha:.rar:.ace:.cab:.gz:.gzip:.jar");
    EXPECT_EQ(call.I32(0x1C), -1);  // encrypt
    EXPECT_EQ(call.I32(0x20), -1);  // hidden and system files
    EXPECT_EQ(call.I32(0x24), -1);  // volume label
    EXPECT_EQ(call.I32(0x2C), -1);  // no folder entries: AddSeparateDirs is off
    EXPECT_EQ(call.I32(0x30), -1);  // date filter
    EXPECT_EQ(call.I32(0x34), -1);  // verbose follows Trace
    EXPECT_EQ(call.I32(0x38), -1);
    EXPECT_EQ(call.I32(0x3C), 5);
    EXPECT_EQ(call.I32(0x48), -1);  // junk folders: AddDirNames is off
    EXPECT_EQ(call.U16(0x4C), 0xFFFF);
    EXPECT_EQ(call.I32(0x50), -1);  // grow: AddSafe is off
    EXPECT_EQ(call.I32(0x54), -1);
    EXPECT_EQ(call.I32(0x58), -1);
    EXPECT_EQ(call.I32(0x5C), 0);
    EXPECT_EQ(call.I32(0x60), -1);
    EXPECT_EQ(call.I32(0x64), 0);  // update wins over freshen
    EXPECT_EQ(call.I32(0x6C), -1);
    EXPECT_EQ(call.record.substr(0x70, 8), "03 07 24");
    EXPECT_EQ(call.I32(0x78), 8);
    EXPECT_EQ(call.texts.at(0x7C), dir / "target.zip");
    EXPECT_EQ(call.texts.at(0x80), dir.Path());
    EXPECT_EQ(call.texts.count(0x84), 0u);  // no archive comment
    EXPECT_EQ(call.U16(0x88), 1);
    EXPECT_EQ(call.U16(0x8A), 0);
    EXPECT_EQ(call.I32(0x94), 2);
    EXPECT_EQ(call.excludes, (std::vector<std::string>{"*.tmp", "old\\*"}));
    EXPECT_EQ(call.I32(0xBC), -1);  // HowToDelete is htdAllowUndo
    EXPECT_EQ(call.U16(0xC0), 2);
    EXPECT_EQ(call.I32(0xC4), 177);
    EXPECT_NE(call.texts.at(0xC8).find(':'), std::string::npos);  // RootDir as a full Windows path
    EXPECT_EQ(call.I32(0xD4), 7);
    for (auto [offset, size] :
         {std::pair{0x28, 4}, {0x40, 8}, {0x4E, 2}, {0x68, 4}, {0x90, 4}, {0x9C, 32}, {0xC2, 2}, {0xCC, 8}}) {
        EXPECT_TRUE(call.Zero(offset, size)) << "offset " << offset;
    }

    // Specs: markers, trimming, and the defaults of the record for unmarked lines.
    ASSERT_EQ(call.specs.size(), 8u);
    using Texts = std::vector<std::optional<std::string>>;
    EXPECT_EQ(call.specTexts,
              (Texts{"*.txt", "*.c", "*.doc", "*.xls", "a.b", "c.d< x", "plain", std::nullopt}));
    const std::string cut = password.substr(0, 81);
    EXPECT_EQ(call.specPasswords,
              (Texts{cut, cut, std::nullopt, "se cret", std::nullopt, std::nullopt, cut, cut}));
    auto encrypt = [&](size_t i) { return OfBytes(call.specs[i]).U32(0x10); };
    auto recurse = [&](size_t i) { return OfBytes(call.specs[i]).U16(0x14); };
    EXPECT_EQ(recurse(0), 0xFFFF);
    EXPECT_EQ(recurse(1), 0);
    EXPECT_EQ(recurse(6), 0xFFFF);
    EXPECT_EQ(encrypt(0), 0xFFFFFFFFu);
    EXPECT_EQ(encrypt(2), 0u);
    EXPECT_EQ(encrypt(3), 0xFFFFu);
    EXPECT_EQ(encrypt(4), 0u);
    EXPECT_EQ(encrypt(5), 0u);
    for (const std::string& spec : call.specs) {
        ASSERT_EQ(spec.size(), 104u);
        EXPECT_TRUE(OfBytes(spec).Zero(0x04, 8));
        EXPECT_TRUE(OfBytes(spec).Zero(0x16, 104 - 0x16));
    }
}

TEST_F(FakeLibraryTest, ZipParamsPassInvertedOptionsAndOmitEmptyTexts) {
    h.zip.SetAddOptions({AddDirNames, AddSeparateDirs, AddSafe, AddFreshen, AddResetArchive});
    h.zip.SetAddStoreSuffixes({});
    h.zip.SetExtAddStoreSuffixes("doc;.TXT");  // adds assEXT
    h.zip.SetHowToDelete(htdFinal);
    const FakeCall call = AddWith("r=0");
    EXPECT_EQ(call.texts.count(0x14), 0u);  // no password
    EXPECT_EQ(call.texts.at(0x18), ".doc:.txt");
    EXPECT_EQ(call.I32(0x2C), 0);
    EXPECT_EQ(call.I32(0x48), 0);
    EXPECT_EQ(call.I32(0x50), 0);
    EXPECT_EQ(call.I32(0x64), -1);
    EXPECT_EQ(call.U16(0x4C), 0);
    EXPECT_EQ(call.U16(0x88), 0);
    EXPECT_EQ(call.U16(0x8A), 1);
    EXPECT_EQ(call.I32(0xBC), 0);
    EXPECT_EQ(call.U16(0xC0), 0);
    EXPECT_EQ(call.texts.count(0x80), 0u);
    EXPECT_EQ(call.texts.count(0xC8), 0u);
    EXPECT_EQ(call.I32(0x94), 0);
    EXPECT_EQ(call.U32(0x98), 0u);
    EXPECT_EQ(call.specPasswords.at(0), std::nullopt);
}

TEST_F(FakeLibraryTest, UnzParamsFollowTheTableByteForByte) {
    const std::string out = dir / "out";
    h.zip.SetExtrBaseDir(out);
    h.zip.SetExtrOptions({ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate, ExtrForceDirs});
    h.zip.SetPassword("pw");
    h.zip.SetPasswordReqCount(3);
    h.zip.SetVerbose(true);
    FakeCall call = ExtractWith("r=0", {"a.txt", "b*.c"});
    ASSERT_EQ(call.record.size(), 148u);
    EXPECT_EQ(call.U32(0x00), 0u);
    EXPECT_NE(call.U32(0x04), 0u);
    EXPECT_EQ(call.I32(0x08), 180);  // the library's own version
    EXPECT_NE(call.U32(0x0C), 0u);
    EXPECT_EQ(call.I32(0x10), 0);
    EXPECT_EQ(call.texts.at(0x18), "pw");
    EXPECT_EQ(call.I32(0x1C), 0);
    EXPECT_EQ(call.I32(0x28), -1);
    EXPECT_EQ(call.I32(0x2C), -1);
    EXPECT_EQ(call.I32(0x30), -1);
    EXPECT_EQ(call.I32(0x34), 0);  // update wins over freshen
    EXPECT_EQ(call.I32(0x38), -1);
    EXPECT_EQ(call.I32(0x3C), -1);
    EXPECT_EQ(call.I32(0x40), 2);
    EXPECT_EQ(call.texts.at(0x44), dir / "source.zip");
    EXPECT_EQ(call.I32(0x68), 3);
    EXPECT_EQ(call.texts.at(0x6C), out);  // created by ExtrForceDirs
    EXPECT_EQ(call.I32(0x90), 7);
    for (auto [offset, size] : {std::pair{0x14, 4}, {0x20, 8}, {0x4C, 28}, {0x70, 32}}) {
        EXPECT_TRUE(call.Zero(offset, size)) << "offset " << offset;
    }
    using Texts = std::vector<std::optional<std::string>>;
    EXPECT_EQ(call.specTexts, (Texts{"a.txt", "b*.c"}));
    for (const std::string& spec : call.specs) {
        ASSERT_EQ(spec.size(), 72u);
        EXPECT_TRUE(OfBytes(spec).Zero(4, 68));
    }

    // Testing: no folder, an empty password text, and "*.*" first selects every entry.
    h.zip.SetPassword("");
    h.zip.SetExtrOptions({ExtrTest, ExtrForceDirs});
    h.zip.SetExtrBaseDir(dir / "never");
    call = ExtractWith("r=0", {"*.*", "a.txt"});
    EXPECT_EQ(call.I32(0x1C), -1);
    EXPECT_EQ(call.texts.at(0x18), "");
    EXPECT_EQ(call.texts.count(0x6C), 0u);
    EXPECT_EQ(call.I32(0x40), 0);
    EXPECT_EQ(call.U32(0x48), 0u);
    EXPECT_FALSE(platform::DirectoryExists(dir / "never"));
}

TEST_F(FakeLibraryTest, TheCodePageSettingTravelsInBothRecords) {
    for (const CodePageOpts codePage : {cpAuto, cpNone, cpOEM}) {
        SCOPED_TRACE(static_cast<int>(codePage));
        h.zip.SetCodePage(codePage);
        EXPECT_EQ(AddWith("r=0").U16(0xC0), codePage);
        EXPECT_EQ(ExtractWith("r=0").U16(0x70), codePage);
    }
}

TEST_F(FakeLibraryTest, EveryHandleOfTheCallIsReleasedAfterItAlsoAfterAnError) {
    h.zip.SetPassword("secret");
    for (const char* script : {"r=2", "r=-6"}) {
        h.zip.FSpecArgsExcl() = {"*.bak"};
        const FakeCall call = AddWith(script, {"a.txt", "b.txt"});
        for (size_t offset : {0x04, 0x0C, 0x14, 0x18, 0x7C, 0x8C, 0x98}) {
            ASSERT_NE(call.U32(offset), 0u) << offset;
            EXPECT_EQ(platform::ResolveHandle(call.U32(offset)), nullptr) << script << " offset " << offset;
        }
    }
    EXPECT_EQ(h.messages.back().first, msg::DllInvalidStructure);
    EXPECT_TRUE(h.zip.FSpecArgs().empty());
    EXPECT_TRUE(h.zip.FSpecArgsExcl().empty());
}

TEST_F(FakeLibraryTest, ProgressActionsReachTheEvents) {
    std::vector<std::string> seen;
    h.zip.OnProgress = [&](TObject*, ProgressType type, const std::string& name, int32_t size) {
        seen.push_back(std::to_string(type) + ":" + name + ":" + std::to_string(size));
    };
    int ticks = 0;
    h.zip.OnTick = [&](TObject*) { ++ticks; };
    int64_t totalSize = 0;
    int64_t written = 0;
    h.zip.OnProgressDetails = [&](TObject*, const TProgressDetails& d) {
        totalSize = d.TotalSize;
        written = d.BytesWritten;
    };
    const FakeCall call = AddWith(
        "a=0|t=ignored;a=5|s=2;a=6|e=1|s=5;a=1|t=dir/sub/a.txt|s=3000000000;a=2|s=100|w=40;a=3|w=2;"
        "a=4|e=0|t=plain line;a=4|e=773|t=bad/thing;a=4|m=10105|p=1|t=abc;a=15|e=9|s=10;a=16|s=4;a=40");
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(totalSize, (int64_t{1} << 32) + 5);
    EXPECT_EQ(written, 42);
    EXPECT_EQ(seen, (std::vector<std::string>{"3::2", "4::5", "0:dir\\sub\\a.txt:-1294967296", "1::100",
                                              "2::0", "5::10", "6:*Loading Directory:4"}));
    ASSERT_GE(h.messages.size(), 3u);
    const size_t n = h.messages.size();
    EXPECT_EQ(h.messages[n - 3], (std::pair<int32_t, std::string>{0, "plain line"}));
    EXPECT_EQ(h.messages[n - 2], (std::pair<int32_t, std::string>{773, "bad\\thing"}));
    // The text of 10105, a blank, then the library's text from P = 1 for Length - P characters.
    EXPECT_EQ(TextOf(h.messages[n - 1]), "Copying:  ab");
    EXPECT_EQ(h.zip.Engine().FullErrCode, 773);
    for (const FakeAnswer& answer : call.answers) {
        EXPECT_EQ(answer.result, 0);
    }
}

TEST_F(FakeLibraryTest, QuestionActionsWithoutHandlersLeaveTheirDefaults) {
    int afterCallbacks = 0;
    h.zip.OnAfterCallback = [&](TObject*, bool&) { ++afterCallbacks; };
    const FakeCall call = AddWith(
        "a=7|t=a.txt|x=/src/a.txt;a=9|t=a.txt|e=1|s=2;a=10|t=a.txt|s=1|e=65537;"
        "a=11|t=a/b.txt|s=3;a=12|t=a.txt|o=old;a=14|t=a.txt|s=2|d=0102;"
        "a=17|t=a.txt|e=5;a=13|s=16");
    ASSERT_EQ(call.answers.size(), 8u);
    EXPECT_EQ(call.answers[0].errorCode, 0);
    EXPECT_EQ(call.answers[1].errorCode, 2);
    EXPECT_EQ(call.answers[2].fileSize, 1);
    EXPECT_EQ(call.answers[2].errorCode, 65537);
    EXPECT_EQ(call.answers[4].text, "a.txt");  // the comment action left the record as it was
    EXPECT_EQ(call.answers[4].errorCode, 0);
    EXPECT_EQ(call.answers[5].errorCode, 0);
    EXPECT_EQ(call.answers[5].fileSize, 2);
    EXPECT_EQ(call.answers[6].errorCode, 5);
    EXPECT_NE(call.answers[7].fileSize, 0);  // the memory output by handle
    EXPECT_TRUE(h.Reported(msg::DllUnknownError));
    EXPECT_EQ(TextOf(h.messages.back()), "Skipped a\\b.txt 2");
    EXPECT_EQ(afterCallbacks, 8);
    for (const FakeAnswer& answer : call.answers) {
        EXPECT_FALSE(answer.overrun);
    }
}

TEST_F(FakeLibraryTest, QuestionActionsTakeTheHandlersAnswers) {
    std::string addExtName;
    h.zip.OnSetNewName = [](TObject*, std::string& name, bool& changed) {
        if (name == "rename.txt") {
            name = "renamed.txt";
            changed = true;
        }
    };
    h.zip.OnSetAddName = [&](TObject*, std::string& name, const std::string& ext, bool& changed) {
        addExtName = ext;
    };
    std::string crcFile;
    h.zip.OnCRC32Error = [&](TObject*, const std::string& file, uint32_t found, uint32_t expected,
                             bool& extract) {
        crcFile = file + ":" + std::to_string(found) + ":" + std::to_string(expected);
        extract = false;
    };
    std::string overwrite;
    h.zip.OnExtractOverwrite = [&](TObject*, const std::string& file, bool older, bool& doIt, int32_t index) {
        overwrite =
            file + ":" + std::to_string(older) + ":" + std::to_string(doIt) + ":" + std::to_string(index);
        doIt = false;
    };
    std::string skipped;
    h.zip.OnExtractSkipped = [&](TObject*, const std::string& file, int32_t type, int32_t error) {
        skipped = file + ":" + std::to_string(type) + ":" + std::to_string(error);
    };
    h.zip.OnFileComment = [](TObject*, const std::string& file, std::string& comment, bool& changed) {
        comment = file == "empty.txt" ? "" : comment + " and new";
        changed = true;
    };
    h.zip.OnFileExtra = [](TObject*, const std::string& file, std::string& data, bool& changed) {
        data = file == "long.txt" ? std::string(600, 'x') : data + "Z";
        changed = true;
    };
    h.zip.OnSetExtName = [](TObject*, std::string& name, bool& changed) {
        name = name == "dir\\" ? "other" : "new\\" + name;
        changed = true;
    };
    const FakeCall call = AddWith(
        "a=7|t=rename.txt|s=1;a=7|t=keep.txt|x=C:/src/"
        "keep.txt;a=9|t=a.txt|e=11|s=22;a=10|t=b.txt|s=1|e=65539;"
        "a=11|t=c.txt|e=1282|s=4;a=12|t=a.txt|o=old;a=12|t=empty.txt|o=old;a=14|t=a.txt|s=2|d=0102;"
        "a=14|t=long.txt|s=1|d=01;a=17|t=a.txt;a=17|t=dir/;r=0");
    const std::vector<FakeAnswer>& a = call.answers;
    ASSERT_EQ(a.size(), 11u);
    EXPECT_EQ(a[0].errorCode, 1);
    EXPECT_EQ(a[0].text, "renamed.txt");
    EXPECT_EQ(a[1].errorCode, 0);
    EXPECT_EQ(addExtName, "C:\\src\\keep.txt");
    EXPECT_EQ(crcFile, "a.txt:11:22");
    EXPECT_EQ(a[2].errorCode, 0);
    EXPECT_EQ(overwrite, "b.txt:1:1:3");
    EXPECT_EQ(a[3].fileSize, 0);
    EXPECT_EQ(skipped, "c.txt:3:1282");
    EXPECT_EQ(h.zip.Engine().ErrCode, 2);  // the low byte of 1282
    EXPECT_EQ(a[5].errorCode, 1);
    EXPECT_EQ(a[5].text, "old and new");
    EXPECT_EQ(a[5].fileSize, 11);
    EXPECT_EQ(a[6].text, "");
    EXPECT_EQ(a[6].fileSize, 0);
    EXPECT_EQ(a[7].errorCode, -1);
    EXPECT_EQ(a[7].fileSize, 3);
    EXPECT_EQ(a[7].text.substr(0, 3), std::string("\x01\x02Z"));
    EXPECT_EQ(a[8].fileSize, 600);
    EXPECT_EQ(a[8].data, std::string(600, 'x'));
    EXPECT_EQ(a[9].errorCode, 1);
    EXPECT_EQ(a[9].text, "new\\a.txt");
    EXPECT_EQ(a[10].errorCode, 0);  // a folder cannot become a file
    for (const FakeAnswer& answer : a) {
        EXPECT_FALSE(answer.overrun);
    }
}

TEST_F(FakeLibraryTest, LongNamesAreReadByPointerAndAnswersStayInsideTheRecord) {
    const std::string longName(700, 'n');
    std::string seen;
    h.zip.OnSetNewName = [&](TObject*, std::string& name, bool& changed) {
        seen = name;
        name = std::string(900, 'm');
        changed = true;
    };
    const FakeCall call = AddWith("a=7|s=1|l=" + longName);
    EXPECT_EQ(seen, longName);
    ASSERT_EQ(call.answers.size(), 1u);
    EXPECT_EQ(call.answers[0].text, std::string(512, 'm'));
    EXPECT_FALSE(call.answers[0].overrun);
}

TEST_F(FakeLibraryTest, AHandlerThatThrowsStopsTheLibraryAndIsReportedWithTheError) {
    h.zip.OnProgress = [](TObject*, ProgressType type, const std::string&, int32_t) {
        if (type == ptItemStart) {
            throw std::runtime_error("boom");
        }
    };
    const FakeCall call = AddWith("a=5|s=1;a=1|t=a.txt|s=1;a=3");
    ASSERT_EQ(call.answers.size(), 2u);
    EXPECT_EQ(call.answers[1].result, 10106);
    EXPECT_EQ(h.messages.back(),
              (std::pair<int32_t, std::string>{msg::DllHandlerException,
                                               "DLL Error - Exception in handler  #1 \"boom\""}));
    EXPECT_FALSE(h.zip.Cancel());
    // Until the next operation every callback answers 10106, also a plain tick.
    abi::CallbackRecord tick{};
    EXPECT_EQ(h.Engine().HandleCallback(tick), 10106);
}

TEST_F(FakeLibraryTest, CancelStopsTheLibrary) {
    h.zip.OnProgress = [&](TObject*, ProgressType type, const std::string&, int32_t) {
        if (type == ptItemStart) {
            h.zip.SetCancel(true);
        }
    };
    const FakeCall call = AddWith("a=1|t=a.txt|s=1;a=3;a=1|t=b.txt");
    ASSERT_EQ(call.answers.size(), 1u);
    EXPECT_EQ(call.answers[0].result, 1);
    EXPECT_EQ(h.messages.back().first, msg::DllUserCancelled);
    EXPECT_FALSE(h.zip.Cancel());  // cleared when the operation ends
}

TEST_F(FakeLibraryTest, NegativeWorkResultsMapToTheirMessages) {
    AddWith("r=-7");
    EXPECT_EQ(h.messages.back(),
              (std::pair<int32_t, std::string>{msg::DllCritical, "critical DLL Error -7"}));
    const std::pair<int32_t, int32_t> mapping[] = {{-1, 10118}, {-2, 10118}, {-3, 10119},
                                                   {-4, 10120}, {-5, 10121}, {-6, 10122},
                                                   {-8, 10123}, {-9, 10124}, {-200, 10124}};
    for (auto [result, id] : mapping) {
        EXPECT_EQ(WorkResultError(result).ResId(), id) << result;
        EXPECT_TRUE(WorkResultError(result).DisplayMsg());
    }
}

TEST_F(FakeLibraryTest, DllDirectoryFormsPickTheFile) {
    TDozEngine& engine = h.Engine();
    const std::string program = platform::ProgramDir();
    engine.Options.DLLDirectory = "";
    EXPECT_EQ(engine.ZipLib.LibraryFileToLoad(), "DIZODE.DLL");
    engine.Options.DLLDirectory = ".\\fakelibs\\script";
    EXPECT_EQ(engine.ZipLib.LibraryFileToLoad(), program + ".\\fakelibs\\script\\DIZODE.DLL");
    engine.Options.DLLDirectory = ".\\fakelibs\\script\\";
    EXPECT_EQ(engine.ZipLib.LibraryFileToLoad(), program + ".\\fakelibs\\script\\DIZODE.DLL");
    engine.Options.DLLDirectory = program + "fakelibs\\v160";
    EXPECT_EQ(engine.UnzLib.LibraryFileToLoad(), "RUROZA.DLL");  // not in that folder: the plain name

    // Loading: the fake from its folder, the real one through the search when the folder lacks it.
    engine.Options.DLLDirectory = kFakeLibs;
    EXPECT_EQ(engine.ZipLib.LoadLib(holdOperation), 180);
    EXPECT_EQ(engine.ZipLib.PrivVersion(), 4242);
    EXPECT_NE(engine.ZipLib.ModulePath().find("\\fakelibs\\script\\DIZODE.DLL"), std::string::npos);
    engine.ZipLib.UnloadLib(holdOperation);
    EXPECT_EQ(engine.ZipLib.ModulePath(), "DIZODE.DLL");
    engine.Options.DLLDirectory = dir.Path();
    engine.ZipLib.LoadLib(holdOperation);
    EXPECT_EQ(engine.ZipLib.ModulePath(), program + "DIZODE.DLL");
    EXPECT_EQ(engine.ZipLib.PrivVersion(), 1800);
    engine.ZipLib.UnloadLib(holdOperation);
}

TEST_F(FakeLibraryTest, LibrariesThatCannotServeAreReported) {
    // Version 160 loads as such, but neither the application nor an operation may use it.
    h.zip.SetDLLDirectory(kFakeLibsV160);
    h.Engine().Options.DLLDirectory = kFakeLibsV160;
    EXPECT_EQ(h.Engine().ZipLib.LoadLib(holdOperation), 160);
    h.Engine().ZipLib.UnloadLib(holdAll);
    EXPECT_EQ(h.zip.LoadZipLib(), 0);
    EXPECT_EQ(h.messages.back().first, msg::LibOldOrCorrupt);
    EXPECT_NE(h.messages.back().second.find("\\fakelibs\\v160\\DIZODE.DLL - It is old or corrupt"),
              std::string::npos);
    EXPECT_FALSE(h.Engine().ZipLib.Loaded());
    h.zip.FSpecArgs() = {"a.txt"};
    h.zip.Add();
    EXPECT_EQ(h.zip.ErrCode(), msg::LibOldOrCorrupt);
    EXPECT_EQ(h.zip.FSpecArgs().size(), 1u);  // the library was never called

    h.zip.SetDLLDirectory(kFakeLibsNoVersion);
    EXPECT_EQ(h.zip.LoadZipLib(), 0);
    EXPECT_NE(h.messages.back().second.find("\\fakelibs\\noversion\\DIZODE.DLL"), std::string::npos);
    EXPECT_EQ(h.messages.back().first, msg::LibOldOrCorrupt);

    // A file of that name that is no library.
    WriteFile(dir / "DIZODE.DLL", "not a library");
    h.zip.SetDLLDirectory(dir.Path());
    EXPECT_EQ(h.zip.LoadZipLib(), 0);
    EXPECT_EQ(h.messages.back().first, msg::LibLoadFailed);
    EXPECT_EQ(h.messages.back().second, "Failed to load " + platform::JoinPath(dir.Path(), "DIZODE.DLL"));
    EXPECT_EQ(h.Engine().ZipLib.HoldFlags(), 0);
}

TEST_F(FakeLibraryTest, HoldFlagsKeepALibraryAcrossOperations) {
    h.zip.SetVerbose(true);
    TZipLibLoader& loader = h.Engine().ZipLib;
    FakeScript fake(dir, "r=0");
    EXPECT_EQ(h.zip.LoadZipLib(), 180);
    EXPECT_EQ(loader.HoldFlags(), holdExplicit);
    for (int i = 0; i < 2; ++i) {
        h.zip.FSpecArgs() = {"a.txt"};
        h.zip.Add();
        EXPECT_TRUE(loader.Loaded());
        EXPECT_EQ(loader.HoldFlags(), holdExplicit);
    }
    EXPECT_EQ(h.zip.UnloadZipLib(), 0);
    EXPECT_FALSE(loader.Loaded());
    int loaded = 0, unloaded = 0;
    for (const auto& [code, text] : h.messages) {
        loaded += text.starts_with("Loaded ") && text.ends_with("\\fakelibs\\script\\DIZODE.DLL") ? 1 : 0;
        unloaded += text.starts_with("Unloaded ") ? 1 : 0;
    }
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(unloaded, 1);

    // Without the explicit hold each operation loads and unloads.
    h.zip.FSpecArgs() = {"a.txt"};
    h.zip.Add();
    EXPECT_FALSE(loader.Loaded());
    EXPECT_EQ(fake.Calls().size(), 3u);
}

TEST_F(FakeLibraryTest, ShutdownAsksALoadedLibraryToAbort) {
    FakeScript fake(dir, "r=0");
    {
        Harness other;
        other.zip.SetDLLDirectory(kFakeLibs);
        EXPECT_EQ(other.zip.LoadUnzLib(), 180);
    }
    EXPECT_EQ(fake.Aborts(), 1);
}

}  // namespace
}  // namespace ruvu::enginetest
