// Zip to executable and back through the component and through ruvuzip: every offset shifted by
// what was put in front, the archive and the settings coming back unchanged, executables made by
// plain concatenation, the detached layout, the empty executable an add starts from, peers reading
// what we made, and failures that leave every file as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/Messages.h"
#include "sfx/SfxError.h"
#include "sfx/VivEDI.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/libsupport/PeerTools.h"
#include "tests/libsupport/TempFolder.h"
#include "tests/sfx/SfxTestSupport.h"
#include "zipformat/CentralDirWalk.h"
#include "zipformat/ChunkReader.h"
#include "zipformat/EndRecordSearch.h"

namespace ruvu::sfxtest {
namespace {

namespace fs = std::filesystem;
using enginetest::Harness;
using enginetest::ReadFile;
using enginetest::TempDir;
using enginetest::WriteFile;

struct Offsets {
    std::vector<uint32_t> local;
    std::vector<size_t> extraAndComment;  // bytes of each header's extra field and comment
    uint32_t directory = 0;
    uint16_t thisDisk = 0;
};

Offsets OffsetsOf(const std::string& bytes) {
    zip::MemorySource source(bytes);
    zip::EndRecordLocation end;
    EXPECT_EQ(zip::FindEndRecord(source, bytes.size(), end), zip::EndRecordSearch::Found);
    Offsets offsets;
    offsets.directory = end.Record.CentralDirOffset;
    offsets.thisDisk = end.Record.ThisDiskNo;
    zip::ChunkReader in(source, end.Directory.End - end.Directory.Size, end.Directory.End);
    zip::CentralDirEntry entry;
    while (zip::ReadCentralEntry(in, entry) == zip::CentralEntryError::None) {
        offsets.local.push_back(entry.LocalHeaderOffset);
        offsets.extraAndComment.push_back(entry.Extra.size() + entry.Comment.size());
    }
    return offsets;
}

class ConversionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        stub_ = dir_ / "stub.bin";
        WriteFile(stub_, std::string(5000, 'S'));
        WriteFile(dir_ / "in/a.txt", "alma\n");
        WriteFile(dir_ / "in/b.txt", std::string(3000, 'b'));
        WriteFile(dir_ / "in/sub/c.bin", testsupport::RandomBytes(700));
        ASSERT_EQ(enginetest::RunProgram({"zip", "-qr", dir_ / "plain.zip", "."}, dir_ / "in"), 0);
        plain_ = ReadFile(dir_ / "plain.zip");
        h_.zip.SetUnattended(true);
        h_.zip.SetSFXPath(stub_);
    }

    TempDir dir_;
    Harness h_;
    std::string stub_;
    std::string plain_;
};

