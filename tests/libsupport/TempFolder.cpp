#include "tests/libsupport/TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/Drives.h"

namespace fs = std::filesystem;

namespace ruvu::testsupport {

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/ruvu-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = fs::canonical(pattern).string();
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Files made read-only by a test must not stop the cleanup.
    for (auto it = fs::recursive_directory_iterator(path_, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::string TempFolder::Host(std::string_view relative) const {
    return relative.empty() ? path_ : path_ + "/" + std::string(relative);
}

std::string TempFolder::Win(std::string_view relative) const {
    return WinPathOf(Host(relative));
}

std::string TempFolder::Write(std::string_view relative, std::string_view content, std::time_t mtime) const {
    const std::string host = Host(relative);
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream(host, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
    if (mtime != 0) {
        utimbuf times{mtime, mtime};
        utime(host.c_str(), &times);
    }
    return host;
}

std::string TempFolder::MakeDir(std::string_view relative) const {
    const std::string host = Host(relative);
    fs::create_directories(host);
    return host;
}

bool TempFolder::Exists(std::string_view relative) const {
    return fs::exists(Host(relative));
}

std::string ReadFileBytes(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string SampleText(size_t size, uint32_t seed) {
    static const char* words[] = {"alma ", "körte ", "szilva ", "barack ", "dió ", "mogyoró ", "\n"};
    std::mt19937 rng(seed);
    std::string out;
    while (out.size() < size) {
        out += words[rng() % 7];
    }
    out.resize(size);
    return out;
}

std::string RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (char& c : out) {
        c = static_cast<char>(rng());
    }
    return out;
}

std::string WinPathOf(std::string_view hostPath) {
    std::string out = "C:";
    for (const char c : hostPath) {
        out.push_back(c == '/' ? '\\' : c);
    }
    return out;
}

WorkingDirectoryGuard::WorkingDirectoryGuard() : saved_(fs::current_path().string()) {}

WorkingDirectoryGuard::~WorkingDirectoryGuard() {
    if (chdir(saved_.c_str()) != 0) {
        std::fprintf(stderr, "cannot return to %s\n", saved_.c_str());
        std::abort();
    }
}

ScopedDriveMap::ScopedDriveMap(const std::string& map) {
    if (const char* old = std::getenv("RUVUVADU_DRIVES")) {
        old_ = old;
        hadOld_ = true;
    }
    setenv("RUVUVADU_DRIVES", map.c_str(), 1);
    platform::ReloadDriveMap();
}

ScopedDriveMap::~ScopedDriveMap() {
    if (hadOld_) {
        setenv("RUVUVADU_DRIVES", old_.c_str(), 1);
    } else {
        unsetenv("RUVUVADU_DRIVES");
    }
    platform::ReloadDriveMap();
}

}  // namespace ruvu::testsupport
