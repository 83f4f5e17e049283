// The stub as a Linux program: it reads its own file, talks on the terminal (questions and messages
// on standard error, answers from standard input, the safe answer at the end of input, as the
// program's console does) and writes through folder descriptors that never follow a link.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "stub/StubHost.h"

namespace ruvu::stub {

namespace {

std::string ErrnoText(int error) {
    return std::strerror(error);
}

// A file descriptor closed at the end of its scope.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(-1); }
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd) {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

class FileSource : public zip::ByteSource {
  public:
    explicit FileSource(Fd fd) : fd_(std::move(fd)) {}
    int64_t Size() override {
        struct stat st {};
        return fstat(fd_.Get(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    }
    int64_t ReadAt(uint64_t pos, void* buffer, size_t count) override {
        size_t done = 0;
        while (done < count) {
            const ssize_t n = pread(fd_.Get(), static_cast<char*>(buffer) + done, count - done,
                                    static_cast<off_t>(pos + done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return -1;
            }
            if (n == 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        return static_cast<int64_t>(done);
    }

  private:
    Fd fd_;
};

// Text from a code page named by an environment variable (or the default) to UTF-8; empty when the
// conversion fails.
std::optional<std::string> Convert(std::string_view bytes, const char* from) {
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string in(bytes);
    std::string out(bytes.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

const char* CodePage(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0' ? value : fallback;
}

std::optional<std::string> ReadLine() {
    char* raw = nullptr;
    size_t capacity = 0;
    const ssize_t n = getline(&raw, &capacity, stdin);
    std::string line = n >= 0 ? std::string(raw, static_cast<size_t>(n)) : std::string();
    std::free(raw);
    if (n < 0) {
        return std::nullopt;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

void Say(std::string_view text) {
    std::fprintf(stderr, "%.*s", static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// Terminal echo off for a password, back on at the end of the scope.
class EchoOff {
  public:
    EchoOff() {
        active_ = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (active_) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    ~EchoOff() {
        if (active_) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
            Say("\n");
        }
    }

  private:
    bool active_ = false;
    termios saved_{};
};

class LinuxOutput : public OutputFile {
  public:
    LinuxOutput(Fd folder, Fd file, std::string tempName, std::string name)
        : folder_(std::move(folder)),
          file_(std::move(file)),
          tempName_(std::move(tempName)),
          name_(std::move(name)) {}
    ~LinuxOutput() override {
        if (!committed_) {
            file_.Reset(-1);
            unlinkat(folder_.Get(), tempName_.c_str(), 0);
        }
    }
    bool Write(const void* data, size_t size) override {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t n = write(file_.Get(), bytes, size);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            bytes += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool Commit(std::time_t modified, uint32_t unixMode) override {
        const mode_t mask = umask(0);
        umask(mask);
        const mode_t mode = unixMode != 0 ? static_cast<mode_t>(unixMode & 0777) : (0666 & ~mask);
        const timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
        if (fchmod(file_.Get(), mode) != 0 || futimens(file_.Get(), times) != 0 ||
            close(file_.Release()) != 0) {
            return false;
        }
        if (renameat(folder_.Get(), tempName_.c_str(), folder_.Get(), name_.c_str()) != 0) {
            return false;
        }
        committed_ = true;
        return true;
    }

  private:
    Fd folder_;
    Fd file_;
    std::string tempName_;
    std::string name_;
    bool committed_ = false;
};

class LinuxFolder : public TargetFolder {
  public:
    explicit LinuxFolder(Fd root) : root_(std::move(root)) {}

    bool Exists(const std::vector<std::string>& path) override {
        Fd parent = Open(path, path.size() - 1, false);
        struct stat st {};
        return parent.Valid() && fstatat(parent.Get(), path.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    }
    bool MakeFolders(const std::vector<std::string>& path, bool folderEntry) override {
        return Open(path, folderEntry ? path.size() : path.size() - 1, true).Valid();
    }
    std::unique_ptr<OutputFile> Create(const std::vector<std::string>& path) override {
        Fd parent = Open(path, path.size() - 1, false);
        if (!parent.Valid()) {
            return nullptr;
        }
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string temp = ".sfx" + std::to_string(random() % 1000000000u) + ".tmp";
            Fd file(openat(parent.Get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           0600));
            if (file.Valid()) {
                return std::make_unique<LinuxOutput>(std::move(parent), std::move(file), temp, path.back());
            }
            if (errno != EEXIST) {
                error_ = ErrnoText(errno);
                return nullptr;
            }
        }
        error_ = "no temporary name is free";
        return nullptr;
    }
    std::string Error() const override { return error_; }

  private:
    // The folder of the first count components, each opened without following a link; created when
    // missing with create.
    Fd Open(const std::vector<std::string>& path, size_t count, bool create) {
        Fd current(fcntl(root_.Get(), F_DUPFD_CLOEXEC, 0));
        for (size_t i = 0; i < count && current.Valid(); ++i) {
            const char* name = path[i].c_str();
            int fd = openat(current.Get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT && create) {
                if (mkdirat(current.Get(), name, 0777) != 0 && errno != EEXIST) {
                    error_ = ErrnoText(errno);
                    return Fd();
                }
                fd = openat(current.Get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (fd < 0) {
                error_ = errno == ELOOP || errno == ENOTDIR ? path[i] + " is not a folder" : ErrnoText(errno);
            }
            current.Reset(fd);
        }
        return current;
    }

    Fd root_;
    std::string error_;
};

class TerminalHost : public Host {
  public:
    std::unique_ptr<zip::ByteSource> OpenSelf() override {
        Fd fd(open("/proc/self/exe", O_RDONLY | O_CLOEXEC));
        return fd.Valid() ? std::make_unique<FileSource>(std::move(fd)) : nullptr;
    }

    std::unique_ptr<zip::ByteSource> OpenBeside(std::string_view name) override {
        char self[PATH_MAX];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) {
            return nullptr;
        }
        std::string folder(self, static_cast<size_t>(n));
        folder.erase(folder.find_last_of('/') + 1);
        // The name block holds the name in upper case; the file keeps the case it was given.
        std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
        if (!dir) {
            return nullptr;
        }
        const std::string wanted = Lower(std::string(name));
        while (dirent* item = readdir(dir.get())) {
            if (Lower(item->d_name) == wanted) {
                Fd fd(openat(dirfd(dir.get()), item->d_name, O_RDONLY | O_CLOEXEC));
                return fd.Valid() ? std::make_unique<FileSource>(std::move(fd)) : nullptr;
            }
        }
        return nullptr;
    }

    std::string Decode(std::string_view bytes, TextKind kind) override {
        if (kind == TextKind::Oem) {
            if (auto text = Convert(bytes, CodePage("RUVUVADU_OEMCP", "CP852"))) {
                return *text;
            }
        } else if (Convert(bytes, "UTF-8")) {
            return std::string(bytes);
        }
        if (auto text = Convert(bytes, CodePage("RUVUVADU_ANSICP", "ISO-8859-2"))) {
            return *text;
        }
        return std::string(bytes);
    }

    void Tell(std::string_view caption, std::string_view text) override { Say(std::string(text) + "\n"); }

    bool Ask(std::string_view caption, std::string_view text, bool yesNo) override {
        for (;;) {
            Say(std::string(text) + (yesNo ? " [Yes/no] " : " [OK/cancel] "));
            const std::optional<std::string> line = ReadLine();
            if (!line) {
                Say("\n");
                return false;
            }
            const std::string answer = Lower(*line);
            if (answer.empty() || answer == "y" || answer == "yes" || answer == "o" || answer == "ok") {
                return true;
            }
            if (answer == "n" || answer == "no" || answer == "c" || answer == "cancel") {
                return false;
            }
        }
    }

    std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                       std::string_view proposal, bool secret,
                                       bool takeProposalUnanswered) override {
        Say(std::string(prompt) + (proposal.empty() ? " " : " [" + std::string(proposal) + "] "));
        std::optional<std::string> line;
        if (secret) {
            EchoOff quiet;
            line = ReadLine();
        } else {
            line = ReadLine();
        }
        if (!line) {
            Say("\n");
            return takeProposalUnanswered ? std::optional<std::string>(proposal) : std::nullopt;
        }
        return line->empty() ? std::string(proposal) : *line;
    }

    std::optional<std::vector<bool>> ChooseFiles(std::string_view caption,
                                                 const std::vector<std::string>& names) override {
        for (size_t i = 0; i < names.size(); ++i) {
            Say("  " + std::to_string(i + 1) + "  " + names[i] + "\n");
        }
        for (;;) {
            Say("Files to extract (numbers and ranges such as 1,3-5; empty: all; - : none): ");
            const std::optional<std::string> line = ReadLine();
            if (!line || line->empty()) {
                if (!line) {
                    Say("\n");
                }
                return std::vector<bool>(names.size(), true);
            }
            if (*line == "-") {
                return std::nullopt;
            }
            if (auto chosen = ParseChoice(*line, names.size())) {
                return chosen;
            }
        }
    }

    std::optional<uint8_t> ChooseOverwriteMode(std::string_view caption, uint8_t proposal) override {
        static constexpr const char* kModes[] = {"overwrite", "skip", "ask"};
        for (;;) {
            Say(std::string("Existing files: [o]verwrite, [s]kip or [a]sk for each? [") + kModes[proposal] +
                "] ");
            const std::optional<std::string> line = ReadLine();
            if (!line) {
                Say("\n");
                return proposal;
            }
            const std::string answer = Lower(*line);
            if (answer.empty()) {
                return proposal;
            }
            for (uint8_t mode = 0; mode < 3; ++mode) {
                if (answer == kModes[mode] || answer == std::string(1, kModes[mode][0])) {
                    return mode;
                }
            }
        }
    }

    OverwriteAnswer AskOverwrite(std::string_view caption, std::string_view name) override {
        for (;;) {
            Say(std::string(name) + " exists. Overwrite? [y]es, [n]o, [a]ll, n[o]ne [no] ");
            const std::optional<std::string> line = ReadLine();
            if (!line) {
                Say("\n");
                return OverwriteAnswer::No;
            }
            const std::string answer = Lower(*line);
            if (answer == "y" || answer == "yes") {
                return OverwriteAnswer::Yes;
            }
            if (answer.empty() || answer == "n" || answer == "no") {
                return OverwriteAnswer::No;
            }
            if (answer == "a" || answer == "all") {
                return OverwriteAnswer::All;
            }
            if (answer == "o" || answer == "none") {
                return OverwriteAnswer::None;
            }
        }
    }

    void Progress(std::string_view name) override { Say("  " + std::string(name) + "\n"); }

    std::unique_ptr<TargetFolder> OpenFolder(std::string_view path, std::string& error) override {
        std::string folder = ExpandHome(path);
        // Each missing folder of the path is made in turn.
        for (size_t at = folder.find('/', 1); at != std::string::npos; at = folder.find('/', at + 1)) {
            mkdir(folder.substr(0, at).c_str(), 0777);
        }
        if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            error = ErrnoText(errno);
            return nullptr;
        }
        Fd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd.Valid()) {
            error = ErrnoText(errno);
            return nullptr;
        }
        return std::make_unique<LinuxFolder>(std::move(fd));
    }

    std::string FullFolderName(std::string_view path) override {
        char full[PATH_MAX];
        std::string name = realpath(ExpandHome(path).c_str(), full) != nullptr ? full : ExpandHome(path);
        return name.ends_with('/') ? name : name + "/";
    }

    bool Run(std::string_view commandLine, std::string_view folder) override {
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child < 0) {
            return false;
        }
        if (child == 0) {
            const std::string dir(folder);
            const std::string command(commandLine);
            if (chdir(dir.c_str()) == 0) {
                execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            }
            _exit(127);
        }
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
    }

  private:
    static std::string ExpandHome(std::string_view path) {
        const char* home = std::getenv("HOME");
        if (home != nullptr && (path == "~" || path.starts_with("~/"))) {
            return std::string(home) + std::string(path.substr(1));
        }
        return std::string(path);
    }

    static std::optional<std::vector<bool>> ParseChoice(std::string_view text, size_t count) {
        std::vector<bool> chosen(count, false);
        while (!text.empty()) {
            const size_t comma = text.find(',');
            std::string item(text.substr(0, comma));
            text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
            item.erase(0, item.find_first_not_of(' '));
            item.erase(item.find_last_not_of(' ') + 1);
            if (item.empty()) {
                continue;
            }
            char* end = nullptr;
            const unsigned long first = std::strtoul(item.c_str(), &end, 10);
            unsigned long last = first;
            if (*end == '-') {
                last = std::strtoul(end + 1, &end, 10);
            }
            if (*end != '\0' || first == 0 || last < first || last > count) {
                return std::nullopt;
            }
            for (unsigned long i = first; i <= last; ++i) {
                chosen[i - 1] = true;
            }
        }
        return chosen;
    }
};

}  // namespace

}  // namespace ruvu::stub

int main() {
    ruvu::stub::TerminalHost host;
    return ruvu::stub::RunSelfExtractor(host);
}
