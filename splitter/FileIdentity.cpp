#include "splitter/FileIdentity.h"

#include <sys/stat.h>

#include "platform/Drives.h"

namespace ruvu {

std::optional<FileId> IdOf(const platform::File& file) {
    struct stat st {};
    if (!file.IsOpen() || fstat(file.NativeHandle(), &st) != 0) {
        return std::nullopt;
    }
    return FileId{st.st_dev, st.st_ino};
}

std::optional<FileId> IdOf(std::string_view path) {
    std::optional<std::string> host = platform::ResolveHostPath(path);
    struct stat st {};
    if (!host || stat(host->c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileId{st.st_dev, st.st_ino};
}

bool SameFile(std::string_view a, std::string_view b) {
    std::optional<FileId> first = IdOf(a);
    return first && first == IdOf(b);
}

}  // namespace ruvu
