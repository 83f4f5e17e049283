#include "app/CommandRunner.h"

#include <stdexcept>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Interaction.h"
#include "platform/Process.h"
#include "platform/TextCase.h"
#include "splitter/BigCopyUnit.h"

namespace ruvu {

namespace {

constexpr uint32_t kProgramStarted = 32;  // WinExec returns more than 31 on success
constexpr std::string_view kTitle = "RuvuvADU";

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// Passes every question on to the interaction that was installed before and notes whether the
// person declined one of the floppy copy workflow's: a cancelled file dialog or disk prompt, or No
// to the overwrite question. The workflow itself ends such a copy quietly.
class DeclineWatch : public platform::Interaction {
  public:
    DeclineWatch() : inner_(platform::CurrentInteraction()), installed_(*this) {}

    bool Declined() const { return declined_; }

    int MessageBox(std::string_view text, std::string_view caption, uint32_t flags) override {
        return inner_.MessageBox(text, caption, flags);
    }
    platform::PasswordAnswer PasswordDialog(std::string_view caption, std::string_view prompt,
                                            int buttonSelector) override {
        return inner_.PasswordDialog(caption, prompt, buttonSelector);
    }
    void ProcessPendingEvents() override { inner_.ProcessPendingEvents(); }
    platform::Cursor ScreenCursor() const override { return inner_.ScreenCursor(); }
    void SetScreenCursor(platform::Cursor cursor) override { inner_.SetScreenCursor(cursor); }
    platform::NextFloppyAnswer NextFloppyDialog(const platform::NextFloppyRequest& request) override {
        platform::NextFloppyAnswer answer = inner_.NextFloppyDialog(request);
        declined_ = declined_ || answer.modalResult != platform::IDOK;
        return answer;
    }
    bool OverwriteQuestion(std::string_view caption, std::string_view firstText,
                           std::string_view secondText) override {
        const bool yes = inner_.OverwriteQuestion(caption, firstText, secondText);
        declined_ = declined_ || !yes;
        return yes;
    }
    std::optional<std::string> OpenFileDialog(const platform::FileDialogRequest& request) override {
        return Noted(inner_.OpenFileDialog(request));
    }
    std::optional<std::string> SaveFileDialog(const platform::FileDialogRequest& request) override {
        return Noted(inner_.SaveFileDialog(request));
    }

  private:
    std::optional<std::string> Noted(std::optional<std::string> chosen) {
        declined_ = declined_ || !chosen;
        return chosen;
    }

