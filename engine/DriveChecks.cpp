// The drive of the open archive: its type, whether a usable disk is in it, its label and its space.
#include "engine/DozEngine.h"
#include "engine/Messages.h"
#include "platform/Drives.h"
#include "platform/WinPath.h"

namespace ruvu {

bool TDozEngine::DriveIsFixed(std::string_view root) const {
    const uint32_t type = platform::GetDriveType(root);
    return type == platform::DRIVE_FIXED || type == platform::DRIVE_REMOTE || type == platform::DRIVE_RAMDISK;
}

void TDozEngine::SetDriveOf(std::string_view fileName) {
    // A drive part is kept as written, so that a bad one ("1:") is named in the drive check's message.
    const bool hasDrive = fileName.size() >= 2 && fileName[1] == ':';
    DriveRoot = (hasDrive ? std::string(fileName.substr(0, 2))
                          : platform::ExtractFileDrive(platform::ExpandFileName(fileName))) +
                "\\";
    IsFixedDrive = DriveIsFixed(DriveRoot);
}

bool TDozEngine::CheckDrive() {
    DiskTotalBytes = 0;
    VolumeLabel.clear();
    const char letter = DriveRoot.empty() ? '\\' : platform::UpperCaseAscii(DriveRoot.substr(0, 1))[0];
    const bool networkRoot = letter == '\\';
    if (!networkRoot) {
        if (letter < 'A' || letter > 'Z') {
            throw EDozErozev(msg::InvalidDrive, DriveArg{DriveRoot});
        }
        if ((platform::GetLogicalDrives() & (1u << (letter - 'A'))) == 0) {
            throw EDozErozev(msg::DriveNotDefined, DriveArg{DriveRoot});
        }
    }
    if (!IsFixedDrive) {
        platform::HostError error = platform::HostError::None;
        auto volume = platform::GetVolumeInformation(DriveRoot, &error);
        if (!volume) {
            // An unformatted disk is usable when it is going to be formatted anyway.
            return error == platform::HostError::GenFailure && Options.AddOptions.Contains(AddDiskSpanErase);
        }
        VolumeLabel = volume->label;
    }
    ReadFreeSpace(3);
    return networkRoot || DiskTotalBytes != -1;
}

void TDozEngine::ReadFreeSpace(int selection) {
    int64_t freeBytes = -1;
    int64_t totalBytes = -1;
    if (auto space = platform::GetDiskFreeSpaceEx(DriveRoot)) {
        freeBytes = static_cast<int64_t>(space->freeBytesAvailable);
        totalBytes = static_cast<int64_t>(space->totalBytes);
    }
    if (freeBytes == -1) {
        if (auto geometry = platform::GetDiskFreeSpace(DriveRoot)) {
            const int64_t cluster = int64_t{geometry->bytesPerSector} * geometry->sectorsPerCluster;
            freeBytes = cluster * geometry->freeClusters;
            totalBytes = cluster * geometry->totalClusters;
        }
    }
    if (selection & 1) {
        DiskFreeBytes = freeBytes;
    }
    if (selection & 2) {
        DiskTotalBytes = totalBytes;
    }
}

}  // namespace ruvu
