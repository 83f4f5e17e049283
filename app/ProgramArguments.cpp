#include "app/ProgramArguments.h"

#include <array>

#include "app/CommandRunner.h"
#include "platform/CodePage.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

constexpr size_t kCommandLineArguments = 50;

bool IsCommandLetter(std::string_view argument) {
    static constexpr std::array<std::string_view, 7> kLetters = {"a", "e", "x", "t", "c", "d", "r"};
    for (std::string_view letter : kLetters) {
        if (argument == letter) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<std::string> ArchiveArgument(const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments.front().starts_with('@') || IsCommandLetter(arguments.front())) {
        return std::nullopt;
    }
    return arguments.front();
}

ArgumentRun ArgumentRunKind(const std::vector<std::string>& arguments) {
    if (arguments.size() == 1 && arguments.front().starts_with('@')) {
        return ArgumentRun::ListFile;
    }
    if (arguments.size() >= 2 && !arguments.front().starts_with('@')) {
        return ArgumentRun::Commands;
    }
    return ArgumentRun::None;
}

std::string ListFileName(std::string_view argument) {
    return argument.empty() ? std::string() : std::string(platform::Utf8Prefix(argument.substr(1), 80));
}

std::vector<std::string> ListFileLines(std::string_view text) {
    // Editors on Windows put a byte order mark before UTF-8 text; it would hide the first command.
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        const size_t next = text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
        text.remove_prefix(next);
    }
    return lines;
}

std::string ArgumentCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (size_t i = 0; i < kCommandLineArguments; ++i) {
        if (i < arguments.size()) {
            line += QuoteIfSpaced(arguments[i]);
        }
        line += ' ';
    }
    return line;
}

bool IsSplitPiece(std::string_view name) {
    return platform::SameText(platform::ExtractFileExt(name), ".SPL");
}

std::optional<std::string> FloppyCommand(std::string_view source, std::string_view dest,
                                         std::string_view caption) {
    for (std::string_view path : {source, dest}) {
        if (platform::Utf8Prefix(path, kTokenLimit).size() != path.size()) {
            return std::nullopt;
        }
    }
    return "c " + QuoteIfSpaced(source) + " " + QuoteIfSpaced(dest) + " " + std::string(caption);
}

int ProcessExitCode(int32_t exitStatus) {
    return exitStatus >= 0 && exitStatus <= 255 ? exitStatus : 255;
}

}  // namespace ruvu
