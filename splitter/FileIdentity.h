// Telling whether two names, or an open file and a name, are the same file on the host (the same
// device and inode), whatever their spelling, case or drive mapping.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string_view>

#include "platform/File.h"

namespace ruvu {

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

// nullopt when the file is not open, or the path does not resolve to an existing entry.
std::optional<FileId> IdOf(const platform::File& file);
std::optional<FileId> IdOf(std::string_view path);
// True only when both exist and are the same file.
bool SameFile(std::string_view a, std::string_view b);

}  // namespace ruvu
