// Talking to a person. The engine, the splitter and the self-extracting code never show anything
// themselves: they call the interaction installed by the program. Implementations: the Qt one (app/),
// ConsoleInteraction (standard error and input) and ScriptedInteraction (tests).
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
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

// The next-floppy dialog: a request line, a line with the total, and a check box that asks for the
// disk to be wiped first.
struct NextFloppyRequest {
    std::string caption;  // the dialog's caption
    std::string request;  // "Kérem a 2.Lemezt"
    std::string total;    // "(összesen 3)" or empty
    bool eraseBoxShown = false;
    bool eraseBoxChecked = false;  // the box's initial state
};
struct NextFloppyAnswer {
    int modalResult = IDABORT;     // IDOK ("Rendben") or IDABORT ("Megszakitás")
    bool eraseBoxChecked = false;  // the box's state when the dialog closed
};

// An open or save file dialog.
struct FileDialogRequest {
    std::string title;
    std::string filter;      // "Description|pattern|Description|pattern..." pairs
    std::string initialDir;  // Windows path; empty: the current folder
    std::string fileName;    // the proposed name; may be empty
    std::string defaultExt;  // without its dot; added to a chosen name without extension (open only)
};

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

    // The modal next-floppy dialog. By default a message box with the request and the total (OK/Cancel)
    // that leaves the erase box as it came.
    virtual NextFloppyAnswer NextFloppyDialog(const NextFloppyRequest& request);
    // The overwrite question: the texts of two files side by side, "may the second be replaced by the
    // first?"; true for yes. By default a Yes/No message box whose default button is No.
    virtual bool OverwriteQuestion(std::string_view caption, std::string_view firstText,
                                   std::string_view secondText);
    // File dialogs: the chosen Windows path, or nullopt when cancelled. By default cancelled.
    virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request);
    virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request);
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
// The next-floppy dialog shows its lines and the erase box ("[x]" ticked, "[ ]" not); change the disk,
// then answer "Rendben" (Enter, "r", "ok") or "Megszakitás" ("m", "abort"); "x" ticks or unticks the
// erase box and asks again. At the end of input it answers Abort.
// The overwrite question shows both texts and answers "Rendben, Felülirható" ("r", "i", "igen", "yes")
// or "Mégsem, nem irható felül" ("m", "n", "nem", "no"); an empty line and the end of input answer No.
// A file dialog reads a path: an empty line takes the proposed name, "-" or the end of input cancels.
// A relative name is taken in the dialog's initial folder (else the current folder); the open dialog
// adds its default extension to a name without one that does not exist as typed.
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
    NextFloppyAnswer NextFloppyDialog(const NextFloppyRequest& request) override;
    bool OverwriteQuestion(std::string_view caption, std::string_view firstText,
                           std::string_view secondText) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;

  private:
    std::optional<std::string> FileDialog(const FileDialogRequest& request, bool open);

    std::FILE* in_;
    std::FILE* out_;
    Cursor cursor_ = Cursor::Default;
};

// For tests: records every box and dialog and answers from queues. An empty queue answers a message
// box with its default button, a password dialog with Cancel, a next-floppy dialog with OK and the
// erase box as it came, the overwrite question with No and a file dialog with Cancel. An answer from
// onBox or onNextFloppy leaves the queue as it is.
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
    struct OverwritePrompt {
        std::string caption;
        std::string firstText;
        std::string secondText;
    };
    struct FileDialogShown {
        bool save = false;
        FileDialogRequest request;
    };

    int MessageBox(std::string_view text, std::string_view caption, uint32_t flags) override;
    PasswordAnswer PasswordDialog(std::string_view caption, std::string_view prompt,
                                  int buttonSelector) override;
    void ProcessPendingEvents() override;
    Cursor ScreenCursor() const override { return cursor_; }
    void SetScreenCursor(Cursor cursor) override;
    NextFloppyAnswer NextFloppyDialog(const NextFloppyRequest& request) override;
    bool OverwriteQuestion(std::string_view caption, std::string_view firstText,
                           std::string_view secondText) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;

    // Answers, in order.
    std::deque<int> boxAnswers;
    std::deque<PasswordAnswer> passwordAnswers;
    std::deque<NextFloppyAnswer> nextFloppyAnswers;
    std::deque<bool> overwriteAnswers;
    std::deque<std::optional<std::string>> fileDialogAnswers;  // open and save dialogs alike
    // Called before a box is answered (a test can insert a floppy here); its result, when not 0,
    // overrides the queued answer.
    std::function<int(const Box&)> onBox;
    // Called before a next-floppy dialog is answered, where a person would change the disk (a test
    // inserts the next disk here); an answer it returns overrides the queued one.
    std::function<std::optional<NextFloppyAnswer>(const NextFloppyRequest&)> onNextFloppy;
    // Called by ProcessPendingEvents (a test can start a second operation here).
    std::function<void()> onPendingEvents;

    // What happened.
    std::vector<Box> boxes;
    std::vector<PasswordPrompt> passwordPrompts;
    std::vector<NextFloppyRequest> nextFloppyRequests;
    std::vector<OverwritePrompt> overwritePrompts;
    std::vector<FileDialogShown> fileDialogs;
    std::vector<Cursor> cursorChanges;
    int pendingEventCalls = 0;

  private:
    Cursor cursor_ = Cursor::Default;
};

}  // namespace ruvu::platform
