#include "platform/HostPaths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/Drives.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

namespace ruvu::platform::detail {

namespace {

constexpr int kMaxLinkDepth = 40;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

constexpr size_t kMaxIndexedFolders = 16;
constexpr auto kIndexLifetime = std::chrono::seconds(1);

// The names of one folder by folded (lower-case) name, each with its first name in byte order.
class FolderIndex {
  public:
    bool IsCurrent(const struct stat& st) const {
        return device_ == st.st_dev && inode_ == st.st_ino && modified_.tv_sec == st.st_mtim.tv_sec &&
               modified_.tv_nsec == st.st_mtim.tv_nsec &&
               std::chrono::steady_clock::now() - built_ < kIndexLifetime;
    }

    // st is taken before reading: a change during the read moves the time on and the next use rebuilds.
    bool Build(const std::string& folder, const struct stat& st) {
        std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
        if (!dir) {
            return false;
        }
        names_.clear();
        while (dirent* entry = readdir(dir.get())) {
            std::string_view name(entry->d_name);
            if (name != "." && name != "..") {
                Add(name);
            }
        }
        device_ = st.st_dev;
        inode_ = st.st_ino;
        modified_ = st.st_mtim;
        built_ = std::chrono::steady_clock::now();
        return true;
    }

    // An entry of our own: the folder's new time is taken as the index's.
    void Adopt(std::string_view name, const struct stat& st) {
        Add(name);
        modified_ = st.st_mtim;
    }

    std::optional<std::string> Find(std::string_view name) const {
        auto it = names_.find(LowerCase(name));
        return it == names_.end() ? std::nullopt : std::optional<std::string>(it->second);
    }

  private:
    void Add(std::string_view name) {
        auto [it, inserted] = names_.try_emplace(LowerCase(name), name);
        if (!inserted && name < it->second) {
            it->second = name;
        }
    }

    dev_t device_ = 0;
    ino_t inode_ = 0;
    timespec modified_{};
    std::chrono::steady_clock::time_point built_;
    std::unordered_map<std::string, std::string> names_;
};

struct FolderIndexCache {
    std::mutex mutex;
    std::unordered_map<std::string, FolderIndex> folders;
};

FolderIndexCache& TheFolderIndexCache() {
    static FolderIndexCache cache;
    return cache;
}

std::optional<std::string> Canonical(const std::string& path, int depth) {
    if (depth > kMaxLinkDepth) {
        return std::nullopt;
    }
    std::unique_ptr<char, FreeDeleter> real(realpath(path.c_str(), nullptr));
    if (real) {
        return std::string(real.get());
    }
    if (errno != ENOENT && errno != ENOTDIR) {
        return std::nullopt;
    }
    // Something is missing: settle the parent, then see what the last name is there.
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || path == "/") {
        return std::nullopt;
    }
    std::string parentPath = slash == 0 ? std::string("/") : path.substr(0, slash);
    std::string last = path.substr(slash + 1);
    std::optional<std::string> parent = Canonical(parentPath, depth);
    if (!parent) {
        return std::nullopt;
    }
    if (last.empty() || last == ".") {
        return parent;
    }
    if (last == "..") {
        size_t up = parent->find_last_of('/');
        return up == 0 ? std::string("/") : parent->substr(0, up);
    }
    std::string candidate = JoinHostPath(*parent, last);
    struct stat st {};
    if (lstat(candidate.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::vector<char> target(PATH_MAX);
        ssize_t n = readlink(candidate.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) {
            return std::nullopt;
        }
        std::string link(target.data(), static_cast<size_t>(n));
        return Canonical(link.front() == '/' ? link : JoinHostPath(*parent, link), depth + 1);
    }
    return candidate;
}

}  // namespace

std::optional<std::string> WorkingDirectory() {
    std::unique_ptr<char, FreeDeleter> cwd(getcwd(nullptr, 0));
    return cwd ? std::optional<std::string>(cwd.get()) : std::nullopt;
}

bool IsHostFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsHostFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string NormalizeHostPath(std::string_view path) {
    bool absolute = !path.empty() && path.front() == '/';
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        std::string_view part = path.substr(pos, end - pos);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(part);
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    std::string result = absolute ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            result += '/';
        }
        result += parts[i];
    }
    return result.empty() ? "." : result;
}

