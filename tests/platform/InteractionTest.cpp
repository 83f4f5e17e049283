#include "platform/Interaction.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

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

int Answer(const std::string& input, uint32_t flags) {
    Console console(input);
    return console.Interaction().MessageBox("Text", "Caption", flags);
}

TEST(ConsoleInteraction, ShowsCaptionTextAndButtonsAsTheyAre) {
    Console console("\n");
    EXPECT_EQ(
        console.Interaction().MessageBox("First line\nsecond line", "Hiba 02", MB_YESNOCANCEL | MB_ICONSTOP),
        IDYES);
    EXPECT_EQ(console.Output(), "Hiba 02\nFirst line\nsecond line\nIgen/Nem/M\xc3\xa9gse [Igen]: ");
}

TEST(ConsoleInteraction, AnswersByNameOrFirstLetterIgnoringCase) {
    EXPECT_EQ(Answer("igen\n", MB_YESNO), IDYES);
    EXPECT_EQ(Answer("  N  \n", MB_YESNO), IDNO);
    EXPECT_EQ(Answer("M\xc3\x89GSE\n", MB_YESNOCANCEL), IDCANCEL);  // MÉGSE
    EXPECT_EQ(Answer("m\n", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(Answer("o\n", MB_OKCANCEL), IDOK);
    EXPECT_EQ(Answer("Yes\r\n", MB_YESNO), IDYES);            // the English names are understood too
    EXPECT_EQ(Answer("i\n", MB_ABORTRETRYIGNORE), IDRETRY);   // Ismét
    EXPECT_EQ(Answer("k\n", MB_ABORTRETRYIGNORE), IDIGNORE);  // Kihagyás
    EXPECT_EQ(Answer("megszak\xc3\xadt\xc3\xa1s\n", MB_ABORTRETRYIGNORE), IDABORT);
}

TEST(ConsoleInteraction, EmptyLineTakesTheDefaultButton) {
    EXPECT_EQ(Answer("\n", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(Answer("\n", MB_RETRYCANCEL), IDRETRY);
    EXPECT_EQ(Answer("\n", MB_OKCANCEL | MB_DEFBUTTON3), IDOK);  // beyond the buttons: the first
}

TEST(ConsoleInteraction, UnreadableAnswerAsksAgain) {
    Console console("maybe\nx\nnem\n");
    EXPECT_EQ(console.Interaction().MessageBox("Overwrite?", "", MB_YESNO), IDNO);
    std::string out = console.Output();
    size_t prompts = 0;
    for (size_t pos = 0; (pos = out.find("Igen/Nem [Igen]: ", pos)) != std::string::npos; ++pos) {
        ++prompts;
    }
    EXPECT_EQ(prompts, 3u);
}

TEST(ConsoleInteraction, EndOfInputAcknowledgesMessagesAndGivesQuestionsTheirSafeAnswer) {
    EXPECT_EQ(Answer("", MB_OK), IDOK);
    EXPECT_EQ(Answer("", MB_YESNO), IDNO);
    EXPECT_EQ(Answer("", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(Answer("", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(Answer("", MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(Answer("", MB_ABORTRETRYIGNORE), IDABORT);
    EXPECT_EQ(Answer("what\n", MB_YESNO | MB_DEFBUTTON1), IDNO);  // a bad answer, then the end
    EXPECT_EQ(Answer("", 0xE), 0);  // a box type that does not exist cannot be shown
}

TEST(ConsoleInteraction, PasswordIsOneLineAndEndOfInputCancels) {
    Console console("  secret with spaces \n");
    PasswordAnswer answer =
        console.Interaction().PasswordDialog("Jelsz\xc3\xb3", "Add meg a jelsz\xc3\xb3t:", 2);
    EXPECT_EQ(answer.modalResult, IDOK);
    EXPECT_EQ(answer.password, "  secret with spaces ");
    EXPECT_EQ(console.Interaction().PasswordDialog("c", "p", 0).modalResult, IDCANCEL);
}

TEST(ScriptedInteraction, AnswersFromQueuesAndRecordsEverything) {
    ScriptedInteraction scripted;
    scripted.boxAnswers = {IDNO};
    scripted.passwordAnswers = {{IDOK, "pw"}};
    EXPECT_EQ(scripted.MessageBox("q1", "c", MB_YESNO), IDNO);
    EXPECT_EQ(scripted.MessageBox("q2", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);  // empty queue: default
    EXPECT_EQ(scripted.MessageBox("q3", "c", MB_RETRYCANCEL), IDRETRY);
    ASSERT_EQ(scripted.boxes.size(), 3u);
    EXPECT_EQ(scripted.boxes[1].text, "q2");
    EXPECT_EQ(scripted.boxes[1].flags, static_cast<uint32_t>(MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(scripted.PasswordDialog("c", "p", 6).password, "pw");
    EXPECT_EQ(scripted.PasswordDialog("c", "p", 6).modalResult, IDCANCEL);
    ASSERT_EQ(scripted.passwordPrompts.size(), 2u);
    EXPECT_EQ(scripted.passwordPrompts[0].buttonSelector, 6);
    scripted.SetScreenCursor(Cursor::HourGlass);
    scripted.SetScreenCursor(Cursor::Default);
    EXPECT_EQ(scripted.cursorChanges, (std::vector<Cursor>{Cursor::HourGlass, Cursor::Default}));
}

TEST(ScriptedInteraction, HooksRunBeforeAnswersAndDuringEvents) {
    ScriptedInteraction scripted;
    scripted.boxAnswers = {IDCANCEL};
    int seen = 0;
    scripted.onBox = [&](const ScriptedInteraction::Box& box) {
        return box.text == "insert" ? IDOK : (++seen, 0);
    };
    EXPECT_EQ(scripted.MessageBox("insert", "", MB_OKCANCEL), IDOK);
    EXPECT_EQ(scripted.boxAnswers.size(), 1u);  // the hook's answer leaves the queue alone
    EXPECT_EQ(scripted.MessageBox("other", "", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(seen, 1);
    int events = 0;
    scripted.onPendingEvents = [&] { ++events; };
    scripted.ProcessPendingEvents();
    scripted.ProcessPendingEvents();
    EXPECT_EQ(events, 2);
    EXPECT_EQ(scripted.pendingEventCalls, 2);
}

TEST(Interaction, InstalledInteractionIsCurrentForItsScope) {
    Interaction* console = &CurrentInteraction();
    EXPECT_NE(dynamic_cast<ConsoleInteraction*>(console), nullptr);
    ScriptedInteraction scripted;
    {
        ScopedInteraction scope(scripted);
        EXPECT_EQ(&CurrentInteraction(), &scripted);
        CurrentInteraction().MessageBox("t", "c", MB_OK);
    }
    EXPECT_EQ(&CurrentInteraction(), console);
    EXPECT_EQ(scripted.boxes.size(), 1u);
}

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
