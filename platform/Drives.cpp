// Windows paths onto host folders: expansion, case-insensitive resolution, the current directory.
#include "platform/Drives.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/DriveState.h"
#include "platform/FloppyMedia.h"
#include "platform/HostPaths.h"
#include "platform/WinPath.h"

namespace ruvu::platform {

namespace detail {

namespace {

bool IsDriveSpec(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

char UpperLetter(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsDriveLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

const DriveMapping* FindDriveIn(const DriveState& state, char letter) {
    for (const DriveMapping& drive : state.map) {
        if (drive.letter == UpperLetter(letter)) {
            return &drive;
        }
    }
    return nullptr;
}

// "\A\B" for a host path below a medium folder ("\" for the folder itself).
std::string WindowsFolderBelow(const std::string& medium, const std::string& hostPath) {
    std::string_view rest(hostPath);
    rest.remove_prefix(medium == "/" ? 0 : medium.size());
    return rest.empty() ? std::string("\\") : SlashesToBackslashes(rest);
}

std::string DriveFolder(const DriveState& state, char letter) {
    return std::string{letter, ':'} + state.folders[letter - 'A'];
}

std::optional<std::string> HostToWindows(const DriveState& state, std::string_view hostPath) {
    std::string absolute;
    if (!hostPath.empty() && hostPath.front() == '/') {
        absolute = NormalizeHostPath(hostPath);
    } else {
        std::optional<std::string> cwd = WorkingDirectory();
        if (!cwd) {
            return std::nullopt;
        }
        absolute = NormalizeHostPath(JoinHostPath(*cwd, hostPath));
    }
    std::optional<std::string> canonicalPath;
    bool canonicalTried = false;
    char bestLetter = 0;
    size_t bestLength = 0;
    std::string bestFolder;
    for (const DriveMapping& drive : state.map) {
        HostError ignored;
        std::optional<std::string> medium = MediumFolder(drive, &ignored);
        if (!medium) {
            continue;
        }
        // A plain prefix first; then the physical paths, for folders reached through links.
        if (IsInsideFolder(absolute, *medium)) {
            if (bestLetter == 0 || medium->size() > bestLength) {
                bestLetter = drive.letter;
                bestLength = medium->size();
                bestFolder = WindowsFolderBelow(*medium, absolute);
            }
            continue;
        }
        if (!canonicalTried) {
            canonicalPath = CanonicalHostPath(absolute);
            canonicalTried = true;
        }
        std::optional<std::string> canonicalMedium = CanonicalHostPath(*medium);
        if (canonicalPath && canonicalMedium && IsInsideFolder(*canonicalPath, *canonicalMedium) &&
            (bestLetter == 0 || canonicalMedium->size() > bestLength)) {
            bestLetter = drive.letter;
            bestLength = canonicalMedium->size();
            bestFolder = WindowsFolderBelow(*canonicalMedium, *canonicalPath);
        }
    }
    if (bestLetter == 0) {
        return std::nullopt;
    }
    return std::string{bestLetter, ':'} + bestFolder;
}

// Takes over a working directory changed behind the host layer's back.
void SyncWithWorkingDirectory(DriveState& state) {
    std::optional<std::string> cwd = WorkingDirectory();
    if (!cwd || state.seenWorkingDirectory == *cwd) {
        return;
    }
    state.seenWorkingDirectory = *cwd;
    if (std::optional<std::string> windowsPath = HostToWindows(state, state.seenWorkingDirectory)) {
        state.current = (*windowsPath)[0];
        state.folders[state.current - 'A'] = windowsPath->substr(2);
    }
}

std::string Expand(DriveState& state, std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos) {
        return {};
    }
    SyncWithWorkingDirectory(state);
    char letter = state.current;
    std::string_view rest = path;
    if (IsDriveSpec(path)) {
        letter = UpperLetter(path[0]);
        rest.remove_prefix(2);
    }
    std::vector<std::string_view> parts;
    if (!rest.empty() && IsPathSeparator(rest.front())) {
        // "\\server\share" and "C:\\X" alike: no network paths, no empty names.
        if (rest.size() > 1 && IsPathSeparator(rest[1])) {
            return {};
        }
        rest.remove_prefix(1);
    } else {
        std::string_view folder = state.folders[letter - 'A'];
        size_t start = 1;
        while (start < folder.size()) {
            size_t end = folder.find('\\', start);
            end = end == std::string_view::npos ? folder.size() : end;
            parts.push_back(folder.substr(start, end - start));
            start = end + 1;
        }
    }
    bool trailing = false;
    size_t start = 0;
    for (size_t i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && !IsPathSeparator(rest[i])) {
            continue;
        }
        std::string_view part = rest.substr(start, i - start);
        start = i + 1;
        if (part.empty()) {
            if (i < rest.size()) {
                return {};  // a doubled separator
            }
            trailing = i > 0;
        } else if (part.find(':') != std::string_view::npos) {
            return {};  // a colon is only allowed after a drive letter
        } else if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (part != ".") {
            parts.push_back(part);
        }
    }
    std::string result{letter, ':', '\\'};
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            result += '\\';
        }
        result += parts[i];
    }
    if (trailing && !parts.empty()) {
        result += '\\';
    }
    return result;
}

std::optional<ResolvedPath> ResolveIn(DriveState& state, std::string_view path, HostError* error) {
    ResolvedPath resolved;
    resolved.windowsPath = Expand(state, path);
    if (resolved.windowsPath.empty()) {
        SetError(error, HostError::InvalidName);
        return std::nullopt;
    }
    std::vector<std::string_view> parts;
    std::string_view rest = std::string_view(resolved.windowsPath).substr(3);
    while (!rest.empty()) {
        size_t end = rest.find('\\');
        std::string_view part = rest.substr(0, end);
        if (part.size() > kMaxNameBytes) {
            SetError(error, HostError::FilenameTooLong);
            return std::nullopt;
        }
        parts.push_back(part);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    resolved.drive = FindDriveIn(state, resolved.windowsPath[0]);
    if (resolved.drive == nullptr) {
        SetError(error, HostError::PathNotFound);
        return std::nullopt;
    }
    std::optional<std::string> medium = MediumFolder(*resolved.drive, error);
    if (!medium) {
        return std::nullopt;
    }
    resolved.medium = *medium;
    std::string host = resolved.medium;
    bool existing = true;
    for (std::string_view part : parts) {
        std::optional<std::string> found = existing ? FindNameIgnoringCase(host, part) : std::nullopt;
        existing = found.has_value();
        host = JoinHostPath(host, existing ? std::string_view(*found) : part);
    }
    if (host.size() >= PATH_MAX) {
        SetError(error, HostError::FilenameTooLong);
        return std::nullopt;
    }
    // ".." cannot climb out (Expand clamps it); a symbolic link still could.
    std::optional<std::string> canonicalMedium = CanonicalHostPath(resolved.medium);
    if (!canonicalMedium) {
        SetError(error, HostError::AccessDenied);
        return std::nullopt;
    }
    if (*canonicalMedium != "/") {
        std::optional<std::string> canonicalHost = CanonicalHostPath(host);
        if (!canonicalHost || !IsInsideFolder(*canonicalHost, *canonicalMedium)) {
            SetError(error, HostError::AccessDenied);
            return std::nullopt;
        }
    }
    resolved.hostPath = std::move(host);
    SetError(error, HostError::None);
    return resolved;
}

}  // namespace

std::optional<std::string> MediumFolder(const DriveMapping& drive, HostError* error) {
    switch (drive.kind) {
        case DriveKind::Fixed:
            return drive.hostRoot;
        case DriveKind::Removable:
            if (!IsHostFolder(drive.hostRoot)) {
                SetError(error, HostError::NotReady);
                return std::nullopt;
            }
            return drive.hostRoot;
        case DriveKind::Floppy:
            break;
    }
    std::optional<std::string> name = InsertedDiskName(drive.hostRoot);
    if (!name) {
        SetError(error, HostError::NotReady);
        return std::nullopt;
    }
    std::string folder = IsValidDiskName(*name) ? DiskFolderPath(drive.hostRoot, *name) : std::string();
    if (folder.empty() || !IsHostFolder(folder)) {
        SetError(error, HostError::GenFailure);
        return std::nullopt;
    }
    return folder;
}

std::optional<ResolvedPath> Resolve(std::string_view path, HostError* error) {
    std::unique_lock<std::recursive_mutex> lock;
    return ResolveIn(LockedDriveState(lock), path, error);
}

const DriveMapping* DriveOfPath(std::string_view path, HostError* error) {
    std::unique_lock<std::recursive_mutex> lock;
    DriveState& state = LockedDriveState(lock);
    std::string full = path.empty() ? Expand(state, ".") : Expand(state, path);
    if (full.empty()) {
        SetError(error, HostError::InvalidName);
        return nullptr;
    }
    const DriveMapping* drive = FindDriveIn(state, full[0]);
    SetError(error, drive == nullptr ? HostError::PathNotFound : HostError::None);
    return drive;
}

std::string FloppyDiskFolderOf(std::string_view hostPath) {
    std::string path = NormalizeHostPath(hostPath);
    for (const DriveMapping& drive : DriveMap()) {
        if (drive.kind != DriveKind::Floppy) {
            continue;
        }
        std::string disks = JoinHostPath(drive.hostRoot, "disks");
        if (IsInsideFolder(path, disks) && path.size() > disks.size()) {
            size_t end = path.find('/', disks.size() + 1);
            return path.substr(0, end);
        }
    }
    return {};
}

}  // namespace detail

