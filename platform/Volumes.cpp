// Drive services: volume information and labels, free and total space, geometry.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/CodePage.h"
#include "platform/DriveState.h"
#include "platform/FloppyChanger.h"
#include "platform/FloppyMedia.h"
#include "platform/HostPaths.h"

namespace ruvu::platform {

namespace {

constexpr size_t kMaxLabelCharacters = 11;
constexpr uint32_t kSectorSize = 512;
constexpr std::string_view kCharactersNotInLabels = "*?/\\|.,;:+=[]()&^<>\"";

struct Medium {
    const DriveMapping* drive = nullptr;
    std::string folder;
};

std::optional<Medium> MediumOfPath(std::string_view path, HostError* error) {
    Medium medium;
    medium.drive = detail::DriveOfPath(path, error);
    if (medium.drive == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> folder = detail::MediumFolder(*medium.drive, error);
    if (!folder) {
        return std::nullopt;
    }
    medium.folder = *folder;
    return medium;
}

uint32_t Fnv1a(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 16777619u;
    }
    return hash;
}

// statvfs of the path when it exists, else of its nearest existing folder on the medium.
bool StatFileSystem(const Medium& medium, std::string_view path, struct statvfs* out, HostError* error) {
    std::string host = medium.folder;
    if (std::optional<std::string> resolved = ResolveHostPath(path.empty() ? std::string_view(".") : path)) {
        host = *resolved;
    }
    while (statvfs(host.c_str(), out) != 0) {
        if ((errno != ENOENT && errno != ENOTDIR) || host.size() <= medium.folder.size()) {
            return detail::SetErrno(error, errno == ENOENT ? ENOTDIR : errno);
        }
        host = host.substr(0, std::max<size_t>(host.find_last_of('/'), 1));
    }
    return detail::SetError(error, HostError::None);
}

uint64_t FloppyFreeBytes(const Medium& medium) {
    return kFloppyCapacity - std::min(kFloppyCapacity, detail::FolderBytes(medium.folder));
}

}  // namespace

std::optional<VolumeInformation> GetVolumeInformation(std::string_view root, HostError* error) {
    std::optional<Medium> medium = MediumOfPath(root, error);
    if (!medium) {
        return std::nullopt;
    }
    VolumeInformation info;
    if (medium->drive->kind == DriveKind::Floppy) {
        std::string name = detail::InsertedDiskName(medium->drive->hostRoot).value_or("");
        info.label = detail::ReadDiskLabel(medium->drive->hostRoot, name);
        info.serialNumber = Fnv1a(name);
        info.fileSystem = "FAT";
        return info;
    }
    struct statvfs vfs {};
    if (statvfs(medium->folder.c_str(), &vfs) != 0) {
        detail::SetErrno(error, errno == ENOENT ? ENOTDIR : errno);
        return std::nullopt;
    }
    info.serialNumber = static_cast<uint32_t>(vfs.f_fsid ^ (static_cast<uint64_t>(vfs.f_fsid) >> 32));
    info.fileSystem = "ext";
    return info;
}

bool SetVolumeLabel(std::string_view root, std::string_view label, HostError* error) {
    std::optional<Medium> medium = MediumOfPath(root, error);
    if (!medium) {
        return false;
    }
    if (medium->drive->kind != DriveKind::Floppy) {
        return detail::SetError(error, HostError::AccessDenied);
    }
    for (char c : label) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            kCharactersNotInLabels.find(c) != std::string_view::npos) {
            return detail::SetError(error, HostError::InvalidName);
        }
    }
    std::string name = detail::InsertedDiskName(medium->drive->hostRoot).value_or("");
    std::string path = detail::LabelFilePath(medium->drive->hostRoot, name);
    if (label.empty()) {
        return unlink(path.c_str()) == 0 || errno == ENOENT ? detail::SetError(error, HostError::None)
                                                            : detail::SetErrno(error, errno);
    }
    return detail::WriteFileAtomically(path, std::string(Utf8Prefix(label, kMaxLabelCharacters)) + "\n",
                                       error);
}

bool FormatVolume(std::string_view root, HostError* error) {
    const DriveMapping* drive = detail::DriveOfPath(root, error);
    if (drive == nullptr) {
        return false;
    }
    if (drive->kind != DriveKind::Floppy) {
        return detail::SetError(error, HostError::AccessDenied);
    }
    std::optional<std::string> name = detail::InsertedDiskName(drive->hostRoot);
    if (!name) {
        return detail::SetError(error, HostError::NotReady);
    }
    if (!detail::IsValidDiskName(*name)) {
        return detail::SetError(error, HostError::GenFailure);
    }
    const std::string folder = detail::DiskFolderPath(drive->hostRoot, *name);
    if (detail::IsHostFolder(folder)) {
        return detail::SetError(error, HostError::AccessDenied);
    }
    const std::string label = detail::LabelFilePath(drive->hostRoot, *name);
    if (unlink(label.c_str()) != 0 && errno != ENOENT) {
        return detail::SetErrno(error, errno);
    }
    return mkdir(folder.c_str(), 0777) == 0 ? detail::SetError(error, HostError::None)
                                            : detail::SetErrno(error, errno);
}

std::optional<DiskSpace> GetDiskFreeSpaceEx(std::string_view path, HostError* error) {
    std::optional<Medium> medium = MediumOfPath(path, error);
    if (!medium) {
        return std::nullopt;
    }
    DiskSpace space;
    if (medium->drive->kind == DriveKind::Floppy) {
        space.totalBytes = kFloppyCapacity;
        space.freeBytesAvailable = space.totalFreeBytes = FloppyFreeBytes(*medium);
        return space;
    }
    struct statvfs vfs {};
    if (!StatFileSystem(*medium, path, &vfs, error)) {
        return std::nullopt;
    }
    space.freeBytesAvailable = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    space.totalBytes = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    space.totalFreeBytes = static_cast<uint64_t>(vfs.f_bfree) * vfs.f_frsize;
    return space;
}

std::optional<DiskGeometry> GetDiskFreeSpace(std::string_view path, HostError* error) {
    std::optional<Medium> medium = MediumOfPath(path, error);
    if (!medium) {
        return std::nullopt;
    }
    DiskGeometry geometry;
    geometry.bytesPerSector = kSectorSize;
    if (medium->drive->kind == DriveKind::Floppy) {
        geometry.sectorsPerCluster = 1;
        geometry.totalClusters = static_cast<uint32_t>(kFloppyCapacity / kFloppySectorSize);
        geometry.freeClusters = static_cast<uint32_t>(FloppyFreeBytes(*medium) / kFloppySectorSize);
        return geometry;
    }
    struct statvfs vfs {};
    if (!StatFileSystem(*medium, path, &vfs, error)) {
        return std::nullopt;
    }
    geometry.sectorsPerCluster = std::max<uint32_t>(1, static_cast<uint32_t>(vfs.f_frsize / kSectorSize));
    geometry.freeClusters = static_cast<uint32_t>(std::min<uint64_t>(vfs.f_bavail, UINT32_MAX));
    geometry.totalClusters = static_cast<uint32_t>(std::min<uint64_t>(vfs.f_blocks, UINT32_MAX));
    return geometry;
}

}  // namespace ruvu::platform
