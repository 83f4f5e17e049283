#include "tests/libsupport/PeerTools.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

extern char** environ;

namespace ruvu::testsupport {

ToolResult RunTool(const std::vector<std::string>& argv, const std::string& workDir) {
    ToolResult result;
    int pipeFds[2];
    if (argv.empty() || pipe(pipeFds) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!workDir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    }
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return result;
    }
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        result.output.append(buffer, static_cast<size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return result;
}

ToolResult UnzipTest(const std::string& archive, const std::string& password) {
    if (password.empty()) {
        return RunTool({"unzip", "-t", archive});
    }
    return RunTool({"unzip", "-t", "-P", password, archive});
}

ToolResult SevenZipTest(const std::string& archive, const std::string& password) {
    return RunTool({"7z", "t", "-p" + password, archive});
}

namespace {
const char* kPythonTest = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    if bad is not None:
        print('bad entry', bad); sys.exit(1)
print('ok')
)";
const char* kPythonExtract = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    z.extractall(sys.argv[2], pwd=sys.argv[3].encode() if sys.argv[3] else None)
)";
const char* kPythonNames = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for n in z.namelist(): print(n)
)";
const char* kPythonInfo = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for i in z.infolist():
        print('|'.join(str(v) for v in (i.filename, i.flag_bits, i.create_system, i.external_attr,
              i.compress_type, i.CRC, i.compress_size, i.file_size, i.comment.decode('utf-8', 'replace'))))
)";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}
}  // namespace

ToolResult PythonZipTest(const std::string& archive) {
    return RunTool({"python3", "-c", kPythonTest, archive});
}

ToolResult BsdtarList(const std::string& archive) {
    return RunTool({"bsdtar", "-tf", archive});
}

ToolResult UnzipExtract(const std::string& archive, const std::string& folder, const std::string& password) {
    // unzip makes only the last folder of the path itself.
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    if (password.empty()) {
        return RunTool({"unzip", "-o", "-q", archive, "-d", folder});
    }
    return RunTool({"unzip", "-o", "-q", "-P", password, archive, "-d", folder});
}

ToolResult SevenZipExtract(const std::string& archive, const std::string& folder,
                           const std::string& password) {
    return RunTool({"7z", "x", "-y", "-p" + password, "-o" + folder, archive});
}

ToolResult PythonExtract(const std::string& archive, const std::string& folder, const std::string& password) {
    return RunTool({"python3", "-c", kPythonExtract, archive, folder, password});
}

std::vector<std::string> PythonNames(const std::string& archive) {
    return Lines(RunTool({"python3", "-c", kPythonNames, archive}).output);
}

std::vector<std::string> PythonInfo(const std::string& archive) {
    return Lines(RunTool({"python3", "-c", kPythonInfo, archive}).output);
}

}  // namespace ruvu::testsupport
