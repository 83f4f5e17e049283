#include "splitter/FileSplitter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "platform/File.h"
#include "splitter/SplitterError.h"
#include "tests/splitter/SplitterFixture.h"

namespace ruvu {
namespace {

using testsupport::RandomBytes;
using testsupport::ReadFileBytes;

using DiskCall = std::pair<int, int>;  // DiskID, NumOfDisks

// A splitter whose events are recorded; each disk request can also run an action (changing disks).
struct Recorded {
    explicit Recorded(TFileSplitter& splitter) {
        splitter.OnNeedDisk = [this](TFileSplitter*, uint16_t disk, uint16_t disks, bool& cont) {
            diskCalls.emplace_back(disk, disks);
            if (onDisk) {
                cont = onDisk(disk);
            }
        };
        splitter.OnProgress = [this](TFileSplitter*, uint16_t percent) { percents.push_back(percent); };
    }
    int CompletedPieces() const {
        int count = 0;
        for (int p : percents) {
            count += p == 100 ? 1 : 0;
        }
        return count;
    }

    std::vector<DiskCall> diskCalls;
    std::vector<int> percents;
    std::function<bool(int)> onDisk;
};

class FileSplitterTest : public test::SplitterFixture {
  protected:
    uintmax_t SizeOnC(std::string_view name) const { return std::filesystem::file_size(OnC(name)); }
    bool ExistsOnC(std::string_view name) const { return std::filesystem::exists(OnC(name)); }
    size_t FilesOnC(std::string_view folder) const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(OnC(folder)), {}));
    }

    // Splits a file of the given size into C:\<name>.SPL and so on with the given reduction; returns
    // the piece sizes.
    std::vector<uintmax_t> SplitSizes(std::string_view base, size_t size, int32_t reduce) {
        const std::string name = std::string(base);
        WriteOnC("DATA/" + name + ".BIN", RandomBytes(size, 7));
        TFileSplitter splitter;
        splitter.SetFileName("C:\\DATA\\" + name + ".BIN");
        splitter.SetReduceFirstSizeBy(reduce);
        Recorded events(splitter);
        EXPECT_TRUE(splitter.Split());
        std::vector<uintmax_t> sizes;
        std::string piece = name + ".SPL";
        for (uint32_t number = 1; ExistsOnC("DATA/" + piece); ++number) {
            sizes.push_back(SizeOnC("DATA/" + piece));
            piece = NextPieceName(piece, number);
        }
        EXPECT_EQ(events.CompletedPieces(), static_cast<int>(sizes.size()));
        return sizes;
    }
};

