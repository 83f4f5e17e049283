// The settings header as written and read back: its size for every text length, the order of the
// length checks, both layouts read from the bytes in front of the zip data, and headers whose
// lengths do not fit the bytes around them.
#include <gtest/gtest.h>

#include "sfx/SfxError.h"
#include "sfx/SfxHeader.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/ByteSource.h"

namespace ruvu::sfx {
namespace {

int32_t IdOf(const Settings& settings) {
    try {
        BuildHeader(settings);
    } catch (const ESfxError& error) {
        return error.Id();
    }
    return 0;
}

// Reads whichever layout is in front of zipStart (the end of the bytes by default).
std::optional<Settings> Read(const std::string& bytes, std::optional<uint64_t> zipStart = {}) {
    zip::MemorySource source(bytes);
    Settings settings;
    const uint64_t start = zipStart.value_or(bytes.size());
    if (ReadHeader(source, start, settings) || ReadOldHeader(source, start, settings)) {
        return settings;
    }
    return std::nullopt;
}

TEST(SfxHeaderTest, SizeIsTheTextsRoundedUpToFourAndTheTrailerFollows) {
    struct Case {
        std::string caption, dir, command, message;
        size_t headerSize;
    } cases[] = {
        {"", "", "", "", 20},
        {"a", "b", "", "", 20},
        {"a", "b", "c", "", 24},
        {"abcd", "", "", "xy", 24},
        {std::string(255, 'c'), std::string(255, 'd'), std::string(255, 'e'), std::string(255, 'm'),
         18 + 1020 + 2},
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.Caption = c.caption;
        settings.DefaultDir = c.dir;
        settings.CommandLine = c.command;
        settings.AssignMessage("\x02" + c.message);
        settings.OptionsWord = 0x0019;
        settings.OverwriteByte = kOverwriteNever;
        const std::string bytes = BuildHeader(settings);
        ASSERT_EQ(bytes.size(), c.headerSize + 8) << c.headerSize;
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
        EXPECT_EQ(zip::GetU32(p), 0x01005A44u);
        EXPECT_EQ(zip::GetU16(p + 4), c.headerSize);
        EXPECT_EQ(zip::GetU16(p + 6), 0x0019);
        EXPECT_EQ(p[8], kOverwriteNever);
        EXPECT_EQ(p[9], c.caption.size());
        EXPECT_EQ(p[13], c.message.size());
        EXPECT_EQ(zip::GetU32(p + 14), kStyleYesNoQuestion);
        EXPECT_EQ(bytes.substr(18, c.caption.size() + c.dir.size()), c.caption + c.dir);
        EXPECT_EQ(zip::GetU32(p + c.headerSize), 0x010A5A44u);
        EXPECT_EQ(zip::GetU32(p + c.headerSize + 4), c.headerSize);

        const auto read = Read(bytes);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->Caption, c.caption);
        EXPECT_EQ(read->DefaultDir, c.dir);
        EXPECT_EQ(read->CommandLine, c.command);
        EXPECT_EQ(read->Message, c.message);
        EXPECT_EQ(read->MessageStyle, kStyleYesNoQuestion);
        EXPECT_EQ(read->OptionsWord, 0x0019);
        EXPECT_EQ(read->OverwriteByte, kOverwriteNever);
    }
}

TEST(SfxHeaderTest, TooLongTextsAreCheckedMessageFirst) {
    const std::string tooLong(256, 'x');
    Settings settings;
    settings.Caption = settings.DefaultDir = settings.CommandLine = settings.FallbackPath = tooLong;
    settings.Message = tooLong;
    EXPECT_EQ(IdOf(settings), sfxmsg::MessageTooLong);
    settings.Message.clear();
    EXPECT_EQ(IdOf(settings), sfxmsg::DefaultDirTooLong);
    settings.DefaultDir.clear();
    EXPECT_EQ(IdOf(settings), sfxmsg::CaptionTooLong);
    settings.Caption.clear();
    EXPECT_EQ(IdOf(settings), sfxmsg::CommandLineTooLong);
    settings.CommandLine.clear();
    EXPECT_EQ(IdOf(settings), sfxmsg::FallbackPathTooLong);
    settings.FallbackPath = std::string(255, 'x');
    EXPECT_EQ(IdOf(settings), 0);
    // The length is counted in bytes, which is what the header can hold.
    settings.FallbackPath = std::string(254, 'x') + "ő";
    EXPECT_EQ(IdOf(settings), sfxmsg::FallbackPathTooLong);
}

TEST(SfxHeaderTest, NameBlockBetweenTrailerAndZipDataIsSkippedAndRead) {
    Settings settings;
    settings.Caption = "Telepítő";
    const std::string bytes = "stub" + BuildHeader(settings) + BuildNameBlock("ADAT", "ZIP");
    const auto read = Read(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Caption, "Telepítő");
    zip::MemorySource source(bytes);
    const auto block = ReadNameBlock(source, bytes.size());
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Name, "ADAT");
    EXPECT_EQ(block->Extension, "ZIP");
    EXPECT_EQ(block->Start, bytes.size() - 24 - 7);
}