char CurrentDrive() {
    std::unique_lock<std::recursive_mutex> lock;
    detail::DriveState& state = detail::LockedDriveState(lock);
    detail::SyncWithWorkingDirectory(state);
    return state.current;
}

std::string GetCurrentDirectory() {
    std::unique_lock<std::recursive_mutex> lock;
    detail::DriveState& state = detail::LockedDriveState(lock);
    detail::SyncWithWorkingDirectory(state);
    return detail::DriveFolder(state, state.current);
}

std::string GetDriveCurrentDirectory(char letter) {
    std::unique_lock<std::recursive_mutex> lock;
    detail::DriveState& state = detail::LockedDriveState(lock);
    detail::SyncWithWorkingDirectory(state);
    letter = detail::UpperLetter(letter);
    return detail::IsDriveLetter(letter) ? detail::DriveFolder(state, letter) : std::string();
}

bool SetCurrentDirectory(std::string_view path, HostError* error) {
    std::unique_lock<std::recursive_mutex> lock;
    detail::DriveState& state = detail::LockedDriveState(lock);
    std::string target(path);
    if (path.size() == 2 && detail::IsDriveSpec(path)) {
        detail::SyncWithWorkingDirectory(state);
        target = detail::DriveFolder(state, detail::UpperLetter(path[0]));
    }
    std::optional<detail::ResolvedPath> resolved = detail::ResolveIn(state, target, error);
    if (!resolved) {
        return false;
    }
    if (!detail::IsHostFolder(resolved->hostPath)) {
        return detail::SetError(error, HostError::PathNotFound);
    }
    if (chdir(resolved->hostPath.c_str()) != 0) {
        return detail::SetErrno(error, errno);
    }
    char letter = resolved->drive->letter;
    state.current = letter;
    state.folders[letter - 'A'] = detail::WindowsFolderBelow(resolved->medium, resolved->hostPath);
    state.seenWorkingDirectory = detail::WorkingDirectory().value_or("");
    return detail::SetError(error, HostError::None);
}

std::string ExpandFileName(std::string_view path) {
    std::unique_lock<std::recursive_mutex> lock;
    return detail::Expand(detail::LockedDriveState(lock), path);
}

std::optional<std::string> ResolveHostPath(std::string_view path, HostError* error) {
    std::optional<detail::ResolvedPath> resolved = detail::Resolve(path, error);
    return resolved ? std::optional<std::string>(std::move(resolved->hostPath)) : std::nullopt;
}

std::optional<std::string> HostToWindowsPath(std::string_view hostPath) {
    std::unique_lock<std::recursive_mutex> lock;
    return detail::HostToWindows(detail::LockedDriveState(lock), hostPath);
}

}  // namespace ruvu::platform
