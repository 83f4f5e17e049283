// Error numbers of the host layer. The values are the Windows system error codes the rest of the
// system was written against (CheckDrive looks for 31, message texts quote them), so callers can
// compare against the numbers they know.
#pragma once

#include <cstdint>
#include <string>

namespace ruvu::platform {

enum class HostError : uint32_t {
    None = 0,
    FileNotFound = 2,
    PathNotFound = 3,
    TooManyOpenFiles = 4,
    AccessDenied = 5,
    InvalidHandle = 6,
    NotEnoughMemory = 8,
    InvalidDrive = 15,
    NotSameDevice = 17,  // a move between file systems that could not be copied instead
    WriteProtect = 19,
    NotReady = 21,    // removable drive without a disk
    GenFailure = 31,  // the device does not work: an unformatted floppy
    SharingViolation = 32,
    LockViolation = 33,
    HandleEof = 38,
    NotSupported = 50,
    FileExists = 80,
    CannotMake = 82,
    InvalidParameter = 87,
    DiskFull = 112,
    InvalidName = 123,  // NUL byte, empty component, bad drive syntax
    ModNotFound = 126,
    ProcNotFound = 127,
    DirNotEmpty = 145,
    AlreadyExists = 183,
    FilenameTooLong = 206,
};

// Maps an errno value to the closest host error.
HostError HostErrorFromErrno(int err);

// English text for the error, as the system's error message would read ("The system cannot find the
// file specified.").
std::string HostErrorText(HostError error);

}  // namespace ruvu::platform