    platform::Interaction& inner_;
    platform::ScopedInteraction installed_;
    bool declined_ = false;
};

void ClearMessages(CommandTarget& target) {
    if (target.clearMessages) {
        target.clearMessages();
    }
}

void Failed(CommandTarget& target, int32_t status) {
    target.AbortRun = true;
    target.ExitStatus = status;
}

// The archive token of A, E, X and T: ".zip" is added to a name without ".".
std::string ArchiveToken(std::string& line) {
    std::string archive;
    NextToken(line, archive);
    if (archive.find('.') == std::string::npos) {
        archive += ".zip";
    }
    return archive;
}

// After an archive operation: its result decides the run, and the archive is closed.
void Finish(CommandTarget& target) {
    const int32_t code = target.component.ErrCode();
    target.AbortRun = code != 0;
    target.ExitStatus = code;
    target.component.SetZipFileName("");
}

void RunChangeDirectory(std::string& line) {
    std::string folder;
    NextToken(line, folder);
    if (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    ChangeDirectory(folder);
}

void RunAdd(std::string& line, CommandTarget& target) {
    TDozErozev& component = target.component;
    component.SetZipFileName(ArchiveToken(line));
    AddOpts options{AddDirNames};
    component.SetExtrOptions({});
    ClearMessages(target);
    std::vector<std::string> specs;
    std::string token;
    while (!line.empty()) {
        NextToken(line, token);
        if (token == "-R") {
            options.Include(AddRecurseDirs);
        } else if (!token.empty() && !token.starts_with("-C")) {
            specs.push_back(token);
            if (target.addMessage) {
                target.addMessage(token);
            }
        }
    }
    component.SetAddOptions(options);
    component.FSpecArgs() = specs;
    ClearMessages(target);
    component.Add();
    Finish(target);
}

// E, X and T; test is true for T, folders for X.
void RunExtract(std::string& line, CommandTarget& target, bool test, bool folders) {
    TDozErozev& component = target.component;
    const std::string archive = ArchiveToken(line);
    if (!platform::FileExists(archive)) {
        Failed(target, 2);
        return;
    }
    component.SetZipFileName(archive);
    component.SetAddOptions({AddDirNames});
    ExtrOpts options;
    if (test) {
        options.Include(ExtrTest);
    } else {
        options.Include(ExtrOverWrite);
        if (folders) {
            options.Include(ExtrDirNames);
        }
    }
    component.SetExtrOptions(options);
    ClearMessages(target);
    std::vector<std::string> specs;
    std::string token;
    while (!line.empty()) {
        NextToken(line, token);
        if (!test && token.starts_with("-B")) {
            component.SetExtrBaseDir(TrimSpaces(std::string_view(token).substr(2)));
        } else if (!token.empty() && (test || !token.starts_with("-C"))) {
            specs.push_back(token);
            if (target.addMessage) {
                target.addMessage(token);
            }
        }
    }
    component.FSpecArgs() = specs;
    component.Extract();
    ClearMessages(target);
    Finish(target);
}

void RunCopy(std::string& line, CommandTarget& target) {
    std::string source;
    std::string dest;
    std::string caption;
    NextToken(line, source);
    NextToken(line, dest);
    NextToken(line, caption);
    if (source != "?" && !platform::FileExists(source)) {
        source.clear();
    }
    std::unique_ptr<BigCopyWindow> window =
        target.copyWindow ? target.copyWindow() : std::make_unique<TextBigCopyWindow>();
    DeclineWatch watch;
    bool failed = false;
    BigCopy(source, dest, caption, failed, *window);
    if (failed || watch.Declined()) {
        Failed(target, 1);
    }
}

void RunProgram(std::string& line, CommandTarget& target) {
    std::string program;
    NextToken(line, program);
    const std::string text(platform::Utf8Prefix(QuoteIfSpaced(program) + " " + line, kProgramLineLimit));
    if (platform::WinExec(text) < kProgramStarted) {
        platform::CurrentInteraction().MessageBox("A program nem indítható: " + text, kTitle,
                                                  platform::MB_OK | platform::MB_ICONSTOP);
        Failed(target, 1);
    }
}

void RunDelete(std::string& line) {
    std::string file;
    NextToken(line, file);
    platform::DeleteFile(file);
}

}  // namespace

void NextToken(std::string& line, std::string& token) {
    if (line.empty()) {
        token.clear();
        return;
    }
    std::string_view rest = TrimSpaces(line);
    std::string text;
    std::string_view prefix;
    bool quoted = true;
    if (rest.starts_with('"')) {
        rest.remove_prefix(1);
    } else if (rest.starts_with("@\"")) {
        prefix = "@";
        rest.remove_prefix(2);
    } else if (rest.starts_with("-B\"")) {
        prefix = "-B";
        rest.remove_prefix(3);
    } else {
        quoted = false;
    }
    if (quoted) {
        const size_t close = rest.find('"');
        text = std::string(prefix) + std::string(rest.substr(0, close));
        rest = close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
    } else {
        const size_t space = rest.find(' ');
        text = std::string(rest.substr(0, space));
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space);
    }
    token = std::string(platform::Utf8Prefix(text, kTokenLimit));
    line = std::string(platform::Utf8Prefix(rest, kRestLimit));
}

std::string CommandText(std::string_view line) {
    return platform::UpperCase(TrimSpaces(line));
}

void RunCommand(std::string_view command, CommandTarget& target) {
    std::string line = CommandText(command);
    std::string word;
    const auto starts = [&line](std::string_view prefix) { return line.starts_with(prefix); };
    if (!starts("CD ") && !starts("A ") && !starts("E ") && !starts("X ") && !starts("T ") && !starts("C ") &&
        !starts("R ") && !starts("D ")) {
        // A mistyped line must not let the lines after it act as if it had done its work.
        if (!line.empty()) {
            platform::CurrentInteraction().MessageBox("Ismeretlen parancs: " + line, kTitle,
                                                      platform::MB_OK | platform::MB_ICONSTOP);
            Failed(target, 1);
        }
        return;
    }
    NextToken(line, word);
    if (word == "CD") {
        RunChangeDirectory(line);
    } else if (word == "A") {
        RunAdd(line, target);
    } else if (word == "E" || word == "X" || word == "T") {
        RunExtract(line, target, word == "T", word == "X");
    } else if (word == "C") {
        RunCopy(line, target);
    } else if (word == "R") {
        RunProgram(line, target);
    } else {
        RunDelete(line);
    }
}

void ChangeDirectory(std::string_view path) {
    platform::HostError error = platform::HostError::None;
    if (!platform::SetCurrentDirectory(path, &error)) {
        throw std::runtime_error("I/O error " + std::to_string(static_cast<uint32_t>(error)) + ": " +
                                 platform::HostErrorText(error) + " (" + std::string(path) + ")");
    }
}

std::string QuoteIfSpaced(std::string_view text) {
    if (text.find(' ') == std::string_view::npos) {
        return std::string(text);
    }
    return "\"" + std::string(text) + "\"";
}

}  // namespace ruvu
