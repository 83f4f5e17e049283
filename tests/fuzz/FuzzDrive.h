// Drive C of a fuzz target: a fresh temporary folder, the only drive mapped, removed when the program
// ends, so that names made from the input find nothing else.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Drives.h"

namespace ruvu::fuzz {

const std::string& DriveC(const char* name);

namespace detail {

inline std::string MakeDriveC(const char* name) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
    std::string made = mkdtemp(pattern.data());
    setenv("RUVUVADU_DRIVES", ("C=" + made).c_str(), 1);
    platform::ReloadDriveMap();
    return made;
}

inline void RemoveDriveC() {
    std::error_code ignored;
    std::filesystem::remove_all(DriveC(nullptr), ignored);
}

}  // namespace detail

// The host folder of drive C, made and mapped by the first call; name starts the folder's name.
inline const std::string& DriveC(const char* name) {
    static const std::string root = detail::MakeDriveC(name);
    // Registered once root exists, so that it runs before root is destroyed.
    static const bool removedAtExit = std::atexit(detail::RemoveDriveC) == 0;
    static_cast<void>(removedAtExit);
    return root;
}

}  // namespace ruvu::fuzz
