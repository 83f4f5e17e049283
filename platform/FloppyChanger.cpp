#include "platform/FloppyChanger.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/FloppyMedia.h"
#include "platform/HostPaths.h"

namespace ruvu::platform {

namespace detail {

bool IsValidDiskName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos && name.size() <= kMaxNameBytes;
}

std::optional<std::string> InsertedDiskName(const std::string& changerFolder) {
    std::optional<std::string> name = ReadFirstLine(JoinHostPath(changerFolder, "inserted"));
    if (!name || name->empty()) {
        return std::nullopt;
    }
    return name;
}

std::string DiskFolderPath(const std::string& changerFolder, std::string_view name) {
    return JoinHostPath(JoinHostPath(changerFolder, "disks"), name);
}

std::string LabelFilePath(const std::string& changerFolder, std::string_view name) {
    return JoinHostPath(JoinHostPath(changerFolder, "labels"), name);
}

std::string ReadDiskLabel(const std::string& changerFolder, std::string_view name) {
    return ReadFirstLine(LabelFilePath(changerFolder, name)).value_or("");
}

}  // namespace detail

namespace {

void RequireDiskName(std::string_view name) {
    if (!detail::IsValidDiskName(name)) {
        throw std::invalid_argument("floppy changer: invalid disk name \"" + std::string(name) + "\"");
    }
}

void MakeFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) {
        throw std::system_error(ec, "floppy changer: cannot create " + path);
    }
}

void WriteOrThrow(const std::string& path, std::string_view content) {
    HostError error = HostError::None;
    if (!detail::WriteFileAtomically(path, content, &error)) {
        throw std::runtime_error("floppy changer: cannot write " + path + ": " + HostErrorText(error));
    }
}

}  // namespace

FloppyChanger::FloppyChanger(std::string hostFolder) : hostFolder_(detail::NormalizeHostPath(hostFolder)) {
    MakeFolder(detail::JoinHostPath(hostFolder_, "disks"));
    MakeFolder(detail::JoinHostPath(hostFolder_, "labels"));
}

void FloppyChanger::CreateDisk(std::string_view name, std::string_view label) {
    RequireDiskName(name);
    MakeFolder(DiskFolder(name));
    if (!label.empty()) {
        SetLabel(name, label);
    }
}

void FloppyChanger::Insert(std::string_view name) {
    RequireDiskName(name);
    WriteOrThrow(detail::JoinHostPath(hostFolder_, "inserted"), std::string(name) + "\n");
}

void FloppyChanger::Eject() {
    std::string path = detail::JoinHostPath(hostFolder_, "inserted");
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        throw std::system_error(errno, std::generic_category(), "floppy changer: cannot remove " + path);
    }
}

std::optional<std::string> FloppyChanger::Inserted() const {
    return detail::InsertedDiskName(hostFolder_);
}

std::string FloppyChanger::DiskFolder(std::string_view name) const {
    RequireDiskName(name);
    return detail::DiskFolderPath(hostFolder_, name);
}

std::string FloppyChanger::Label(std::string_view name) const {
    RequireDiskName(name);
    return detail::ReadDiskLabel(hostFolder_, name);
}

void FloppyChanger::SetLabel(std::string_view name, std::string_view label) {
    RequireDiskName(name);
    std::string path = detail::LabelFilePath(hostFolder_, name);
    if (label.empty()) {
        if (unlink(path.c_str()) != 0 && errno != ENOENT) {
            throw std::system_error(errno, std::generic_category(), "floppy changer: cannot remove " + path);
        }
        return;
    }
    WriteOrThrow(path, std::string(label) + "\n");
}

uint64_t FloppyChanger::UsedBytes(std::string_view name) const {
    return detail::FolderBytes(DiskFolder(name));
}

}  // namespace ruvu::platform
