// Reading spanned sets: sets written by other tools and sets made by hand (streamed entries with both
// forms of the data descriptor, records running on into the next part) are joined and extracted byte
// for byte; a missing part, a wrong disk, a disk of another set and damaged sizes are reported without
// a prompt for a disk that does not exist and without leaving a joined archive behind.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "engine/Messages.h"
#include "tests/engine/SpanSetSupport.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/DataDescriptor.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/SpannedSetMarker.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;

using SpanJoiningTest = SpanFixture;

// The files of src as a set cut into parts of partSize bytes whatever lies at the cut, the end record
// alone in a last part. Every entry is streamed: flag bit 3, no CRC and no sizes in its local header,
// a data descriptor after its data, with or without the descriptor's signature.
std::vector<std::string> StreamedSet(const std::string& src, bool descriptorSignature, size_t partSize) {
    std::string stream;
    std::string central;
    uint16_t count = 0;
    stream.resize(zip::kSpannedSetMarkerSize);
    zip::PutU32(reinterpret_cast<uint8_t*>(stream.data()), zip::kSpannedSetMarker);
    for (const auto& file : fs::directory_iterator(src)) {
        const std::string data = ReadFile(file.path().string());
        const auto crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        zip::LocalFileEntry local;
        local.VersionNeeded = 20;
        local.Flags = zip::kFlagDataDescriptor;
        local.Name = file.path().filename().string();
        zip::CentralDirEntry header;
        header.MadeByVersion = 20;
        header.VersionNeeded = 20;
        header.Flags = zip::kFlagDataDescriptor;
        header.Crc32 = crc;
        header.CompressedSize = header.UncompressedSize = static_cast<uint32_t>(data.size());
        header.ExternalAttributes = zip::kDosArchive;
        header.DiskStart = static_cast<uint16_t>(stream.size() / partSize);
        header.LocalHeaderOffset = static_cast<uint32_t>(stream.size() % partSize);
        header.Name = local.Name;
        stream += local.Serialize() + data;
        zip::DataDescriptor descriptor;
        descriptor.Crc32 = crc;
        descriptor.CompressedSize = descriptor.UncompressedSize = header.CompressedSize;
        std::string bytes;
        descriptor.AppendTo(bytes);
        stream += descriptorSignature ? bytes : bytes.substr(4);
        central += header.Serialize();
        ++count;
    }
    zip::EndOfCentralDir end;
    end.CentralDirDisk = static_cast<uint16_t>(stream.size() / partSize);
    end.CentralDirOffset = static_cast<uint32_t>(stream.size() % partSize);
    stream += central;
    std::vector<std::string> parts;
    for (size_t at = 0; at < stream.size(); at += partSize) {
        parts.push_back(stream.substr(at, partSize));
    }
    end.ThisDiskNo = static_cast<uint16_t>(parts.size());
    end.TotalEntries = count;
    end.CentralDirSize = static_cast<uint32_t>(central.size());
    std::string last;
    end.AppendTo(last);
    parts.push_back(last);
    return parts;
}

// Writes parts as name.z01, name.z02, ..., name.zip; returns the last name.
std::string WriteCompatibleParts(const std::string& base, const std::vector<std::string>& parts) {
    for (size_t n = 0; n + 1 < parts.size(); ++n) {
        WriteFile(base + ".z" + std::to_string(101 + n).substr(1), parts[n]);
    }
    WriteFile(base + ".zip", parts.back());
    return base + ".zip";
}

TEST_F(SpanJoiningTest, SetsOfOtherToolsAreReadAndNeverChanged) {
    MakeSources(6, 40000);
    ASSERT_EQ(RunProgram({"zip", "-q", "-r", "-s", "64k", dir / "split.zip", "."}, src), 0);
    ASSERT_TRUE(fs::exists(dir / "split.z03"));
    const std::string before = ReadFile(dir / "split.z02") + ReadFile(dir / "split.zip");
    // Named as other tools name their parts, without being told so.
    h.Open(dir / "split.zip");
    ASSERT_EQ(h.zip.ErrCode(), 0);
    ASSERT_EQ(h.zip.Count(), 6);
    h.zip.FSpecArgs() = {"f01.bin"};
    EXPECT_EQ(h.zip.Delete(), msg::DeleteSpannedNotImplemented);
    ExpectExtractedLikeSources(dir / "out");
    h.zip.SetExtrOptions({ExtrTest});
    EXPECT_EQ(h.zip.Extract(), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 6);
    EXPECT_TRUE(ReadFile(dir / "split.z02") + ReadFile(dir / "split.zip") == before);
}

TEST_F(SpanJoiningTest, StreamedEntriesWithEitherDataDescriptorAndRecordsAcrossParts) {
    MakeSources(5, 30000);
    for (const bool signature : {true, false}) {
        for (const size_t partSize : {size_t{20000}, size_t{65536}}) {
            SCOPED_TRACE(std::to_string(signature) + " " + std::to_string(partSize));
            const std::string name = WriteCompatibleParts(
                dir / ("streamed" + std::to_string(signature) + std::to_string(partSize)),
                StreamedSet(src, signature, partSize));
            ExpectSetReadsBack(name);
        }
    }
}

