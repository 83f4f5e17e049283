#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/CodePage.h"
#include "platform/Interaction.h"

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

// Lower case for ASCII and the accented capitals of Latin-1 and Hungarian (Ő, Ű) in UTF-8.
std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (size_t i = 0; i < folded.size(); ++i) {
        auto c = static_cast<unsigned char>(folded[i]);
        auto next = i + 1 < folded.size() ? static_cast<unsigned char>(folded[i + 1]) : 0;
        if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
            folded[++i] = static_cast<char>(next + 0x20);
        } else if (c == 0xC5 && (next == 0x90 || next == 0xB0)) {
            folded[++i] = static_cast<char>(next + 1);
        }
    }
    return folded;
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
    std::string folded = FoldCase(answer);
    for (int id : buttons) {
        for (const ButtonName& name : kButtonNames) {
            if (name.id == id && (folded == FoldCase(name.shown) || folded == FoldCase(name.english) ||
                                  folded == FoldCase(Utf8Prefix(name.shown, 1)))) {
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
