// Feeds arbitrary bytes to the archive reader as a file: finding the end record, reading the central
// directory and laying out every entry must never crash or read out of bounds.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "libs/common/ArchiveReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("zip", 0);
    if (fd < 0) {
        return 0;
    }
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        ruvu::libcommon::ArchiveReader reader;
        if (reader.OpenHost("/proc/self/fd/" + std::to_string(fd))) {
            for (const auto& entry : reader.Entries()) {
                reader.Layout(entry);
            }
        }
    }
    close(fd);
    return 0;
}
