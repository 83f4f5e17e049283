// Moving files to the desktop trash through GIO.
#include <gio/gio.h>

#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "platform/HostPaths.h"

namespace ruvu::platform {

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

HostError HostErrorFromGio(const GError* error) {
    if (error->domain != G_IO_ERROR) {
        return HostError::GenFailure;
    }
    switch (error->code) {
        case G_IO_ERROR_NOT_FOUND:
            return HostError::FileNotFound;
        case G_IO_ERROR_PERMISSION_DENIED:
            return HostError::AccessDenied;
        case G_IO_ERROR_NO_SPACE:
            return HostError::DiskFull;
        case G_IO_ERROR_READ_ONLY:
            return HostError::WriteProtect;
        case G_IO_ERROR_BUSY:
            return HostError::SharingViolation;
        case G_IO_ERROR_FILENAME_TOO_LONG:
            return HostError::FilenameTooLong;
        case G_IO_ERROR_NOT_SUPPORTED:
            return HostError::NotSupported;
        default:
            return HostError::GenFailure;
    }
}

}  // namespace

bool MoveToTrash(std::string_view hostPath, HostError* error) {
    std::string path(hostPath);
    std::unique_ptr<GFile, ObjectUnref> file(g_file_new_for_path(path.c_str()));
    GError* raw = nullptr;
    if (g_file_trash(file.get(), nullptr, &raw)) {
        return detail::SetError(error, HostError::None);
    }
    std::unique_ptr<GError, ErrorFree> failure(raw);
    return detail::SetError(error, HostErrorFromGio(failure.get()));
}

}  // namespace ruvu::platform
