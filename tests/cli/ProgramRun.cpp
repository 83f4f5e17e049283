#include "tests/cli/ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace fs = std::filesystem;

namespace ruvu::clitest {

namespace {

constexpr auto kWaitLimit = std::chrono::seconds(60);
constexpr auto kRunLimit = std::chrono::seconds(120);

// The build's program folder: the test programs are built beside the program.
fs::path BuildFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

bool ReadInto(int fd, std::string& text) {
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
        text.append(buffer, static_cast<size_t>(n));
        return true;
    }
    return false;
}

}  // namespace

ProgramFolder::ProgramFolder(std::string hostFolder) : folder_(std::move(hostFolder)) {
    fs::create_directories(folder_);
    // Real files, not symbolic links: the program's folder is where its file is, and the libraries
    // are recognised by the path they were loaded from.
    for (const fs::directory_entry& entry : fs::directory_iterator(BuildFolder())) {
        const std::string name = entry.path().filename().string();
        if (name == "ruvuvadu" || name == "DIZODE.DLL" || name == "RUROZA.DLL" || name.ends_with(".so")) {
            std::error_code error;
            fs::create_hard_link(entry.path(), fs::path(folder_) / name, error);
            if (error) {
                fs::copy_file(entry.path(), fs::path(folder_) / name);
            }
        }
    }
}

RunningProgram::RunningProgram(const ProgramFolder& program, const std::vector<std::string>& arguments,
                               const std::string& workDir,
                               const std::map<std::string, std::string>& environment) {
    // A program that has ended must not end the test through a write to its input.
    std::signal(SIGPIPE, SIG_IGN);
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const size_t equals = text.find('=');
        if (equals != std::string::npos) {
            variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    variables.erase("DISPLAY");
    variables.erase("WAYLAND_DISPLAY");
    variables.erase("QT_QPA_PLATFORM");
    // Only matters in a sanitizer build: Qt's own leftovers would end the program with a failure.
    variables.emplace("LSAN_OPTIONS", "print_suppressions=0:suppressions=" RUVU_LSAN_QT);
    for (const auto& [name, value] : environment) {
        if (value.empty()) {
            variables.erase(name);
        } else {
            variables[name] = value;
        }
    }
    std::vector<std::string> envText;
    for (const auto& [name, value] : variables) {
        envText.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& text : envText) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);
    const std::string executable = program.Executable();
    std::vector<std::string> argvText = {executable};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argvText) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    int in[2];
    int out[2];
    int err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    const int rc = posix_spawn(&pid_, executable.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    input_ = in[1];
    output_ = out[0];
    error_ = err[0];
    fcntl(output_, F_SETFL, O_NONBLOCK);
    fcntl(error_, F_SETFL, O_NONBLOCK);
    if (rc != 0) {
        ended_ = true;
        pid_ = -1;
        throw std::runtime_error(std::string("cannot start the program: ") + std::strerror(rc));
    }
}

RunningProgram::~RunningProgram() {
    if (!ended_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {input_, output_, error_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool RunningProgram::Pump(std::chrono::milliseconds timeout) {
    if (!ended_) {
        pollfd fds[2] = {{output_, POLLIN, 0}, {error_, POLLIN, 0}};
        poll(fds, 2, static_cast<int>(timeout.count()));
    }
    while (ReadInto(output_, out_)) {
    }
    while (ReadInto(error_, errors_)) {
    }
    if (!ended_) {
        int status = 0;
        // A program the run started may keep the pipes open: the end is the process's, not EOF.
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            ended_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            while (ReadInto(output_, out_)) {
            }
            while (ReadInto(error_, errors_)) {
            }
        }
    }
    return !ended_;
}

std::optional<size_t> RunningProgram::WaitForError(std::string_view text, size_t from) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    for (;;) {
        const size_t at = errors_.find(text, from);
        if (at != std::string::npos) {
            return at + text.size();
        }
        if (!Pump(std::chrono::milliseconds(50)) || std::chrono::steady_clock::now() > deadline) {
            const size_t late = errors_.find(text, from);
            return late == std::string::npos ? std::nullopt : std::optional<size_t>(late + text.size());
        }
    }
}

void RunningProgram::Answer(std::string_view line) {
    const std::string text = std::string(line) + "\n";
    if (input_ >= 0 && write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        CloseInput();
    }
}

void RunningProgram::CloseInput() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
}

bool RunningProgram::StillRunningAfter(std::chrono::milliseconds time) {
    const auto deadline = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!Pump(std::chrono::milliseconds(50))) {
            return false;
        }
    }
    return !ended_;
}

ProgramResult RunningProgram::Finish() {
    CloseInput();
    const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
    while (Pump(std::chrono::milliseconds(50))) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
        }
    }
    return ProgramResult{status_, out_, errors_};
}

ProgramResult RunProgram(const ProgramFolder& program, const std::vector<std::string>& arguments,
                         const std::string& workDir, const std::map<std::string, std::string>& environment) {
    RunningProgram running(program, arguments, workDir, environment);
    return running.Finish();
}

}  // namespace ruvu::clitest
