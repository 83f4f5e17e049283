#include "libs/ruroza/EntryStamp.h"

#include <sys/stat.h>

#include <optional>

#include "libs/common/ByteOrder.h"
#include "platform/DosTime.h"

namespace ruvu::ruroza {

namespace {

constexpr uint16_t kExtendedTimestampId = 0x5455;

// The modification time of an extended timestamp field: flags byte, then the time when bit 0 is set.
std::optional<std::time_t> ExtendedMtime(std::string_view extra) {
    const auto* p = reinterpret_cast<const uint8_t*>(extra.data());
    size_t at = 0;
    while (at + 4 <= extra.size()) {
        const uint16_t id = libcommon::Get16(p + at);
        const size_t length = libcommon::Get16(p + at + 2);
        if (at + 4 + length > extra.size()) {
            break;
        }
        if (id == kExtendedTimestampId && length >= 5 && (p[at + 4] & 1) != 0) {
            return static_cast<std::time_t>(static_cast<int32_t>(libcommon::Get32(p + at + 5)));
        }
        at += 4 + length;
    }
    return std::nullopt;
}

}  // namespace

bool IsSymbolicLink(const libcommon::CentralHeader& header) {
    return (header.UnixMode() & S_IFMT) == S_IFLNK;
}

Stamp EntryStamp(const libcommon::CentralHeader& header, std::string_view localExtra) {
    Stamp stamp;
    auto mtime = ExtendedMtime(header.extra);
    if (!mtime) {
        mtime = ExtendedMtime(localExtra);
    }
    stamp.mtime = mtime.value_or(platform::DosDateTimeToUnix(header.dosDateTime));
    const uint32_t mode = header.UnixMode();
    const uint32_t type = mode & S_IFMT;
    if (mode != 0 && (type == 0 || type == S_IFREG || type == S_IFDIR)) {
        stamp.mode = static_cast<mode_t>(mode & 0777);
    } else if (mode == 0) {
        stamp.readOnly = (header.externalAttributes & libcommon::kDosReadOnly) != 0;
    }
    return stamp;
}

}  // namespace ruvu::ruroza
