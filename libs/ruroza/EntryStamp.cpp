#include "libs/ruroza/EntryStamp.h"

#include <sys/stat.h>

#include "platform/DosTime.h"
#include "zipformat/ExtraField.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::ruroza {

bool IsSymbolicLink(const zip::CentralDirEntry& header) {
    return (header.UnixMode() & S_IFMT) == S_IFLNK;
}

Stamp EntryStamp(const zip::CentralDirEntry& header, std::string_view localExtra) {
    Stamp stamp;
    auto mtime = zip::ExtendedModTime(header.Extra);
    if (!mtime) {
        mtime = zip::ExtendedModTime(localExtra);
    }
    stamp.mtime = mtime.value_or(platform::DosDateTimeToUnix(header.DosDateTime));
    const uint32_t mode = header.UnixMode();
    const uint32_t type = mode & S_IFMT;
    if (mode != 0 && (type == 0 || type == S_IFREG || type == S_IFDIR)) {
        stamp.mode = static_cast<mode_t>(mode & 0777);
    } else if (mode == 0) {
        stamp.readOnly = (header.ExternalAttributes & zip::kDosReadOnly) != 0;
    }
    return stamp;
}

}  // namespace ruvu::ruroza
