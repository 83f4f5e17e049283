#include "platform/Interaction.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
}  // namespace ruvu::platform