TEST(SfxHeaderTest, OlderLayoutsAreReadFromTheWindowInFrontOfTheZipData) {
    // "MPU": flags, three lengths, the texts. "MPV": flags, a byte, then length-prefixed texts.
    const std::string u = std::string(40, 'x') + "MPU" + std::string("\x41\x02\x03\x01", 4) + "Tidirc";
    auto read = Read(u);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->OptionsWord, kOldStyleFlag | kAskCmdLine | kAutoRun);
    EXPECT_EQ(read->OverwriteByte, kOverwriteAsk);
    EXPECT_EQ(read->Caption, "Ti");
    EXPECT_EQ(read->DefaultDir, "dir");
    EXPECT_EQ(read->CommandLine, "c");

    const std::string v = "MPV" + std::string("\x96\x00\x00\x00\x00", 5) + "\x01T" + std::string("\x00", 1) +
                          "\x01r" + "\x03\x01Ok";
    read = Read(std::string(2000, 'y') + v);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->OptionsWord, kOldStyleFlag | kAskFiles | kHideOverWriteBox | kNoSuccessMsg);
    EXPECT_EQ(read->OverwriteByte, kOverwriteNever);
    EXPECT_EQ(read->Caption, "T");
    EXPECT_EQ(read->DefaultDir, "");
    EXPECT_EQ(read->CommandLine, "r");
    EXPECT_EQ(read->Message, "Ok");
    EXPECT_EQ(read->MessageStyle, kStyleOkCancelInfo);

    // Beyond the 1032 bytes in front of the zip data nothing is looked for.
    EXPECT_FALSE(Read(v + std::string(1032, 'z')));
}

TEST(SfxHeaderTest, LengthsThatDoNotFitTheirBytesFindNoHeaderOrFail) {
    Settings settings;
    settings.Caption = "abc";
    const std::string header = BuildHeader(settings);

    // A name block claiming more bytes than lie in front of it is no name block.
    std::string block = BuildNameBlock("A", "ZIP");
    zip::PutU32(reinterpret_cast<uint8_t*>(block.data() + block.size() - 8), 0xFFFFFFF0u);
    const std::string withBlock = header + block;
    zip::MemorySource hugeBlock(withBlock);
    EXPECT_FALSE(ReadNameBlock(hugeBlock, withBlock.size()));

    // A trailer pointing before the start of the file.
    std::string trailer = header;
    zip::PutU32(reinterpret_cast<uint8_t*>(trailer.data() + trailer.size() - 4), 5000);
    EXPECT_FALSE(Read(trailer));

    // Texts longer than the header they sit in.
    std::string overlong = header;
    overlong[9] = static_cast<char>(200);
    EXPECT_THROW(Read("pad" + overlong), ESfxError);

    // An older marker whose texts would run past the window is no header; nor is one at its very end.
    EXPECT_FALSE(Read(std::string(20, 'x') + "MPU" + std::string("\x00\xFF\x00\x00", 4) + "ab"));
    EXPECT_FALSE(Read(std::string(20, 'x') + "MPV" + std::string("\x00\x00\x00\x00", 4) +
                      "\x09"
                      "ab"));
    EXPECT_FALSE(Read("xxMPU"));

    // Nothing at all in front of the zip data.
    EXPECT_FALSE(Read(std::string(100, '\0')));
}

}  // namespace
}  // namespace ruvu::sfx
