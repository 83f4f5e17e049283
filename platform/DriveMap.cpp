// The drive map: parsing RUVUVADU_DRIVES, the drive list and the drive types.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/DriveState.h"
#include "platform/HostPaths.h"
#include "platform/WinPath.h"

namespace ruvu::platform {

namespace detail {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

// Each malformed item is told once per process, however often the map is read again.
void ReportToStandardError(std::string_view item, std::string_view reason) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    if (reported.insert(std::string(item)).second) {
        std::fprintf(stderr, "RUVUVADU_DRIVES: ignoring \"%.*s\": %.*s\n", static_cast<int>(item.size()),
                     item.data(), static_cast<int>(reason.size()), reason.data());
    }
}

void Load(DriveState& state) {
    const char* value = std::getenv("RUVUVADU_DRIVES");
    std::string_view text = value != nullptr ? Trim(value) : std::string_view();
    state.map = text.empty() ? std::vector<DriveMapping>{{'C', DriveKind::Fixed, "/"}}
                             : ParseDriveMap(text, ReportToStandardError);
    state.current = state.map.empty() ? 'C' : state.map.front().letter;
    state.folders.fill("\\");
    state.seenWorkingDirectory.clear();
    state.loaded = true;
}

}  // namespace

std::vector<DriveMapping> ParseDriveMap(std::string_view text,
                                        void (*report)(std::string_view item, std::string_view reason)) {
    std::vector<DriveMapping> map;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(';', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view item = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (item.empty()) {
            continue;
        }
        size_t equals = item.find('=');
        std::string_view letterText = equals == std::string_view::npos ? item : Trim(item.substr(0, equals));
        char letter = letterText.size() == 1 ? UpperCaseAscii(letterText)[0] : '\0';
        if (equals == std::string_view::npos) {
            report(item, "expected LETTER=FOLDER");
            continue;
        }
        if (letter < 'A' || letter > 'Z') {
            report(item, "the drive must be one letter A-Z");
            continue;
        }
        DriveMapping drive;
        drive.letter = letter;
        std::string_view spec = Trim(item.substr(equals + 1));
        if (StartsWithIgnoringCase(spec, "floppy:")) {
            drive.kind = DriveKind::Floppy;
            spec.remove_prefix(7);
        } else if (StartsWithIgnoringCase(spec, "removable:")) {
            drive.kind = DriveKind::Removable;
            spec.remove_prefix(10);
        }
        if (spec.empty() || spec.front() != '/') {
            report(item, "the folder must be an absolute host path (or floppy:/..., removable:/...)");
            continue;
        }
        bool taken = false;
        for (const DriveMapping& other : map) {
            taken = taken || other.letter == letter;
        }
        if (taken) {
            report(item, "the drive is mapped twice");
            continue;
        }
        drive.hostRoot = NormalizeHostPath(spec);
        map.push_back(drive);
    }
    std::sort(map.begin(), map.end(),
              [](const DriveMapping& a, const DriveMapping& b) { return a.letter < b.letter; });
    return map;
}

DriveState& LockedDriveState(std::unique_lock<std::recursive_mutex>& lock) {
    static DriveState state;
    lock = std::unique_lock(state.mutex);
    if (!state.loaded) {
        Load(state);
    }
    return state;
}

}  // namespace detail

const std::vector<DriveMapping>& DriveMap() {
    std::unique_lock<std::recursive_mutex> lock;
    return detail::LockedDriveState(lock).map;
}

void ReloadDriveMap() {
    std::unique_lock<std::recursive_mutex> lock;
    detail::Load(detail::LockedDriveState(lock));
}

const DriveMapping* FindDrive(char letter) {
    char upper = UpperCaseAscii(std::string_view(&letter, 1))[0];
    for (const DriveMapping& drive : DriveMap()) {
        if (drive.letter == upper) {
            return &drive;
        }
    }
    return nullptr;
}

uint32_t GetLogicalDrives() {
    uint32_t mask = 0;
    for (const DriveMapping& drive : DriveMap()) {
        mask |= 1u << (drive.letter - 'A');
    }
    return mask;
}

uint32_t GetDriveType(std::string_view root) {
    const DriveMapping* drive = detail::DriveOfPath(root, nullptr);
    if (drive == nullptr) {
        return DRIVE_NO_ROOT_DIR;
    }
    return drive->kind == DriveKind::Fixed ? DRIVE_FIXED : DRIVE_REMOVABLE;
}

}  // namespace ruvu::platform
