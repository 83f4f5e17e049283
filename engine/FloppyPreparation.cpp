// Preparing a floppy before a volume of a spanned set is written on it: formatting it where the host
// can, otherwise wiping its files after the user confirmed, and writing its label.
#include "engine/DozEngine.h"
#include "engine/Messages.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/FindFiles.h"
#include "platform/Interaction.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

// Folders deeper than this are left alone rather than followed without end.
constexpr int kMaxEraseDepth = 32;
constexpr size_t kMaxLabelLength = 11;

// Whether the entry at hostEntry is the kept file or a folder holding it.
bool HoldsKept(const std::string& hostEntry, const std::string& hostKept) {
    return !hostKept.empty() &&
           (hostKept == hostEntry || (hostKept.size() > hostEntry.size() && hostKept.starts_with(hostEntry) &&
                                      hostKept[hostEntry.size()] == '/'));
}

void EraseBelow(TDozEngine& engine, const std::string& folder, const std::string& hostKept, int depth) {
    const bool trace = engine.Options.Trace;
    for (const platform::FindEntry& entry : platform::FindFiles(folder + "*.*", platform::faAnyFile)) {
        const std::string path = folder + entry.name;
        const std::optional<std::string> host = platform::ResolveHostPath(path);
        if (!host || HoldsKept(*host, hostKept)) {
            continue;
        }
        const bool link = (entry.attributes & platform::faSymLink) != 0;
        if ((entry.attributes & platform::faDirectory) != 0 && !link) {
            if (depth >= kMaxEraseDepth) {
                continue;
            }
            EraseBelow(engine, path + "\\", hostKept, depth + 1);
            if (trace) {
                engine.ReportProgress(pkMessage, 0, 0, LoadZipStrFmt(msg::EraseFloppyRemoving, {path}));
            } else {
                engine.ReportProgress(pkTick, 0, 0, {});
            }
            platform::RemoveDirectory(path);
        } else {
            if (trace) {
                engine.ReportProgress(pkMessage, 0, 0, LoadZipStrFmt(msg::EraseFloppyDeleting, {path}));
            }
            // A link goes, never what it points to.
            platform::DeleteFile(path);
        }
    }
}

}  // namespace

void TDozEngine::EraseFloppy(const std::string& folder) {
    if (platform::GetDriveType(folder) != platform::DRIVE_REMOVABLE) {
        return;
    }
    // The archive being copied onto the disks may itself lie on this one.
    const std::string hostKept =
        WorkFileName.empty() ? std::string() : platform::ResolveHostPath(WorkFileName).value_or("");
    EraseBelow(*this, platform::IncludeTrailingBackslash(folder), hostKept, 0);
}

int32_t TDozEngine::FormatFloppy(const std::string& root) {
    if (root.size() < 2 || root[1] != ':') {
        return -3;
    }
    const char letter = platform::UpperCaseAscii(root.substr(0, 1))[0];
    if (letter < 'A' || letter > 'Z' || platform::GetDriveType(root) != platform::DRIVE_REMOVABLE) {
        return -3;
    }
    platform::HostError error = platform::HostError::None;
    if (platform::FormatVolume(root, &error)) {
        return 0;
    }
    // No format service for this medium: nothing was attempted.
    return error == platform::HostError::AccessDenied ? -3 : -1;
}

int32_t TDozEngine::PrepareDisk() {
    int32_t result = -3;
    if (!IsFixedDrive) {
        // An unformatted disk is formatted whenever it is prepared: the drive check let it through
        // for just that.
        platform::HostError error = platform::HostError::None;
        const bool unformatted =
            !platform::GetVolumeInformation(DriveRoot, &error) && error == platform::HostError::GenFailure;
        if (Options.SpanOptions.Contains(spTryFormat) || unformatted) {
            result = FormatFloppy(DriveRoot);
        }
    }
    if (result == -3) {
        if (Options.ConfirmErase) {
            // Unattended, nobody confirms: nothing is wiped.
            const int answer =
                Options.Unattended
                    ? platform::IDNO
                    : platform::CurrentInteraction().MessageBox(
                          LoadZipStrFmt(msg::EraseDrive, {DriveRoot}), LoadZipStr(msg::ConfirmCaption),
                          platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
            if (answer != platform::IDYES) {
                return -3;
            }
        }
        EraseFloppy(DriveRoot);
        result = 0;
    }
    std::string label = VolumeLabel;
    if (label.size() > kMaxLabelLength) {
        label.resize(kMaxLabelLength);
    }
    if (result == 0 && !Options.SpanOptions.Contains(spNoVolumeName)) {
        platform::SetVolumeLabel(DriveRoot, label);
    }
    return result;
}

}  // namespace ruvu
