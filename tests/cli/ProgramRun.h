// Runs the real program the way a script or a person at a terminal does: from a program folder of its
// own (so that its temporary archive beside the program is its own), without a display, with its
// standard input written by the test and its standard error read while it runs.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvu::clitest {

// A folder holding the program and the shared objects it loads, as the build put them side by side.
class ProgramFolder {
  public:
    // Fills hostFolder (created when missing) from the build's program folder.
    explicit ProgramFolder(std::string hostFolder);
    const std::string& Folder() const { return folder_; }
    std::string Executable() const { return folder_ + "/ruvuvadu"; }

  private:
    std::string folder_;
};

struct ProgramResult {
    int status = -1;  // exit status; -1 when killed or not started
    std::string output;
    std::string errors;
};

class RunningProgram {
  public:
    // Starts the program in workDir. environment adds or replaces variables; an empty value removes
    // one. DISPLAY and WAYLAND_DISPLAY are removed unless given.
    RunningProgram(const ProgramFolder& program, const std::vector<std::string>& arguments,
                   const std::string& workDir, const std::map<std::string, std::string>& environment = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Waits until standard error holds text at or after position from; the position after it, or
    // nullopt when the program ended (or a minute passed) first.
    std::optional<size_t> WaitForError(std::string_view text, size_t from = 0);
    // Writes a line of input.
    void Answer(std::string_view line);
    void CloseInput();
    // True while the program runs, after waiting for it up to the given time.
    bool StillRunningAfter(std::chrono::milliseconds time);
    // Closes the input and waits for the end (killing the program after two minutes).
    ProgramResult Finish();
    const std::string& Errors() const { return errors_; }

  private:
    // Reads what is there, waiting up to timeout; false once the program has ended.
    bool Pump(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int error_ = -1;
    int status_ = -1;
    bool ended_ = false;
    std::string out_;
    std::string errors_;
};

// Starts, closes the input at once and waits.
ProgramResult RunProgram(const ProgramFolder& program, const std::vector<std::string>& arguments,
                         const std::string& workDir,
                         const std::map<std::string, std::string>& environment = {});

}  // namespace ruvu::clitest