TEST_F(ConversionTest, ZipToExeShiftsEveryOffsetAndBackGivesTheArchiveAndSettings) {
    h_.Open(dir_ / "plain.zip");
    ASSERT_EQ(h_.zip.ConvertSFX(), 0);
    const std::string exe = ReadFile(dir_ / "plain.exe");
    ASSERT_EQ(exe.size(), 5000 + 28 + plain_.size());
    EXPECT_EQ(exe.substr(0, 5000), std::string(5000, 'S'));
    const Offsets before = OffsetsOf(plain_);
    EXPECT_EQ(exe.substr(5028, before.directory), plain_.substr(0, before.directory));
    const Offsets after = OffsetsOf(exe);
    ASSERT_EQ(after.local.size(), 4u);
    for (size_t i = 0; i < before.local.size(); ++i) {
        EXPECT_EQ(after.local[i], before.local[i] + 5028) << i;
    }
    EXPECT_EQ(after.directory, before.directory + 5028);
    EXPECT_EQ(h_.zip.SuccessCount(), 1);
    EXPECT_EQ(h_.zip.SFXPath(), stub_);

    // The settings ride along and come back with the archive, byte for byte.
    h_.zip.SetSFXCaption("Telepítő");
    h_.zip.SetSFXDefaultDir("C:\\Program Files\\X");
    h_.zip.SetSFXCommandLine("><setup.exe");
    h_.zip.SetSFXMessage("\x02Kibontsam?");
    h_.zip.SetSFXOptions({SFXAskFiles, SFXNoSuccessMsg, SFXCheckSize});
    h_.zip.SetSFXOverWriteMode(OvrNever);
    ASSERT_EQ(h_.zip.ConvertSFX(dir_ / "set.exe"), 0);
    TDozErozev other;
    other.SetUnattended(true);
    other.SetZipFileName(dir_ / "set.exe");
    ASSERT_EQ(other.Count(), 3);  // the folder entry is not listed
    ASSERT_EQ(other.ConvertZIP(dir_ / "back.zip"), 0) << other.ErrCode();
    EXPECT_EQ(ReadFile(dir_ / "back.zip"), plain_);
    EXPECT_EQ(other.SFXCaption(), "Telepítő");
    EXPECT_EQ(other.SFXDefaultDir(), "C:\\Program Files\\X");
    EXPECT_EQ(other.SFXCommandLine(), "><setup.exe");
    EXPECT_EQ(other.SFXMessage(), "Kibontsam?");
    EXPECT_EQ(other.Engine().SFX.MessageStyle, 0x24u);
    EXPECT_EQ(other.SFXOptions(), (SFXOpts{SFXAskFiles, SFXNoSuccessMsg}));
    EXPECT_EQ(other.SFXOverWriteMode(), OvrNever);
    EXPECT_TRUE(other.SFXIcon().empty());  // the stub is no executable with an icon

    for (const std::string exeName : {"plain.exe", "set.exe"}) {
        EXPECT_TRUE(testsupport::UnzipTest(dir_ / exeName).Ok()) << exeName;
        EXPECT_TRUE(testsupport::SevenZipTest(dir_ / exeName).Ok()) << exeName;
        EXPECT_TRUE(testsupport::PythonZipTest(dir_ / exeName).Ok()) << exeName;
    }
}

TEST_F(ConversionTest, ConcatenatedStubAndArchiveNamedOrInsideConvertsBack) {
    // Offsets left as they were: counted from the archive's own start.
    WriteFile(dir_ / "cat.exe", std::string(5000, 'S') + plain_);
    h_.Open(dir_ / "cat.exe");
    EXPECT_EQ(h_.zip.Count(), 3);
    ASSERT_EQ(h_.zip.ConvertZIP(), 0);
    EXPECT_EQ(ReadFile(dir_ / "cat.zip"), plain_);
    EXPECT_EQ(h_.zip.ZipFileName(), dir_ / "cat.exe");

    // A stored archive as the last entry and a comment: the outer archive's end record is the one.
    WriteFile(dir_ / "nest/inner.zip", plain_);
    ASSERT_EQ(enginetest::RunProgram({"zip", "-q0", dir_ / "outer.zip", "inner.zip"}, dir_ / "nest"), 0);
    ASSERT_EQ(enginetest::RunProgram({"zip", "-qz", dir_ / "outer.zip"}, {}, "a comment\n"), 0);
    const std::string outer = ReadFile(dir_ / "outer.zip");
    h_.Open(dir_ / "outer.zip");
    ASSERT_EQ(h_.zip.ConvertSFX(), 0);
    EXPECT_TRUE(testsupport::UnzipTest(dir_ / "outer.exe").Ok());
    ASSERT_EQ(OffsetsOf(ReadFile(dir_ / "outer.exe")).local.size(), 1u);
    h_.Open(dir_ / "outer.exe");
    ASSERT_EQ(h_.zip.ConvertZIP(dir_ / "outer2.zip"), 0);
    EXPECT_EQ(ReadFile(dir_ / "outer2.zip"), outer);
}

