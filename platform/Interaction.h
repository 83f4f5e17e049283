// Talking to a person. The engine, the splitter and the self-extracting code never show anything
// themselves: they call the interaction installed by the program. Implementations: the Qt one (app/),
// ConsoleInteraction (standard error and input) and ScriptedInteraction (tests).
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvu::platform {

// Message box flags with the Windows values.
enum MessageBoxFlags : uint32_t {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_TYPEMASK = 0xF,
    MB_ICONSTOP = 0x10,  // also MB_ICONERROR / MB_ICONHAND
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,      // also MB_ICONEXCLAMATION
    MB_ICONINFORMATION = 0x40,  // also MB_ICONASTERISK
    MB_ICONMASK = 0xF0,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
    MB_DEFMASK = 0xF00,
};

// Button ids a message box returns; 0 when it could not be shown.
enum DialogResult : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
    IDNOTOALL = 9,  // the password dialog's "Cancel all"
};

// The buttons of a message box type (flags & MB_TYPEMASK) in their order; empty for an unknown type.
std::vector<int> MessageBoxButtons(uint32_t flags);
// The button MB_DEFBUTTONn picks (the first when n is beyond the buttons); 0 for an unknown type.
int DefaultButton(uint32_t flags);

// Cursor shapes.
enum class Cursor { Default, HourGlass };

// Password dialog buttons: OK always; the selector adds Cancel (bit 2), Cancel all (bit 4) and
// Abort (bit 8).
struct PasswordAnswer {
    int modalResult = IDCANCEL;  // IDOK, IDCANCEL, IDNOTOALL or IDABORT
    std::string password;        // the text typed; meaningful with IDOK
};

class Interaction {
  public:
    virtual ~Interaction() = default;

    // A modal message box; returns the button pressed (DialogResult) or 0.
    virtual int MessageBox(std::string_view text, std::string_view caption, uint32_t flags) = 0;
    // The modal password dialog with the given caption, prompt and button selector.
    virtual PasswordAnswer PasswordDialog(std::string_view caption, std::string_view prompt,
                                          int buttonSelector) = 0;
    // Lets the window system handle whatever is waiting (repaints, clicks).
    virtual void ProcessPendingEvents() = 0;
    virtual Cursor ScreenCursor() const = 0;
    virtual void SetScreenCursor(Cursor cursor) = 0;
};

// The interaction installed by the program; a ConsoleInteraction until one is installed.
Interaction& CurrentInteraction();
// Installs an interaction (not owned; nullptr goes back to the console one). Returns the previous one.
Interaction* InstallInteraction(Interaction* interaction);

// Installs an interaction for the lifetime of a scope.
class ScopedInteraction {
  public:
    explicit ScopedInteraction(Interaction& interaction) : previous_(InstallInteraction(&interaction)) {}
    ScopedInteraction(const ScopedInteraction&) = delete;
    ScopedInteraction& operator=(const ScopedInteraction&) = delete;
    ~ScopedInteraction() { InstallInteraction(previous_); }

  private:
    Interaction* previous_;
};

// Writes each box's text and buttons to standard error and reads the answer as a line from standard
// input: a button's name or its first letter, an empty line takes the default button. At the end of
// input a plain message is acknowledged and a question gets its safe answer (No, Cancel or Abort), so
// an unattended run never waits forever and never wipes or overwrites by default.
// Buttons are shown with their Hungarian names (OK, Mégse, Megszakítás, Ismét, Kihagyás, Igen, Nem);
// the English names are understood too, case ignored; an answer that names no button asks again.
// The password dialog reads one line as the password (not echoed on a terminal); at the end of input
// it answers Cancel.
class ConsoleInteraction : public Interaction {
  public:
    ConsoleInteraction();  // standard input and error
    ConsoleInteraction(std::FILE* in, std::FILE* out);

    int MessageBox(std::string_view text, std::string_view caption, uint32_t flags) override;
    PasswordAnswer PasswordDialog(std::string_view caption, std::string_view prompt,
                                  int buttonSelector) override;
    void ProcessPendingEvents() override {}
    Cursor ScreenCursor() const override { return cursor_; }
    void SetScreenCursor(Cursor cursor) override { cursor_ = cursor; }

  private:
    std::FILE* in_;
    std::FILE* out_;
    Cursor cursor_ = Cursor::Default;
};

// For tests: records every box and dialog and answers from queues. An empty queue answers a message
// box with its default button and a password dialog with Cancel. An answer from onBox leaves the queue
// as it is.
class ScriptedInteraction : public Interaction {
  public:
    struct Box {
        std::string text;
        std::string caption;
        uint32_t flags = 0;
    };
    struct PasswordPrompt {
        std::string caption;
        std::string prompt;
        int buttonSelector = 0;
    };

    int MessageBox(std::string_view text, std::string_view caption, uint32_t flags) override;
    PasswordAnswer PasswordDialog(std::string_view caption, std::string_view prompt,
                                  int buttonSelector) override;
    void ProcessPendingEvents() override;
    Cursor ScreenCursor() const override { return cursor_; }
    void SetScreenCursor(Cursor cursor) override;

    // Answers, in order.
    std::deque<int> boxAnswers;
    std::deque<PasswordAnswer> passwordAnswers;
    // Called before a box is answered (a test can insert a floppy here); its result, when not 0,
    // overrides the queued answer.
    std::function<int(const Box&)> onBox;
    // Called by ProcessPendingEvents (a test can start a second operation here).
    std::function<void()> onPendingEvents;

    // What happened.
    std::vector<Box> boxes;
    std::vector<PasswordPrompt> passwordPrompts;
    std::vector<Cursor> cursorChanges;
    int pendingEventCalls = 0;

  private:
    Cursor cursor_ = Cursor::Default;
};

}  // namespace ruvu::platform