std::string JoinHostPath(std::string_view folder, std::string_view name) {
    std::string result(folder);
    if (result.empty() || result.back() != '/') {
        result += '/';
    }
    result += name;
    return result;
}

bool IsInsideFolder(std::string_view path, std::string_view folder) {
    if (folder == "/") {
        return !path.empty() && path.front() == '/';
    }
    return path.substr(0, folder.size()) == folder &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

std::optional<std::string> CanonicalHostPath(std::string_view path) {
    std::string absolute = !path.empty() && path.front() == '/'
                               ? std::string(path)
                               : JoinHostPath(WorkingDirectory().value_or("/"), path);
    return Canonical(absolute, 0);
}

std::optional<std::string> FindNameIgnoringCase(const std::string& folder, std::string_view name) {
    struct stat st {};
    if (lstat(JoinHostPath(folder, name).c_str(), &st) == 0) {
        return std::string(name);
    }
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    FolderIndexCache& cache = TheFolderIndexCache();
    std::lock_guard lock(cache.mutex);
    auto it = cache.folders.find(folder);
    bool rebuilt = false;
    if (it == cache.folders.end() || !it->second.IsCurrent(st)) {
        if (it == cache.folders.end() && cache.folders.size() >= kMaxIndexedFolders) {
            cache.folders.clear();
        }
        it = cache.folders.try_emplace(folder).first;
        if (!it->second.Build(folder, st)) {
            cache.folders.erase(it);
            return std::nullopt;
        }
        rebuilt = true;
    }
    std::optional<std::string> found = it->second.Find(name);
    if (found && !rebuilt && lstat(JoinHostPath(folder, *found).c_str(), &st) != 0) {
        // Deleted since the index was made: read the folder again.
        if (stat(folder.c_str(), &st) != 0 || !it->second.Build(folder, st)) {
            cache.folders.erase(it);
            return std::nullopt;
        }
        found = it->second.Find(name);
    }
    return found;
}

void NoteNewEntry(const std::string& hostPath) {
    size_t slash = hostPath.find_last_of('/');
    if (slash == std::string::npos) {
        return;
    }
    std::string folder = slash == 0 ? std::string("/") : hostPath.substr(0, slash);
    FolderIndexCache& cache = TheFolderIndexCache();
    std::lock_guard lock(cache.mutex);
    auto it = cache.folders.find(folder);
    if (it == cache.folders.end()) {
        return;
    }
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) {
        cache.folders.erase(it);
        return;
    }
    it->second.Adopt(hostPath.substr(slash + 1), st);
}

std::optional<std::string> FindFileInHostFolder(const std::string& folder, std::string_view name) {
    std::optional<std::string> hostPath;
    if (std::optional<std::string> windowsFolder = HostToWindowsPath(folder)) {
        hostPath = ResolveHostPath(JoinPath(*windowsFolder, name));
    } else if (std::optional<std::string> found = FindNameIgnoringCase(folder, name)) {
        hostPath = JoinHostPath(folder, *found);
    }
    return hostPath && IsHostFile(*hostPath) ? hostPath : std::nullopt;
}

std::string HostToWindowsPathOrRaw(std::string_view hostPath) {
    std::optional<std::string> windowsPath = HostToWindowsPath(hostPath);
    return windowsPath ? *windowsPath : SlashesToBackslashes(hostPath);
}

std::optional<std::string> ReadFirstLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

bool WriteFileAtomically(const std::string& path, std::string_view content, HostError* error) {
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        return SetErrno(error, errno);
    }
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            int err = errno;
            close(fd);
            unlink(temp.c_str());
            return SetErrno(error, err);
        }
        done += static_cast<size_t>(n);
    }
    fchmod(fd, 0644);
    if (close(fd) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        unlink(temp.c_str());
        return SetErrno(error, err);
    }
    return SetError(error, HostError::None);
}

uint64_t FolderBytes(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    uint64_t total = 0;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code statError;
        if (it->symlink_status(statError).type() == fs::file_type::regular) {
            uint64_t size = it->file_size(statError);
            if (!statError) {
                total += size;
            }
        }
    }
    return total;
}

}  // namespace ruvu::platform::detail
