#include "platform/HostError.h"

#include <cerrno>

namespace ruvu::platform {

HostError HostErrorFromErrno(int err) {
    switch (err) {
        case 0:
            return HostError::None;
        case ENOENT:
            return HostError::FileNotFound;
        case ENOTDIR:
        case ELOOP:
            return HostError::PathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
            return HostError::AccessDenied;
        case EMFILE:
        case ENFILE:
            return HostError::TooManyOpenFiles;
        case EBADF:
            return HostError::InvalidHandle;
        case ENOMEM:
            return HostError::NotEnoughMemory;
        case EXDEV:
            return HostError::NotSameDevice;
        case EROFS:
            return HostError::WriteProtect;
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:
            return HostError::NotReady;
        case EBUSY:
        case ETXTBSY:
            return HostError::SharingViolation;
        case EAGAIN:
            return HostError::LockViolation;
        case ENOTSUP:
        case ENOSYS:
            return HostError::NotSupported;
        case EEXIST:
            return HostError::FileExists;
        case EINVAL:
            return HostError::InvalidParameter;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return HostError::DiskFull;
        case ENOTEMPTY:
            return HostError::DirNotEmpty;
        case ENAMETOOLONG:
            return HostError::FilenameTooLong;
        default:
            return HostError::GenFailure;
    }
}

std::string HostErrorText(HostError error) {
    switch (error) {
        case HostError::None:
            return "The operation completed successfully.";
        case HostError::FileNotFound:
            return "The system cannot find the file specified.";
        case HostError::PathNotFound:
            return "The system cannot find the path specified.";
        case HostError::TooManyOpenFiles:
            return "The system cannot open the file.";
        case HostError::AccessDenied:
            return "Access is denied.";
        case HostError::InvalidHandle:
            return "The handle is invalid.";
        case HostError::NotEnoughMemory:
            return "Not enough storage is available to process this command.";
        case HostError::InvalidDrive:
            return "The system cannot find the drive specified.";
        case HostError::NotSameDevice:
            return "The system cannot move the file to a different disk drive.";
        case HostError::WriteProtect:
            return "The media is write protected.";
        case HostError::NotReady:
            return "The device is not ready.";
        case HostError::GenFailure:
            return "A device attached to the system is not functioning.";
        case HostError::SharingViolation:
            return "The process cannot access the file because it is being used by another process.";
        case HostError::LockViolation:
            return "The process cannot access the file because another process has locked a portion of the "
                   "file.";
        case HostError::HandleEof:
            return "Reached the end of the file.";
        case HostError::NotSupported:
            return "The request is not supported.";
        case HostError::FileExists:
            return "The file exists.";
        case HostError::CannotMake:
            return "The directory or file cannot be created.";
        case HostError::InvalidParameter:
            return "The parameter is incorrect.";
        case HostError::DiskFull:
            return "There is not enough space on the disk.";
        case HostError::InvalidName:
            return "The filename, directory name, or volume label syntax is incorrect.";
        case HostError::ModNotFound:
            return "The specified module could not be found.";
        case HostError::ProcNotFound:
            return "The specified procedure could not be found.";
        case HostError::DirNotEmpty:
            return "The directory is not empty.";
        case HostError::AlreadyExists:
            return "Cannot create a file when that file already exists.";
        case HostError::FilenameTooLong:
            return "The filename or extension is too long.";
    }
    return "System error " + std::to_string(static_cast<uint32_t>(error)) + ".";
}

}  // namespace ruvu::platform