TEST_F(FileSplitterTest, ThreeMillionBytesMakeThreePiecesThatJoinBackByteForByte) {
    const std::string original = RandomBytes(3000000, 1);
    WriteOnC("DATA/BACKUP.ZIP", original);
    TFileSplitter splitter;
    splitter.SetFileName("C:\\DATA\\BACKUP.ZIP");
    splitter.SetBufferSize(200000);
    splitter.SetReduceFirstSizeBy(100000);
    Recorded split(splitter);
    ASSERT_TRUE(splitter.Split());

    EXPECT_EQ(split.diskCalls, (std::vector<DiskCall>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(split.CompletedPieces(), 3);
    const std::string first = ReadFileBytes(OnC("DATA/BACKUP.SPL"));
    const std::string second = ReadFileBytes(OnC("DATA/BACKUP.001"));
    const std::string third = ReadFileBytes(OnC("DATA/BACKUP.002"));
    EXPECT_EQ(first.size(), 1357664u);
    EXPECT_EQ(second.size(), 1457664u);
    EXPECT_EQ(third.size(), 184704u);
    EXPECT_FALSE(ExistsOnC("DATA/BACKUP.003"));
    EXPECT_EQ(first.substr(0, 32), std::string("TFileSplitter by Zentrofalkia\0\x03\0", 32));
    EXPECT_EQ(first.substr(32) + second + third, original);

    TFileSplitter joiner;
    joiner.SetSplitFileName("C:\\DATA\\BACKUP.SPL");
    joiner.SetFileName("C:\\DATA\\RESTORED.ZIP");
    Recorded join(joiner);
    ASSERT_TRUE(joiner.Join());
    EXPECT_EQ(ReadFileBytes(OnC("DATA/RESTORED.ZIP")), original);
    // The join asks once more after the last piece.
    EXPECT_EQ(join.diskCalls, (std::vector<DiskCall>{{1, 0}, {2, 3}, {3, 3}, {4, 3}}));
    EXPECT_EQ(joiner.SplitHeader().PieceCount, 3);
    EXPECT_EQ(FilesOnC("DATA"), 5u);  // no temporary file left beside the result
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FileSplitterTest, PieceBoundariesOfAFullFirstPieceAndOfAnEmptyFile) {
    EXPECT_EQ(SplitSizes("FULL", 1457632, 0), (std::vector<uintmax_t>{1457664}));
    EXPECT_EQ(SplitSizes("REDUCED", 1457632, 100000), (std::vector<uintmax_t>{1357664, 100000}));
    EXPECT_EQ(SplitSizes("EMPTY", 0, 0), (std::vector<uintmax_t>{32}));
    EXPECT_EQ(ReadFileBytes(OnC("DATA/EMPTY.SPL")), std::string("TFileSplitter by Zentrofalkia\0\x01\0", 32));

    TFileSplitter joiner;
    joiner.SetSplitFileName("C:\\DATA\\EMPTY.SPL");
    joiner.SetFileName("C:\\DATA\\JOINED.BIN");
    Recorded join(joiner);
    ASSERT_TRUE(joiner.Join());
    EXPECT_EQ(join.diskCalls, (std::vector<DiskCall>{{1, 0}, {2, 1}}));
    EXPECT_EQ(SizeOnC("DATA/JOINED.BIN"), 0u);
}

TEST(FileSplitterProperties, NamesFollowTheFileUntilSetAndOversizedReductionsAreIgnored) {
    TFileSplitter splitter;
    EXPECT_EQ(splitter.Size(), 1457664);
    EXPECT_EQ(splitter.BufferSize(), 1457664);
    EXPECT_EQ(splitter.ReduceFirstSizeBy(), 0);

    splitter.SetFileName("C:\\DATA\\BACKUP.ZIP");
    EXPECT_EQ(splitter.SplitFileName(), "C:\\DATA\\BACKUP.SPL");
    splitter.SetFileName("C:\\MY.DIR\\BACKUP");
    EXPECT_EQ(splitter.SplitFileName(), "C:\\MY.DIR\\BACKUP.SPL");
    splitter.SetSplitFileName("A:\\X.SPL");
    splitter.SetFileName("C:\\OTHER.ZIP");
    EXPECT_EQ(splitter.SplitFileName(), "A:\\X.SPL");

    splitter.SetReduceFirstSizeBy(1457664 - 32);
    EXPECT_EQ(splitter.ReduceFirstSizeBy(), 0);
    splitter.SetReduceFirstSizeBy(2000000);
    EXPECT_EQ(splitter.ReduceFirstSizeBy(), 0);
    splitter.SetReduceFirstSizeBy(1457664 - 33);
    EXPECT_EQ(splitter.ReduceFirstSizeBy(), 1457664 - 33);

    std::string name = "A:\\X.SPL";
    std::vector<std::string> names{name};
    for (uint32_t piece = 1; piece <= 1000; ++piece) {
        name = NextPieceName(name, piece);
        names.push_back(name);
    }
    EXPECT_EQ(names[1], "A:\\X.001");
    EXPECT_EQ(names[10], "A:\\X.010");
    EXPECT_EQ(names[999], "A:\\X.999");
    EXPECT_EQ(names[1000], "A:\\X.1000");
}

TEST_F(FileSplitterTest, MissingFilesAndPiecesFailWithoutTouchingAnExistingResult) {
    TFileSplitter missing;
    missing.SetFileName("C:\\NONE.ZIP");
    EXPECT_FALSE(missing.Split());
    missing.SetFileName("C:\\OUT.ZIP");
    missing.SetSplitFileName("C:\\NONE.SPL");
    EXPECT_FALSE(missing.Join());
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"FileSplitter Hibaüzenet: Input fájl 'C:\\NONE.ZIP' nem található.",
                                        "Hibaüzenet: Input file 'C:\\NONE.SPL' does not exist."}));
    EXPECT_FALSE(ExistsOnC("OUT.ZIP"));

    const std::string original = RandomBytes(5000, 2);
    WriteOnC("SET/X.BIN", original);
    TFileSplitter splitter;
    splitter.SetFileName("C:\\SET\\X.BIN");
    splitter.SetSize(1000);
    splitter.SetBufferSize(300);
    ASSERT_TRUE(splitter.Split());
    EXPECT_EQ(SizeOnC("SET/X.005"), 32u);
    std::filesystem::remove(OnC("SET/X.002"));
    WriteOnC("SET/OLD.BIN", "the previous restore");
    ui_.boxes.clear();

    TFileSplitter joiner;
    joiner.SetSplitFileName("C:\\SET\\X.SPL");
    joiner.SetFileName("C:\\SET\\OLD.BIN");
    Recorded join(joiner);
    EXPECT_FALSE(joiner.Join());
    EXPECT_EQ(join.diskCalls, (std::vector<DiskCall>{{1, 0}, {2, 6}, {3, 6}}));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(joiner.MissingPiece(), "C:\\SET\\X.002");
    EXPECT_EQ(ReadFileBytes(OnC("SET/OLD.BIN")), "the previous restore");
    EXPECT_EQ(FilesOnC("SET"), 7u);  // X.BIN, five pieces, OLD.BIN: no temporary file left
}

