// Feeds arbitrary bytes to the Windows path expansion and resolution. Drives C (fixed), D (fixed, a
// link out of it included) and A (a floppy with a disk) live in a fresh temporary folder. Besides
// "no crash", every resolved path must stay inside its drive's folder.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Drives.h"
#include "platform/FloppyChanger.h"

namespace {

namespace fs = std::filesystem;
using namespace ruvu::platform;

std::string root;

void RemoveRoot() {
    std::error_code ec;
    fs::remove_all(root, ec);
}

bool Inside(const std::string& path, const std::string& folder) {
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "ruvu-fuzz-winpath-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        abort();
    }
    root = fs::canonical(pattern).string();
    atexit(RemoveRoot);
    fs::create_directories(root + "/c/Data/Sub");
    fs::create_directories(root + "/d");
    fs::create_directories(root + "/outside");
    fs::create_directory_symlink(root + "/outside", root + "/d/out");
    FloppyChanger changer(root + "/a");
    changer.CreateDisk("disk1", "PKBACK# 001");
    changer.Insert("disk1");
    std::string map = "C=" + root + "/c;D=" + root + "/d;A=floppy:" + root + "/a";
    setenv("RUVUVADU_DRIVES", map.c_str(), 1);
    ReloadDriveMap();
    // The current folder of C is set through the host layer; the process goes back to where it was,
    // because libFuzzer reads relative corpus folders after this. That folder is on no drive, so the
    // host layer keeps C:\Data\Sub.
    fs::path started = fs::current_path();
    if (!SetCurrentDirectory("C:\\Data\\Sub")) {
        abort();
    }
    fs::current_path(started);
    if (GetCurrentDirectory() != "C:\\Data\\Sub") {
        abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string expanded = ExpandFileName(input);
    if (!expanded.empty() && (expanded.size() < 3 || expanded[1] != ':' || expanded[2] != '\\')) {
        abort();
    }
    std::optional<std::string> host = ResolveHostPath(input);
    if (host) {
        char drive = expanded.empty() ? '\0' : expanded[0];
        std::string folder = drive == 'C'   ? root + "/c"
                             : drive == 'D' ? root + "/d"
                                            : root + "/a/disks/disk1";
        if (expanded.empty() || !Inside(*host, folder) || Inside(*host, root + "/d/out")) {
            abort();
        }
    }
    return 0;
}
