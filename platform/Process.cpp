#include "platform/Process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/Drives.h"
#include "platform/HostPaths.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

extern char** environ;

namespace ruvu::platform {

namespace {

constexpr uint32_t kStarted = 33;
constexpr uint32_t kNotFound = 2;
constexpr uint32_t kNotStarted = 0;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The Windows command-line rules: the program name ends at a blank or its closing quote; in the
// arguments, quotes group blanks, 2n backslashes before a quote give n and the quote counts,
// 2n+1 give n and a literal quote, "" inside quotes is a literal quote.
std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) {
        ++i;
    }
    if (i == line.size()) {
        return args;
    }
    std::string program;
    if (line[i] == '"') {
        size_t close = line.find('"', i + 1);
        program =
            line.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
        i = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !IsBlank(line[i])) {
            program += line[i++];
        }
    }
    args.push_back(program);
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            if (line[i] == '\\') {
                size_t count = 0;
                while (i < line.size() && line[i] == '\\') {
                    ++count;
                    ++i;
                }
                if (i < line.size() && line[i] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(count, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

// Starts the program from an intermediate child that ends at once, so the program is never our
// child and leaves no zombie. The intermediate child's status tells whether the start worked.
bool SpawnDetached(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (size_t i = 1; i < args.size(); ++i) {
        argv.push_back(const_cast<char*>(args[i].c_str()));
    }
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t child = fork();
    if (child == 0) {
        pid_t grandchild = 0;
        int result = posix_spawn(&grandchild, program.c_str(), nullptr, &attributes, argv.data(), environ);
        _exit(result == 0 ? 0 : 1);
    }
    posix_spawnattr_destroy(&attributes);
    if (child < 0) {
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::optional<std::string> detail::SearchHostPath(std::string_view fileName) {
    if (fileName.empty() || fileName.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    if (fileName.find_first_of("\\/") != std::string_view::npos || !ExtractFileDrive(fileName).empty()) {
        std::optional<std::string> host = ResolveHostPath(fileName);
        return host && IsHostFile(*host) ? host : std::nullopt;
    }
    if (std::optional<std::string> host = FindFileInHostFolder(ProgramHostFolder(), fileName)) {
        return host;
    }
    std::optional<std::string> host = ResolveHostPath(JoinPath(GetCurrentDirectory(), fileName));
    if (host && IsHostFile(*host)) {
        return host;
    }
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "";
    while (!folders.empty()) {
        size_t end = folders.find(':');
        std::string folder(folders.substr(0, end));
        folders.remove_prefix(end == std::string_view::npos ? folders.size() : end + 1);
        if (!folder.empty() && folder.front() == '/') {
            if (std::optional<std::string> found =
                    FindFileInHostFolder(NormalizeHostPath(folder), fileName)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

uint32_t GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
    return static_cast<uint32_t>(ms);
}

uint32_t WinExec(std::string_view commandLine) {
    if (commandLine.find('\0') != std::string_view::npos) {
        return kNotFound;
    }
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || args[0].empty()) {
        return kNotFound;
    }
    std::optional<std::string> program = detail::SearchHostPath(args[0]);
    if (!program && SameText(ExtractFileExt(args[0]), ".EXE")) {
        program = detail::SearchHostPath(ChangeFileExt(args[0], ""));
    }
    if (!program) {
        return kNotFound;
    }
    if (access(program->c_str(), X_OK) != 0) {
        return kNotStarted;
    }
    return SpawnDetached(*program, args) ? kStarted : kNotStarted;
}

std::string SearchPath(std::string_view fileName) {
    std::optional<std::string> host = detail::SearchHostPath(fileName);
    return host ? detail::HostToWindowsPathOrRaw(*host) : std::string();
}

}  // namespace ruvu::platform
