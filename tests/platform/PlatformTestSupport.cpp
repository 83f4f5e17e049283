#include "PlatformTestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/Drives.h"

namespace ruvu::platform::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/ruvu-platform-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = fs::canonical(pattern).string();
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Read-only folders left by a test would stop the removal.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        saved_ = old;
    }
    if (value) {
        setenv(name_.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (saved_) {
        setenv(name_.c_str(), saved_->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

ScopedDrives::ScopedDrives(std::optional<std::string> map) : savedCwd_(fs::current_path().string()) {
    env_.emplace("RUVUVADU_DRIVES", std::move(map));
    ReloadDriveMap();
}

ScopedDrives::~ScopedDrives() {
    std::error_code ec;
    fs::current_path(savedCwd_, ec);
    env_.reset();
    ReloadDriveMap();
}

void WriteTextFile(const std::string& hostPath, std::string_view content) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + hostPath);
    }
}

std::string ReadTextFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void MakeFolders(const std::string& hostPath) {
    fs::create_directories(hostPath);
}

bool HostExists(const std::string& hostPath) {
    std::error_code ec;
    return fs::symlink_status(hostPath, ec).type() != fs::file_type::not_found && !ec;
}

}  // namespace ruvu::platform::test
