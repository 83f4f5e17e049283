#include "tests/splitter/SplitterFixture.h"

#include "platform/Drives.h"

namespace ruvu::test {

SplitterFixture::SplitterFixture()
    : drives_("A=floppy:" + root_.MakeDir("a") + ";C=" + root_.MakeDir("c")), changer_(root_.Host("a")) {
    platform::SetCurrentDirectory("C:\\");
}

void SplitterFixture::CreateDisks(int count) {
    for (int i = 1; i <= count; ++i) {
        changer_.CreateDisk(std::to_string(i));
    }
}

void SplitterFixture::InsertNextDiskAtEachPrompt() {
    ui_.onNextFloppy =
        [this](const platform::NextFloppyRequest&) -> std::optional<platform::NextFloppyAnswer> {
        changer_.Insert(std::to_string(++prompts_));
        return std::nullopt;
    };
}

std::vector<std::string> SplitterFixture::Boxes() const {
    std::vector<std::string> shown;
    for (const platform::ScriptedInteraction::Box& box : ui_.boxes) {
        EXPECT_EQ(box.flags, 0u) << box.text;
        shown.push_back(box.caption + ": " + box.text);
    }
    return shown;
}

}  // namespace ruvu::test
