// What the fuzz targets that run the component share: drive C as a fresh temporary folder that goes
// when the target ends, its libraries kept loaded, reading a file whole, and stopping with a reason
// that libFuzzer reports.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Drives.h"
#include "platform/Modules.h"

namespace ruvu::fuzzsupport {

// The host folder drive C names; empty until MakeDriveC.
inline std::string& DriveC() {
    static std::string root;
    return root;
}

// Makes a fresh folder (named after the target) drive C, removed at exit; returns its host path.
inline const std::string& MakeDriveC(const std::string& target) {
    std::string pattern = (std::filesystem::temp_directory_path() / ("fuzz-" + target + "-XXXXXX")).string();
    DriveC() = mkdtemp(pattern.data());
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(DriveC(), ignored);
    });
    setenv("RUVUVADU_DRIVES", ("C=" + DriveC()).c_str(), 1);
    platform::ReloadDriveMap();
    return DriveC();
}

// Loads the libraries the component uses for the life of the target: libFuzzer keeps the coverage
// counters of each module it saw, and one the component unloaded would leave them pointing at freed
// memory.
inline void KeepLibrariesLoaded() {
    for (const char* name : {"DIZODE.DLL", "RUROZA.DLL"}) {
        if (platform::LoadLibrary(name) == nullptr) {
            std::fprintf(stderr, "%s is not beside the fuzz target\n", name);
            std::abort();
        }
    }
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace ruvu::fuzzsupport
