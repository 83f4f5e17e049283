// Reading a virtual floppy changer's folder (not part of the host layer's interface).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ruvu::platform::detail {

// A disk name is one plain folder name: no separators, not "." or "..".
bool IsValidDiskName(std::string_view name);
// Name of the disk in the drive (first line of "inserted"); nullopt for an empty drive.
std::optional<std::string> InsertedDiskName(const std::string& changerFolder);
std::string DiskFolderPath(const std::string& changerFolder, std::string_view name);
std::string LabelFilePath(const std::string& changerFolder, std::string_view name);
// The label of a disk: first line of its label file, empty when there is none.
std::string ReadDiskLabel(const std::string& changerFolder, std::string_view name);

}  // namespace ruvu::platform::detail
