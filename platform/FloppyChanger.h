// The virtual floppy changer: a host folder standing for a drive with exchangeable disks of
// 1457664 bytes. Layout of the folder:
//   disks/NAME/    the files of disk NAME
//   labels/NAME    the volume label of disk NAME (one line; missing: no label)
//   inserted       the name of the disk in the drive (missing or empty: no disk, the drive is not
//                  ready; a name without a disks/NAME folder: an unformatted disk)
// Free space is 1457664 minus the bytes of the files on the disk, in 512-byte sectors; a write that
// would pass the capacity fails with HostError::DiskFull after writing what fits.
// This class is how tests and demonstrations handle the folder; the drive services of Drives.h read
// the same files, so a disk inserted here is seen at once by every process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ruvu::platform {

inline constexpr uint64_t kFloppyCapacity = 1457664;
inline constexpr uint32_t kFloppySectorSize = 512;

class FloppyChanger {
  public:
    // The changer kept in hostFolder (created with its subfolders when missing).
    explicit FloppyChanger(std::string hostFolder);

    // Creates an empty formatted disk (its folder) with an optional label.
    void CreateDisk(std::string_view name, std::string_view label = {});
    // Puts a disk into the drive (it need not exist: then it is unformatted).
    void Insert(std::string_view name);
    void Eject();
    // Name of the inserted disk; nullopt when the drive is empty.
    std::optional<std::string> Inserted() const;
    // Host folder of a disk's files.
    std::string DiskFolder(std::string_view name) const;
    std::string Label(std::string_view name) const;
    void SetLabel(std::string_view name, std::string_view label);
    // Bytes used by the files of a disk.
    uint64_t UsedBytes(std::string_view name) const;

    const std::string& HostFolder() const { return hostFolder_; }

  private:
    std::string hostFolder_;
};

}  // namespace ruvu::platform
