#include "tests/engine/SpanSetSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>

#include "zipformat/ByteSource.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/SpannedSetMarker.h"

namespace ruvu::enginetest {

namespace fs = std::filesystem;

int PromptedDisk(const std::string& text) {
    std::smatch match;
    if (std::regex_search(text, match, std::regex("disk volume (\\d+)"))) {
        return std::stoi(match[1].str());
    }
    return text.starts_with("Please insert last disk") ? 0 : -1;
}

std::vector<VolumePosition> CheckSetStructure(const std::vector<std::string>& volumes) {
    std::vector<VolumePosition> locals;
    if (volumes.empty()) {
        ADD_FAILURE() << "no volumes";
        return locals;
    }
    EXPECT_TRUE(zip::StartsSpannedSet(zip::AsBytes(volumes[0])));
    const std::string& last = volumes.back();
    zip::MemorySource source(last);
    zip::EndRecordLocation found;
    if (zip::FindEndRecord(source, last.size(), found) != zip::EndRecordSearch::Found) {
        ADD_FAILURE() << "no end record on the last volume";
        return locals;
    }
    const zip::EndOfCentralDir& end = found.Record;
    EXPECT_EQ(found.ArchiveEnd, last.size());
    EXPECT_EQ(end.ThisDiskNo, volumes.size() - 1);
    size_t disk = end.CentralDirDisk;
    uint64_t pos = end.CentralDirOffset;
    size_t onLastDisk = 0;
    for (size_t i = 0; i < end.TotalEntries; ++i) {
        if (disk < volumes.size() && pos == volumes[disk].size()) {
            ++disk;
            pos = 0;
        }
        if (disk >= volumes.size()) {
            ADD_FAILURE() << "central header " << i << " is past the last volume";
            return locals;
        }
        const std::string& volume = volumes[disk];
        const auto header =
            zip::CentralDirHeader::Read(zip::AsBytes(volume).subspan(std::min<size_t>(pos, volume.size())));
        if (!header || header->Signature != zip::CentralDirHeader::kSignature ||
            pos + zip::CentralDirHeader::kSize + header->FileNameLength + header->ExtraLength +
                    header->CommentLength >
                volume.size()) {
            ADD_FAILURE() << "central header " << i << " is not whole at " << disk << ":" << pos;
            return locals;
        }
        const std::string name = volume.substr(pos + zip::CentralDirHeader::kSize, header->FileNameLength);
        if (header->DiskStart >= volumes.size()) {
            ADD_FAILURE() << name << " names disk " << header->DiskStart;
            return locals;
        }
        const std::string& localVolume = volumes[header->DiskStart];
        const uint64_t offset = header->LocalHeaderOffset;
        locals.push_back({header->DiskStart, offset});
        const auto local = zip::LocalFileHeader::Read(
            zip::AsBytes(localVolume).subspan(std::min<size_t>(offset, localVolume.size())));
        EXPECT_TRUE(local && local->Signature == zip::LocalFileHeader::kSignature) << name;
        if (local) {
            EXPECT_LE(offset + local->HeaderLength(), localVolume.size()) << name << " has its header split";
            EXPECT_EQ(localVolume.substr(offset + zip::LocalFileHeader::kSize, local->FileNameLength), name);
        }
        onLastDisk += disk == volumes.size() - 1 ? 1 : 0;
        pos += zip::CentralDirHeader::kSize + header->FileNameLength + header->ExtraLength +
               header->CommentLength;
    }
    if (disk + 1 == volumes.size() - 1 && pos == volumes[disk].size()) {
        ++disk;  // the end record did not fit after the directory
        pos = 0;
    }
    EXPECT_EQ(disk, volumes.size() - 1);
    EXPECT_EQ(pos, found.Offset) << "the end record follows the directory";
    EXPECT_EQ(end.EntriesThisDisk, onLastDisk);
    return locals;
}

SpanFixture::SpanFixture() {
    fs::create_directories(temp);
    fs::create_directories(src);
    h.zip.SetTempDir(temp);
    h.zip.SetAddCompLevel(0);
}

platform::FloppyChanger& SpanFixture::Floppies(int blankDisks) {
    drives.emplace("C=/;A=floppy:" + dir / "floppy");
    changer.emplace(dir / "floppy");
    for (int n = 1; n <= blankDisks; ++n) {
        changer->CreateDisk("d" + std::to_string(n));
    }
    changer->Insert("d1");
    return *changer;
}

void SpanFixture::InsertWhatIsAskedFor(int lastDisk) {
    h.ui.onBox = [this, lastDisk](const platform::ScriptedInteraction::Box& box) {
        const int disk = PromptedDisk(box.text);
        if (disk >= 0) {
            changer->Insert("d" + std::to_string(disk > 0 ? disk : lastDisk));
        }
        return 0;
    };
}

std::vector<std::string> SpanFixture::Prompts() const {
    std::vector<std::string> prompts;
    for (const auto& box : h.ui.boxes) {
        if (PromptedDisk(box.text) >= 0) {
            prompts.push_back(box.text);
        }
    }
    return prompts;
}

std::string SpanFixture::DiskFile(const std::string& disk, const std::string& name) const {
    return ReadFile(changer->DiskFolder(disk) + "/" + name);
}

std::vector<std::string> SpanFixture::FloppyVolumes(const std::string& name) const {
    std::vector<std::string> volumes;
    for (int n = 1; fs::exists(changer->DiskFolder("d" + std::to_string(n)) + "/" + name); ++n) {
        volumes.push_back(DiskFile("d" + std::to_string(n), name));
    }
    return volumes;
}

void SpanFixture::MakeSources(int count, size_t size) {
    std::mt19937 random(static_cast<uint32_t>(count * 7919 + size));
    for (int i = 0; i < count; ++i) {
        std::string bytes(size, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        WriteFile(src + "/f" + std::to_string(100 + i).substr(1) + ".bin", bytes);
    }
}

int32_t SpanFixture::AddSources(const std::string& archive, AddOpts options) {
    h.zip.SetZipFileName(archive);
    h.zip.SetRootDir(src);
    h.zip.SetAddOptions(options);
    h.zip.FSpecArgs() = {"*.*"};
    return h.zip.Add();
}

void SpanFixture::ExpectExtractedLikeSources(const std::string& folder) {
    h.zip.SetExtrBaseDir(folder);
    h.zip.SetExtrOptions({ExtrDirNames, ExtrForceDirs, ExtrOverWrite});
    h.zip.FSpecArgs().clear();
    EXPECT_EQ(h.zip.Extract(), 0);
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(src)) {
        ++files;
        EXPECT_TRUE(ReadFile(folder + "/" + entry.path().filename().string()) ==
                    ReadFile(entry.path().string()))
            << entry.path();
    }
    EXPECT_EQ(h.zip.SuccessCount(), static_cast<int32_t>(files));
    EXPECT_TRUE(fs::is_empty(temp)) << "the joined archive stays behind";
}

void SpanFixture::ExpectSetReadsBack(const std::string& name) {
    h.Open(name);
    EXPECT_EQ(h.zip.ErrCode(), 0);
    ExpectExtractedLikeSources(dir / ("out" + std::to_string(++readBacks_)));
}

}  // namespace ruvu::enginetest