TEST_F(FileSplitterTest, ADiskPromptAnsweredWithStopEndsASplitQuietlyButFailsAJoin) {
    const std::string original = RandomBytes(2500, 3);
    WriteOnC("X.BIN", original);
    TFileSplitter splitter;
    splitter.SetFileName("C:\\X.BIN");
    splitter.SetSize(1000);
    Recorded split(splitter);
    split.onDisk = [](int disk) { return disk < 2; };
    EXPECT_TRUE(splitter.Split());
    EXPECT_EQ(SizeOnC("X.SPL"), 1000u);
    EXPECT_FALSE(ExistsOnC("X.001"));

    split.onDisk = nullptr;
    ASSERT_TRUE(splitter.Split());
    TFileSplitter joiner;
    joiner.SetSplitFileName("C:\\X.SPL");
    joiner.SetFileName("C:\\Y.BIN");
    Recorded join(joiner);
    join.onDisk = [](int disk) { return disk < 3; };
    EXPECT_FALSE(joiner.Join());
    EXPECT_FALSE(ExistsOnC("Y.BIN"));
    // Answering the call after the last piece with stop fails a complete join too.
    join.onDisk = [](int disk) { return disk < 4; };
    EXPECT_FALSE(joiner.Join());
    join.onDisk = nullptr;
    EXPECT_TRUE(joiner.Join());
    EXPECT_EQ(ReadFileBytes(OnC("Y.BIN")), original);
}

TEST_F(FileSplitterTest, SplittingOverAnOldSetLeavesExactlyTheNewPieces) {
    WriteOnC("X.BIN", RandomBytes(5000, 21));
    TFileSplitter splitter;
    splitter.SetFileName("C:\\X.BIN");
    splitter.SetSize(1000);
    ASSERT_TRUE(splitter.Split());

    // An old piece held open elsewhere is replaced by a new file; the holder keeps the old one.
    platform::File holder =
        platform::File::Open("C:\\X.001", platform::Access::Read, platform::Share::DenyWrite);
    ASSERT_TRUE(holder.IsOpen());
    const std::string shorter = RandomBytes(2500, 22);
    WriteOnC("X.BIN", shorter);
    ASSERT_TRUE(splitter.Split());
    EXPECT_EQ(SizeOnC("X.SPL"), 1000u);
    EXPECT_EQ(SizeOnC("X.001"), 1000u);
    EXPECT_EQ(SizeOnC("X.002"), 532u);
    EXPECT_EQ(holder.Size(), 1000);

    TFileSplitter joiner;
    joiner.SetSplitFileName("C:\\X.SPL");
    joiner.SetFileName("C:\\Y.BIN");
    ASSERT_TRUE(joiner.Join());
    EXPECT_EQ(ReadFileBytes(OnC("Y.BIN")), shorter);
}

TEST_F(FileSplitterTest, RefusesWorkThatWouldDestroyItsInputOrCouldNeverEnd) {
    const std::string original = RandomBytes(3000, 4);
    WriteOnC("X.SPL", original);
    TFileSplitter splitter;
    splitter.SetFileName("C:\\x.spl");  // its first piece would be the input itself
    EXPECT_FALSE(splitter.Split());
    EXPECT_EQ(ReadFileBytes(OnC("X.SPL")), original);

    TFileSplitter joiner;
    joiner.SetSplitFileName("C:\\X.SPL");
    joiner.SetFileName("C:\\X.SPL");
    EXPECT_FALSE(joiner.Join());
    EXPECT_EQ(ReadFileBytes(OnC("X.SPL")), original);

    WriteOnC("BIG.BIN", RandomBytes(2700000, 5));
    TFileSplitter tiny;
    tiny.SetFileName("C:\\BIG.BIN");
    tiny.SetSize(40);  // 67501 pieces: more than the header can count
    EXPECT_FALSE(tiny.Split());
    EXPECT_FALSE(ExistsOnC("BIG.SPL"));
    tiny.SetSize(32);
    EXPECT_FALSE(tiny.Split());
    tiny.SetSize(1000);
    tiny.SetBufferSize(32);
    EXPECT_FALSE(tiny.Split());
    EXPECT_FALSE(ExistsOnC("BIG.SPL"));

    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{
                  "FileSplitter Hibaüzenet: Az input fájl és a(z) 'C:\\x.SPL' darab ugyanaz a fájl.",
                  "Hibaüzenet: A kimeneti fájl és a(z) 'C:\\X.SPL' darab ugyanaz a fájl.",
                  "FileSplitter Hibaüzenet: A fájl túl nagy: 67501 darab kellene, legfeljebb 65534 lehet.",
                  "FileSplitter Hibaüzenet: Érvénytelen darab- vagy pufferméret.",
                  "FileSplitter Hibaüzenet: Érvénytelen darab- vagy pufferméret.",
              }));
}

