#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>

#include "platform/CodePage.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Interaction.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

namespace ruvu::platform {

namespace {

struct ButtonName {
    int id;
    std::string_view shown;  // Hungarian, as the program's own boxes name them
    std::string_view english;
};

constexpr ButtonName kButtonNames[] = {
    {IDOK, "OK", "OK"},          {IDCANCEL, "Mégse", "Cancel"},    {IDABORT, "Megszakítás", "Abort"},
    {IDRETRY, "Ismét", "Retry"}, {IDIGNORE, "Kihagyás", "Ignore"}, {IDYES, "Igen", "Yes"},
    {IDNO, "Nem", "No"},
};

std::string_view ShownName(int id) {
    for (const ButtonName& name : kButtonNames) {
        if (name.id == id) {
            return name.shown;
        }
    }
    return {};
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// One line without its line end; nullopt at the end of input.
std::optional<std::string> ReadLine(std::FILE* in) {
    char* raw = nullptr;
    size_t capacity = 0;
    ssize_t n = getline(&raw, &capacity, in);
    std::unique_ptr<char, decltype(&std::free)> buffer(raw, &std::free);
    if (n < 0) {
        return std::nullopt;
    }
    std::string line(raw, static_cast<size_t>(n));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

// The answer a question gets when nobody can give one: never the button that wipes or overwrites.
int SafeAnswer(uint32_t flags) {
    switch (flags & MB_TYPEMASK) {
        case MB_OK:
            return IDOK;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDNO;
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        default:
            return IDCANCEL;
    }
}

int ButtonOfAnswer(std::string_view answer, const std::vector<int>& buttons) {
    for (int id : buttons) {
        for (const ButtonName& name : kButtonNames) {
            if (name.id == id && (SameText(answer, name.shown) || SameText(answer, name.english) ||
                                  SameText(answer, Utf8Prefix(name.shown, 1)))) {
                return id;
            }
        }
    }
    return 0;
}

// Switches terminal echo off for a password and back on at the end of the scope.
class EchoOff {
  public:
    explicit EchoOff(std::FILE* in) : fd_(fileno(in)) {
        active_ = isatty(fd_) && tcgetattr(fd_, &saved_) == 0;
        if (active_) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(fd_, TCSAFLUSH, &quiet);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    ~EchoOff() {
        if (active_) {
            tcsetattr(fd_, TCSAFLUSH, &saved_);
        }
    }
    bool Active() const { return active_; }

  private:
    int fd_;
    bool active_ = false;
    termios saved_{};
};

bool IsOneOf(std::string_view answer, std::initializer_list<std::string_view> names) {
    for (std::string_view name : names) {
        if (SameText(answer, name)) {
            return true;
        }
    }
    return false;
}

void WriteLine(std::FILE* out, std::string_view text) {
    std::fprintf(out, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void WritePrompt(std::FILE* out, std::string_view text) {
    std::fprintf(out, "%.*s", static_cast<int>(text.size()), text.data());
    std::fflush(out);
}

// "Floppy Mentések (*.spl), Minden fájl (*.*)" for "Floppy Mentések|*.spl|Minden fájl|*.*".
std::string DescribeFilter(std::string_view filter) {
    std::string described;
    while (!filter.empty()) {
        size_t bar = filter.find('|');
        std::string_view description = filter.substr(0, bar);
        std::string_view pattern;
        if (bar != std::string_view::npos) {
            filter.remove_prefix(bar + 1);
            bar = filter.find('|');
            pattern = filter.substr(0, bar);
        }
        filter.remove_prefix(bar == std::string_view::npos ? filter.size() : bar + 1);
        described += described.empty() ? "" : ", ";
        described += description;
        if (!pattern.empty() && description.find(pattern) == std::string_view::npos) {
            described += " (" + std::string(pattern) + ")";
        }
    }
    return described;
}

bool HasFolderStart(std::string_view path) {
    return !path.empty() && (IsPathSeparator(path.front()) || (path.size() >= 2 && path[1] == ':'));
}

constexpr std::string_view kEraseBoxText = "Floppyn lévő minden eddigi adat törlése";

}  // namespace

ConsoleInteraction::ConsoleInteraction() : ConsoleInteraction(stdin, stderr) {}

ConsoleInteraction::ConsoleInteraction(std::FILE* in, std::FILE* out) : in_(in), out_(out) {}

int ConsoleInteraction::MessageBox(std::string_view text, std::string_view caption, uint32_t flags) {
    std::vector<int> buttons = MessageBoxButtons(flags);
    if (buttons.empty()) {
        return 0;
    }
    if (!caption.empty()) {
        std::fprintf(out_, "%.*s\n", static_cast<int>(caption.size()), caption.data());
    }
    std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::string choices;
    for (int id : buttons) {
        choices += choices.empty() ? "" : "/";
        choices += ShownName(id);
    }
    std::string_view fallback = ShownName(DefaultButton(flags));
    for (;;) {
        std::fprintf(out_, "%s [%.*s]: ", choices.c_str(), static_cast<int>(fallback.size()),
                     fallback.data());
        std::fflush(out_);
        std::optional<std::string> line = ReadLine(in_);
        if (!line) {
            int answer = SafeAnswer(flags);
            std::string_view name = ShownName(answer);
            std::fprintf(out_, "%.*s\n", static_cast<int>(name.size()), name.data());
            std::fflush(out_);
            return answer;
        }
        std::string_view answer = TrimBlanks(*line);
        if (answer.empty()) {
            return DefaultButton(flags);
        }
        if (int id = ButtonOfAnswer(answer, buttons); id != 0) {
            return id;
        }
    }
}

PasswordAnswer ConsoleInteraction::PasswordDialog(std::string_view caption, std::string_view prompt,
                                                  int buttonSelector) {
    if (!caption.empty()) {
        std::fprintf(out_, "%.*s\n", static_cast<int>(caption.size()), caption.data());
    }
    std::fprintf(out_, "%.*s ", static_cast<int>(prompt.size()), prompt.data());
    std::fflush(out_);
    std::optional<std::string> line;
    {
        EchoOff echoOff(in_);
        line = ReadLine(in_);
        if (echoOff.Active()) {
            std::fprintf(out_, "\n");
        }
    }
    if (!line) {
        std::fprintf(out_, "\n");
        std::fflush(out_);
        return PasswordAnswer{IDCANCEL, {}};
    }
    return PasswordAnswer{IDOK, *line};
}

}  // namespace ruvu::platform

namespace ruvu::platform {

NextFloppyAnswer ConsoleInteraction::NextFloppyDialog(const NextFloppyRequest& request) {
    NextFloppyAnswer answer{IDABORT, request.eraseBoxChecked};
    if (!request.caption.empty()) {
        WriteLine(out_, request.caption);
    }
    WriteLine(out_, request.request);
    if (!request.total.empty()) {
        WriteLine(out_, request.total);
    }
    for (;;) {
        if (request.eraseBoxShown) {
            std::fprintf(out_, "[%c] %.*s\n", answer.eraseBoxChecked ? 'x' : ' ',
                         static_cast<int>(kEraseBoxText.size()), kEraseBoxText.data());
            WritePrompt(out_, "Rendben/Megszakitás, x: törlés ki/be [Rendben]: ");
        } else {
            WritePrompt(out_, "Rendben/Megszakitás [Rendben]: ");
        }
        std::optional<std::string> line = ReadLine(in_);
        if (!line) {
            WriteLine(out_, "Megszakitás");
            answer.modalResult = IDABORT;
            return answer;
        }
        std::string_view text = TrimBlanks(*line);
        if (text.empty() || IsOneOf(text, {"r", "rendben", "ok", "o"})) {
            answer.modalResult = IDOK;
            return answer;
        }
        if (IsOneOf(text, {"m", "megszakitás", "megszakítás", "abort", "a"})) {
            answer.modalResult = IDABORT;
            return answer;
        }
        if (request.eraseBoxShown && IsOneOf(text, {"x"})) {
            answer.eraseBoxChecked = !answer.eraseBoxChecked;
        }
    }
}

bool ConsoleInteraction::OverwriteQuestion(std::string_view caption, std::string_view firstText,
                                           std::string_view secondText) {
    if (!caption.empty()) {
        WriteLine(out_, caption);
    }
    WriteLine(out_, firstText);
    WriteLine(out_, ">>>>");
    WriteLine(out_, secondText);
    WriteLine(out_, "Felülirható?");
    for (;;) {
        WritePrompt(out_, "Rendben, Felülirható/Mégsem, nem irható felül [Mégsem]: ");
        std::optional<std::string> line = ReadLine(in_);
        if (!line) {
            WriteLine(out_, "Mégsem");
            return false;
        }
        std::string_view text = TrimBlanks(*line);
        if (IsOneOf(text, {"r", "rendben", "i", "igen", "y", "yes"})) {
            return true;
        }
        if (text.empty() || IsOneOf(text, {"m", "mégsem", "n", "nem", "no"})) {
            return false;
        }
    }
}

std::optional<std::string> ConsoleInteraction::OpenFileDialog(const FileDialogRequest& request) {
    return FileDialog(request, true);
}

std::optional<std::string> ConsoleInteraction::SaveFileDialog(const FileDialogRequest& request) {
    return FileDialog(request, false);
}

std::optional<std::string> ConsoleInteraction::FileDialog(const FileDialogRequest& request, bool open) {
    if (!request.title.empty()) {
        WriteLine(out_, request.title);
    }
    if (!request.filter.empty()) {
        WriteLine(out_, DescribeFilter(request.filter));
    }
    if (!request.initialDir.empty()) {
        WriteLine(out_, "Mappa: " + request.initialDir);
    }
    for (;;) {
        WritePrompt(out_, "Fájlnév [" + request.fileName + "]: ");
        std::optional<std::string> line = ReadLine(in_);
        if (!line) {
            WriteLine(out_, "-");
            return std::nullopt;
        }
        std::string name(TrimBlanks(*line));
        if (name == "-") {
            return std::nullopt;
        }
        if (name.empty()) {
            name = request.fileName;
        }
        if (name.empty()) {
            continue;
        }
        if (!HasFolderStart(name) && !request.initialDir.empty()) {
            name = JoinPath(request.initialDir, name);
        }
        std::string path = ExpandFileName(name);
        if (path.empty()) {
            continue;
        }
        if (open && !request.defaultExt.empty() && ExtractFileExt(path).empty() && !FileExists(path)) {
            path += "." + request.defaultExt;
        }
        return path;
    }
}

}  // namespace ruvu::platform