TEST_F(ConversionTest, Zip64EndRecordsAreShiftedToo) {
    // zip writes ZIP64 end records when it reads the data from standard input.
    ASSERT_EQ(enginetest::RunProgram({"zip", "-q", dir_ / "stdin.zip", "-"}, {}, "from standard input\n"), 0);
    const std::string original = ReadFile(dir_ / "stdin.zip");
    h_.Open(dir_ / "stdin.zip");
    ASSERT_EQ(h_.zip.ConvertSFX(), 0);
    const std::string exe = ReadFile(dir_ / "stdin.exe");
    zip::MemorySource before(original);
    zip::MemorySource after(exe);
    zip::EndRecordLocation endBefore;
    zip::EndRecordLocation endAfter;
    ASSERT_EQ(zip::FindEndRecord(before, original.size(), endBefore), zip::EndRecordSearch::Found);
    ASSERT_EQ(zip::FindEndRecord(after, exe.size(), endAfter), zip::EndRecordSearch::Found);
    ASSERT_TRUE(endBefore.Directory.HasZip64Record);
    ASSERT_TRUE(endAfter.Directory.HasZip64Record);
    EXPECT_TRUE(endAfter.Fits);
    EXPECT_EQ(endAfter.Directory.End, endBefore.Directory.End + 5028);
    EXPECT_TRUE(testsupport::UnzipTest(dir_ / "stdin.exe").Ok());
    EXPECT_TRUE(testsupport::PythonZipTest(dir_ / "stdin.exe").Ok());
    h_.Open(dir_ / "stdin.exe");
    ASSERT_EQ(h_.zip.ConvertZIP(dir_ / "stdin2.zip"), 0);
    EXPECT_EQ(ReadFile(dir_ / "stdin2.zip"), original);
}

TEST_F(ConversionTest, EmptyExecutableAndAddingToANewExe) {
    h_.Open(dir_ / "new.exe");
    h_.Engine().CreateEmptySFX();
    std::string exe = ReadFile(dir_ / "new.exe");
    ASSERT_EQ(exe.size(), 5000u + 28 + 22);
    EXPECT_EQ(OffsetsOf(exe).directory, 5028u);
    EXPECT_TRUE(OffsetsOf(exe).local.empty());
    fs::remove(dir_ / "new.exe");

    h_.Open(dir_ / "new.exe");
    h_.zip.SetAddOptions({AddRecurseDirs, AddDirNames});
    h_.zip.SetRootDir(dir_ / "in");
    h_.zip.FSpecArgs() = {"*.*"};
    ASSERT_EQ(h_.zip.Add(), 0) << h_.zip.ErrCode();
    EXPECT_GE(h_.zip.Count(), 3);
    exe = ReadFile(dir_ / "new.exe");
    EXPECT_EQ(exe.substr(0, 5000), std::string(5000, 'S'));
    EXPECT_TRUE(testsupport::UnzipTest(dir_ / "new.exe").Ok());
    EXPECT_TRUE(testsupport::SevenZipTest(dir_ / "new.exe").Ok());
    h_.zip.SetPassword("unused");
    h_.zip.SetExtrBaseDir(dir_ / "out");
    h_.zip.SetExtrOptions({ExtrDirNames, ExtrForceDirs});
    ASSERT_EQ(h_.zip.Extract(), 0);
    EXPECT_EQ(ReadFile(dir_ / "out/sub/c.bin"), ReadFile(dir_ / "in/sub/c.bin"));
}

