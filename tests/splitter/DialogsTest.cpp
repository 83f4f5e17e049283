// The workflow's dialogs as the console and the default implementations of the interaction ask them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Interaction.h"

namespace ruvu::platform {
namespace {

// A console whose input is a fixed text and whose output is kept.
class Console {
  public:
    explicit Console(const std::string& input) : in_(std::tmpfile()), out_(open_memstream(&buffer_, &size_)) {
        std::fwrite(input.data(), 1, input.size(), in_);
        std::rewind(in_);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;
    ~Console() {
        std::fclose(in_);
        std::fclose(out_);
        std::free(buffer_);
    }
    ConsoleInteraction& Interaction() { return interaction_; }
    std::string Output() {
        std::fflush(out_);
        return std::string(buffer_, size_);
    }

  private:
    std::FILE* in_;
    char* buffer_ = nullptr;
    size_t size_ = 0;
    std::FILE* out_;
    ConsoleInteraction interaction_{in_, out_};
};

NextFloppyRequest DiskTwoOfThree(bool box) {
    return NextFloppyRequest{"RuvuvADU", "Kérem a 2.Lemezt", "(összesen 3)", box, box};
}

std::pair<int, bool> FloppyAnswer(const std::string& input, bool box) {
    Console console(input);
    NextFloppyAnswer answer = console.Interaction().NextFloppyDialog(DiskTwoOfThree(box));
    return {answer.modalResult, answer.eraseBoxChecked};
}

TEST(ConsoleDialogs, TheDiskPromptWaitsForEnterAndCanUntickTheEraseBox) {
    Console console("\n");
    NextFloppyAnswer answer = console.Interaction().NextFloppyDialog(DiskTwoOfThree(true));
    EXPECT_EQ(answer.modalResult, IDOK);
    EXPECT_TRUE(answer.eraseBoxChecked);
    EXPECT_EQ(console.Output(),
              "RuvuvADU\nKérem a 2.Lemezt\n(összesen 3)\n[x] Floppyn lévő minden eddigi adat törlése\n"
              "Rendben/Megszakitás, x: törlés ki/be [Rendben]: ");

    EXPECT_EQ(FloppyAnswer("x\nr\n", true), std::make_pair(int{IDOK}, false));
    EXPECT_EQ(FloppyAnswer("x\nx\nok\n", true), std::make_pair(int{IDOK}, true));
    EXPECT_EQ(FloppyAnswer("m\n", true), std::make_pair(int{IDABORT}, true));
    EXPECT_EQ(FloppyAnswer("", true), std::make_pair(int{IDABORT}, true));      // end of input
    EXPECT_EQ(FloppyAnswer("x\n\n", false), std::make_pair(int{IDOK}, false));  // no box to tick
}

TEST(ConsoleDialogs, TheOverwriteQuestionShowsBothTextsAndDefaultsToNo) {
    Console console("\n");
    EXPECT_FALSE(console.Interaction().OverwriteQuestion("Darabolás", "új", "régi"));
    EXPECT_EQ(console.Output(),
              "Darabolás\núj\n>>>>\nrégi\nFelülirható?\n"
              "Rendben, Felülirható/Mégsem, nem irható felül [Mégsem]: ");
    for (const char* yes : {"r\n", "Igen\n", "what?\ny\n"}) {
        Console answer(yes);
        EXPECT_TRUE(answer.Interaction().OverwriteQuestion("", "a", "b")) << yes;
    }
    for (const char* no : {"m\n", "nem\n", ""}) {
        Console answer(no);
        EXPECT_FALSE(answer.Interaction().OverwriteQuestion("", "a", "b")) << no;
    }
}

TEST(ConsoleDialogs, FileDialogsTakeTheProposalATypedNameOrACancel) {
    FileDialogRequest save{"Darabolás", "Floppy Mentések|*.spl|Minden fájl|*.*", "C:\\DATA", "2024-03-07",
                           ""};
    Console console("\n");
    EXPECT_EQ(console.Interaction().SaveFileDialog(save), "C:\\DATA\\2024-03-07");
    EXPECT_EQ(console.Output(),
              "Darabolás\nFloppy Mentések (*.spl), Minden fájl (*.*)\nMappa: C:\\DATA\n"
              "Fájlnév [2024-03-07]: ");

    auto saved = [&](const std::string& input) { return Console(input).Interaction().SaveFileDialog(save); };
    EXPECT_EQ(saved("SUB\\X.ZIP\n"), "C:\\DATA\\SUB\\X.ZIP");
    EXPECT_EQ(saved("C:\\OTHER\\Y\n"), "C:\\OTHER\\Y");
    EXPECT_EQ(saved("-\n"), std::nullopt);
    EXPECT_EQ(saved(""), std::nullopt);

    FileDialogRequest open{"Beolvasás", "Floppy-s mentések|*.spl", "C:\\NO-SUCH-FOLDER", "", "spl"};
    EXPECT_EQ(Console("\nBACKUP\n").Interaction().OpenFileDialog(open), "C:\\NO-SUCH-FOLDER\\BACKUP.spl");
    EXPECT_EQ(Console("BACKUP.ZIP\n").Interaction().OpenFileDialog(open), "C:\\NO-SUCH-FOLDER\\BACKUP.ZIP");
}

// An interaction that knows only message boxes: the new dialogs fall back to them.
class BoxesOnly : public Interaction {
  public:
    int MessageBox(std::string_view text, std::string_view caption, uint32_t flags) override {
        shown.push_back(std::string(caption) + ": " + std::string(text));
        this->flags.push_back(flags);
        return answer;
    }
    PasswordAnswer PasswordDialog(std::string_view, std::string_view, int) override { return {}; }
    void ProcessPendingEvents() override {}
    Cursor ScreenCursor() const override { return Cursor::Default; }
    void SetScreenCursor(Cursor) override {}

    int answer = IDOK;
    std::vector<std::string> shown;
    std::vector<uint32_t> flags;
};

TEST(DefaultDialogs, FallBackToMessageBoxesAndCancelFileDialogs) {
    BoxesOnly boxes;
    NextFloppyAnswer ok = boxes.NextFloppyDialog(DiskTwoOfThree(true));
    EXPECT_EQ(ok.modalResult, IDOK);
    EXPECT_TRUE(ok.eraseBoxChecked);
    boxes.answer = IDCANCEL;
    EXPECT_EQ(boxes.NextFloppyDialog(DiskTwoOfThree(false)).modalResult, IDABORT);
    boxes.answer = IDYES;
    EXPECT_TRUE(boxes.OverwriteQuestion("Cím", "új", "régi"));
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"RuvuvADU: Kérem a 2.Lemezt\n(összesen 3)",
                                                     "RuvuvADU: Kérem a 2.Lemezt\n(összesen 3)",
                                                     "Cím: új\n>>>>\nrégi\nFelülirható?"}));
    EXPECT_EQ(boxes.flags, (std::vector<uint32_t>{MB_OKCANCEL, MB_OKCANCEL, MB_YESNO | MB_DEFBUTTON2}));
    EXPECT_EQ(boxes.OpenFileDialog({}), std::nullopt);
    EXPECT_EQ(boxes.SaveFileDialog({}), std::nullopt);
}

}  // namespace
}  // namespace ruvu::platform
