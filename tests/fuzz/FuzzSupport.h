// What the fuzz targets that run the component share besides their drive C (FuzzDrive.h): its
// libraries kept loaded, reading a file whole, and stopping with a reason that libFuzzer reports.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Modules.h"

namespace ruvu::fuzz {

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

}  // namespace ruvu::fuzz