TEST_F(ConversionTest, DetachedLayoutCarriesTheDirectoryAndTheNameOfTheData) {
    TCustomVivEDI sfx;
    sfx.SFXPath = stub_;
    sfx.OptionsWord = sfx::kDetachedFlag;
    sfx.SourceFile = dir_ / "plain.zip";
    sfx.TargetFile = dir_ / "d.exe";
    sfx.MakeSfx(false);
    const std::string exe = ReadFile(dir_ / "d.exe");
    zip::MemorySource source(exe);
    const auto block = sfx::ReadNameBlock(source, 5000 + 28 + 24 + 8);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Name, "PLAIN");
    EXPECT_EQ(block->Extension, "ZIP");
    const Offsets original = OffsetsOf(plain_);
    zip::EndRecordLocation end;
    ASSERT_EQ(zip::FindEndRecord(source, exe.size(), end), zip::EndRecordSearch::Found);
    EXPECT_EQ(end.Record.ThisDiskNo, 0xFFFF);
    EXPECT_EQ(end.Record.CommentLength, 0);
    zip::ChunkReader in(source, 5000 + 28 + 32);
    zip::CentralDirEntry entry;
    size_t leftOut = 0;
    for (size_t i = 0; i < original.local.size(); ++i) {
        ASSERT_EQ(zip::ReadCentralEntry(in, entry), zip::CentralEntryError::None);
        EXPECT_EQ(entry.LocalHeaderOffset, original.local[i]);
        EXPECT_TRUE(entry.Extra.empty());
        leftOut += original.extraAndComment[i];
    }
    ASSERT_GT(leftOut, 0u);
    EXPECT_EQ(end.Record.CentralDirOffset, original.directory - leftOut);
    EXPECT_EQ(end.Offset, 5000u + 28 + 32 + end.Record.CentralDirSize);
}

TEST_F(ConversionTest, NamesAndSourcesThatCannotBeConvertedAreReported) {
    struct Case {
        std::string source;
        std::string sourceBytes;
        std::string target;
        int32_t id;
        std::string text;
    } cases[] = {
        {"a.zip", plain_, "b.zip", 1, "Can only convert ZIP to EXE or EXE to ZIP"},
        {"a.txt", plain_, "", msg::NoZipSpecified, "Error - no zip file specified!"},
        {"missing.zip", "", "", msg::NoZipSpecified, ""},
        {"text.zip", std::string(5000, 't'), "", msg::EocReadError, ""},
    };
    std::string spanned = plain_;
    spanned[plain_.size() - 22 + 4] = 1;  // the end record's disk number
    cases[2].sourceBytes.clear();
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back({"part.zip", spanned, "", msg::SfxCannotSpan, ""});
    for (const Case& c : all) {
        if (!c.sourceBytes.empty()) {
            WriteFile(dir_ / c.source, c.sourceBytes);
        }
        WriteFile(dir_ / "old.exe", "the old executable");
        h_.messages.clear();
        h_.Engine().ZipFileName = dir_ / c.source;
        EXPECT_EQ(h_.zip.ConvertSFX(c.target.empty() ? dir_ / "old.exe" : dir_ / c.target), 1) << c.source;
        EXPECT_EQ(h_.zip.ErrCode(), c.id) << c.source;
        EXPECT_EQ(h_.zip.SuccessCount(), 0);
        ASSERT_EQ(h_.messages.size(), 1u);
        if (!c.text.empty()) {
            EXPECT_EQ(h_.messages[0].second, c.text);
        }
        EXPECT_EQ(ReadFile(dir_ / "old.exe"), "the old executable") << c.source;
    }
    EXPECT_TRUE(h_.ui.boxes.empty());

    // Not unattended, the failure is shown as well.
    h_.zip.SetUnattended(false);
    h_.Engine().ZipFileName = dir_ / "a.txt";
    EXPECT_EQ(h_.zip.ConvertSFX(), 1);
    EXPECT_EQ(h_.ui.boxes.size(), 1u);
}

