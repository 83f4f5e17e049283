#include "engine/EDozErozev.h"

#include <utility>

#include "engine/Messages.h"

namespace ruvu {

EDozErozev::EDozErozev(int32_t id, bool display) : display_(display), resId_(id) {
    message_ = LoadZipStr(id);
    if (message_.empty()) {
        message_ = FormatText("id = %d %s", {id, kMissingTextFallback});
    }
}

EDozErozev::EDozErozev(int32_t id, std::initializer_list<FormatArg> args) : resId_(id) {
    message_ = LoadZipStrFmt(id, args);
    if (message_.empty()) {
        message_ = FormatText("id = %d %s", {id, kMissingTextFallback});
    }
}

EDozErozev::EDozErozev(int32_t id, DiskArg disk) : resId_(id) {
    message_ = LoadZipStrFmt(id, {disk.number});
    if (message_.empty()) {
        message_ = FormatText("id = %d [disk = %d]%s", {id, disk.number, kMissingTextFallback});
    }
}

EDozErozev::EDozErozev(int32_t id, DriveArg drive) : resId_(id) {
    message_ = LoadZipStrFmt(id, {drive.drive});
    if (message_.empty()) {
        message_ = FormatText("id = %d [drive = %s]%s", {id, drive.drive, kMissingTextFallback});
    }
}

EDozErozev::EDozErozev(std::string text, bool display) : message_(std::move(text)), display_(display) {}

}  // namespace ruvu