TEST_F(FileSplitterTest, APieceThatCannotBeCreatedAsksOnErrorToRetryRaiseOrGoOn) {
    WriteOnC("X.BIN", RandomBytes(1500, 6));
    TFileSplitter splitter;
    splitter.SetFileName("C:\\X.BIN");
    splitter.SetSplitFileName("C:\\PIECES\\X.SPL");  // the folder does not exist yet
    splitter.SetSize(1000);

    // Without a handler the error reaches the caller, and the input is closed again.
    try {
        splitter.Split();
        ADD_FAILURE() << "no error raised";
    } catch (const EFileSplitter& error) {
        EXPECT_EQ(error.Code(), platform::HostError::PathNotFound);
        EXPECT_NE(std::string(error.what()).find("C:\\PIECES\\X.SPL"), std::string::npos);
    }
    EXPECT_TRUE(
        platform::File::Open("C:\\X.BIN", platform::Access::Write, platform::Share::Exclusive).IsOpen());

    std::vector<std::vector<int>> errors;
    splitter.OnError = [&](TFileSplitter*, uint16_t disk, uint16_t disks, uint16_t code) {
        errors.push_back({disk, disks, code});
        return 5;  // neither retry nor cancel
    };
    EXPECT_FALSE(splitter.Split());
    EXPECT_EQ(errors, (std::vector<std::vector<int>>{{1, 2, 3}}));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Üzenet: Fatális irási hiba. (101/1)"}));

    // Retry after the handler has made the folder.
    splitter.OnError = [&](TFileSplitter*, uint16_t, uint16_t, uint16_t) {
        root_.MakeDir("c/PIECES");
        return 1;
    };
    EXPECT_TRUE(splitter.Split());
    EXPECT_EQ(SizeOnC("PIECES/X.001"), 532u);
}

TEST_F(FileSplitterTest, FloppyPiecesWithoutAHandlerAreAskedForWithMessageBoxes) {
    CreateDisks(2);
    changer_.Insert("1");
    ui_.onBox = [this](const platform::ScriptedInteraction::Box&) {
        changer_.Insert(std::to_string(++prompts_ + 1));
        return 0;
    };
    const std::string original = RandomBytes(1500000, 8);
    WriteOnC("BACKUP.ZIP", original);
    TFileSplitter splitter;
    splitter.SetFileName("C:\\BACKUP.ZIP");
    splitter.SetSplitFileName("a:\\BACKUP.SPL");
    ASSERT_TRUE(splitter.Split());
    EXPECT_EQ(std::filesystem::file_size(OnDisk("1", "BACKUP.SPL")), 1457664u);
    EXPECT_EQ(std::filesystem::file_size(OnDisk("2", "BACKUP.001")), 1500000u + 32 - 1457664);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Üzenet: Kérek egy újabb üres floppy lemezt!"}));

    ui_.boxes.clear();
    prompts_ = 0;
    changer_.Insert("1");
    TFileSplitter joiner;
    joiner.SetSplitFileName("A:\\BACKUP.SPL");
    joiner.SetFileName("C:\\RESTORED.ZIP");
    ASSERT_TRUE(joiner.Join());
    EXPECT_EQ(ReadFileBytes(OnC("RESTORED.ZIP")), original);
    // Without a handler the join also asks after its last piece.
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Üzenet: Kérem a következő betöltendő floppy lemezt!",
                                                 "Üzenet: Kérem a következő betöltendő floppy lemezt!"}));
}

TEST_F(FileSplitterTest, AFullFloppyEndsTheSplitWithAWriteError) {
    CreateDisks(1);
    root_.Write("a/disks/1/OLD.DAT", std::string(500000, 'o'));
    changer_.Insert("1");
    WriteOnC("BACKUP.ZIP", RandomBytes(1400000, 9));
    TFileSplitter splitter;
    splitter.SetFileName("C:\\BACKUP.ZIP");
    splitter.SetSplitFileName("A:\\BACKUP.SPL");
    splitter.OnNeedDisk = [](TFileSplitter*, uint16_t, uint16_t, bool&) {};
    EXPECT_FALSE(splitter.Split());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Üzenet: Fatális irási hiba. (101/2)"}));
    EXPECT_EQ(changer_.UsedBytes("1"), 1457664u);
}

}  // namespace
}  // namespace ruvu