TEST_F(ConversionTest, FullDiskOrRefusedTrashLeaveSourceAndOldTargetAsTheyWere) {
    // A floppy with little room left: the new executable cannot be completed on it.
    const std::string floppy = dir_ / "floppy";
    fs::create_directories(floppy + "/disks/D1");
    fs::create_directories(floppy + "/labels");
    WriteFile(floppy + "/inserted", "D1");
    WriteFile(floppy + "/disks/D1/filler", std::string(1457664 - 3000, 'f'));
    WriteFile(floppy + "/disks/D1/T.EXE", "the old executable");
    {
        enginetest::ScopedDrives drives("C=/;A=floppy:" + floppy);
        h_.Engine().ZipFileName = testsupport::WinPathOf(dir_ / "plain.zip");
        EXPECT_EQ(h_.zip.ConvertSFX("A:\\T.EXE"), 1);
        EXPECT_TRUE(h_.zip.ErrCode() == msg::SfxHeaderCopyError ||
                    h_.zip.ErrCode() == msg::SfxDataCopyError ||
                    h_.zip.ErrCode() == msg::CentralHeaderWriteError)
            << h_.zip.ErrCode();
    }
    EXPECT_EQ(ReadFile(floppy + "/disks/D1/T.EXE"), "the old executable");
    EXPECT_EQ(std::distance(fs::directory_iterator(floppy + "/disks/D1"), fs::directory_iterator()), 2);
    EXPECT_EQ(ReadFile(dir_ / "plain.zip"), plain_);

    // The trash refuses the old target: the conversion stops before anything is replaced.
    TCustomVivEDI sfx;
    sfx.SFXPath = stub_;
    sfx.SourceFile = dir_ / "plain.zip";
    sfx.TargetFile = dir_ / "real.exe";
    sfx.Convert();
    const std::string real = ReadFile(dir_ / "real.exe");
    WriteFile(dir_ / "plain.exe", "the old executable");
    sfx.TargetFile = dir_ / "plain.exe";
    sfx.DeleteTarget = [](const std::string&, bool toTrash, platform::HostError* error) {
        EXPECT_TRUE(toTrash);
        *error = platform::HostError::AccessDenied;
        return false;
    };
    EXPECT_THROW(sfx.Convert(), ESfxError);
    EXPECT_EQ(ReadFile(dir_ / "plain.exe"), "the old executable");
    sfx.SourceFile = dir_ / "real.exe";
    sfx.TargetFile = dir_ / "plain.zip";
    EXPECT_THROW(sfx.Convert(), ESfxError);
    EXPECT_EQ(ReadFile(dir_ / "plain.zip"), plain_);
    EXPECT_EQ(ReadFile(dir_ / "real.exe"), real);
    size_t files = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(dir_.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 6u);  // stub, in, plain.zip, plain.exe, real.exe, floppy: no temporary file stayed
}

TEST_F(ConversionTest, RuvuzipMakesAndUndoesExecutablesAndTrashesTheOldTarget) {
    const std::string home = dir_ / "home";
    fs::create_directories(home + "/data");
    WriteFile(dir_ / "plain.exe", "the old executable");
    const std::string ruvuzip = BesideProgram("ruvuzip");
    if (!fs::exists(ruvuzip)) {
        GTEST_SKIP() << "ruvuzip is not built in this configuration";
    }
    const std::vector<std::string> env = {"env", "HOME=" + home, "XDG_DATA_HOME=" + home + "/data"};
    std::vector<std::string> make = env;
    const std::vector<std::string> words = {ruvuzip,     "sfx", dir_ / "plain.zip", "--stub", stub_,
                                            "--caption", "Cím", "--options",        "frn",    "--overwrite",
                                            "always"};
    make.insert(make.end(), words.begin(), words.end());
    ProgramRun run = RunWithInput(make, dir_.Path(), "");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("success 1 errcode 0"), std::string::npos);
    EXPECT_EQ(ReadFile(home + "/data/Trash/files/plain.exe"), "the old executable");
    EXPECT_EQ(ReadFile(dir_ / "plain.exe").size(), 5000 + 24 + 8 + plain_.size());

    run = RunWithInput({ruvuzip, "unsfx", dir_ / "plain.exe", dir_ / "again.zip"}, dir_.Path(), "");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("caption\tCím\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("options\tfrn\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("overwrite\talways\n"), std::string::npos) << run.output;
    EXPECT_EQ(ReadFile(dir_ / "again.zip"), plain_);

    run = RunWithInput({ruvuzip, "unsfx", dir_ / "in/a.txt"}, dir_.Path(), "");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("errcode 10102"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace ruvu::sfxtest