TEST_F(SpanJoiningTest, AMissingPartIsReportedAndNothingIsLeftBehind) {
    MakeSources(12, 100000);
    h.zip.SetMaxVolumeSize(500000);
    ASSERT_EQ(AddSources(dir / "set.zip", {AddDiskSpan}), 0);
    fs::remove(dir / "set002.zip");
    h.Open(dir / "set003.zip");
    h.zip.SetExtrBaseDir(dir / "out");
    h.zip.SetExtrOptions({ExtrForceDirs});
    EXPECT_EQ(h.zip.Extract(), msg::InputFileMissing);
    EXPECT_EQ(h.zip.SuccessCount(), 0);
    EXPECT_TRUE(fs::is_empty(temp));
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST_F(SpanJoiningTest, AWrongDiskOrOneOfAnotherSetIsAskedForAgain) {
    Floppies(3);
    MakeSources(30, 100000);
    InsertWhatIsAskedFor();
    ASSERT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpan}), 0);
    changer->CreateDisk("foreign", "FOREIGN");
    WriteFile(changer->DiskFolder("foreign") + "/BACKUP.ZIP", DiskFile("d1", "BACKUP.ZIP"));
    // The first disk is asked for: first a disk of another set comes, then the second disk.
    std::vector<std::string> given = {"foreign", "d2"};
    h.ui.boxes.clear();
    h.ui.onBox = [&](const platform::ScriptedInteraction::Box& box) {
        const int disk = PromptedDisk(box.text);
        if (disk > 0) {
            changer->Insert(disk == 1 && !given.empty() ? given.front() : "d" + std::to_string(disk));
            if (disk == 1 && !given.empty()) {
                given.erase(given.begin());
            }
        }
        return 0;
    };
    ExpectExtractedLikeSources(dir / "out");
    const std::vector<std::string> prompts = Prompts();
    ASSERT_GE(prompts.size(), 3u);
    EXPECT_EQ(prompts[0], "Please insert disk volume 1 of 3\nin drive: A:\\");
    EXPECT_EQ(prompts[1], prompts[0]);
    EXPECT_EQ(prompts[2], prompts[0]);
}

TEST_F(SpanJoiningTest, ReadingNeverAsksForADiskPastTheLast) {
    Floppies(3);
    MakeSources(30, 100000);
    InsertWhatIsAskedFor();
    ASSERT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpan}), 0);
    // The last entry's local header claims far more data than the set holds.
    const std::vector<VolumePosition> locals = CheckSetStructure(FloppyVolumes("BACKUP.ZIP"));
    ASSERT_EQ(locals.size(), 30u);
    const std::string volume =
        changer->DiskFolder("d" + std::to_string(locals.back().disk + 1)) + "/BACKUP.ZIP";
    std::string bytes = ReadFile(volume);
    zip::PutU32(reinterpret_cast<uint8_t*>(bytes.data() + locals.back().offset + 18), 0x7FFFFFFF);
    WriteFile(volume, bytes);
    h.ui.boxes.clear();
    h.zip.SetExtrBaseDir(dir / "out");
    h.zip.SetExtrOptions({ExtrForceDirs});
    EXPECT_EQ(h.zip.Extract(), msg::ZippedDataReadError);
    for (const std::string& prompt : Prompts()) {
        EXPECT_EQ(prompt.find("volume 4"), std::string::npos) << prompt;
    }
    EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(SpanJoiningTest, TheJoinedArchiveIsAlwaysAFileOfItsOwn) {
    MakeSources(3, 50000);
    h.zip.SetMaxVolumeSize(70000);
    ASSERT_EQ(AddSources(dir / "set.zip", {AddDiskSpan}), 0);
    TDozEngine& e = h.Engine();
    WriteFile(dir / "taken.zip", "someone's file");
    for (const bool running : {false, true}) {
        e.UnzLibRunning = running;
        std::string destination = dir / "taken.zip";
        EXPECT_EQ(e.ReadSpan(dir / "set003.zip", destination), -7);
        EXPECT_EQ(e.UnzLibRunning, running);
        EXPECT_EQ(destination, "");
        EXPECT_EQ(h.messages.back().first, msg::OutputCreateError);
        EXPECT_EQ(ReadFile(dir / "taken.zip"), "someone's file");
    }
    e.UnzLibRunning = false;
    std::string destination = dir / "joined.zip";
    ASSERT_EQ(e.ReadSpan(dir / "set003.zip", destination), 0);
    EXPECT_EQ(RunProgram({"unzip", "-tq", dir / "joined.zip"}), 0);
}

}  // namespace
}  // namespace ruvu::enginetest
