// Changing disks and parts of a spanned set: the prompt for a disk, opening another part, telling
// whether the right disk is in the drive, and the names of the parts.
#include <algorithm>

#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/Messages.h"
#include "platform/FileSystem.h"
#include "platform/Interaction.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

constexpr std::string_view kLabelPrefix = "PKBACK# ";

}  // namespace

std::string SpanVolumeLabel(int32_t disk) {
    return FormatText("PKBACK# %.3d", {disk + 1});
}

int32_t SpanLabelNumber(std::string_view label) {
    if (!label.starts_with(kLabelPrefix)) {
        return 0;
    }
    const std::string_view digits = label.substr(kLabelPrefix.size(), 3);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    int32_t number = 0;
    for (char c : digits) {
        number = number * 10 + (c - '0');
    }
    return number;
}

void TDozEngine::RequestDisk(bool writing) {
    IsFixedDrive = DriveIsFixed(DriveRoot);
    if (IsFixedDrive) {
        NewDiskRequested = false;
        if (Cancel != 0) {
            throw EDozErozev(msg::UserCanceled, true);
        }
        return;
    }
    ReportProgress(pkTick, 0, 0, {});
    int answer = platform::IDOK;
    uint32_t style = platform::MB_OKCANCEL;
    TDozErozev& c = Component();
    for (;;) {
        if (!NewDiskRequested && (answer != platform::IDOK || CheckDrive())) {
            break;
        }
        if (Options.Unattended) {
            throw EDozErozev(msg::UnattendedSpanning, true);
        }
        std::string prompt;
        if (CurrentDisk < 0) {
            prompt = LoadZipStr(msg::InsertLastDisk);
            style |= platform::MB_ICONSTOP;
        } else if (writing) {
            int64_t capacity = DiskTotalBytes - int64_t{Options.KeepFreeOnAllDisks};
            if (Options.MaxVolumeSize != 0 && Options.MaxVolumeSize < capacity) {
                capacity = Options.MaxVolumeSize;
            }
            LastDiskNumber = CurrentDisk;
            if (capacity > 0) {
                const int64_t estimate =
                    (static_cast<int64_t>(ArchiveSize) + 4 + int64_t{Options.KeepFreeOnDisk1}) / capacity;
                LastDiskNumber = static_cast<int32_t>(std::max<int64_t>(LastDiskNumber, estimate));
                prompt = LoadZipStrFmt(msg::InsertDiskOf, {CurrentDisk + 1, LastDiskNumber + 1});
            } else {
                prompt = LoadZipStrFmt(msg::InsertDisk, {CurrentDisk + 1});
            }
        } else {
            prompt = LoadZipStrFmt(msg::InsertDiskOf, {CurrentDisk + 1, LastDiskNumber + 1});
        }
        prompt += LoadZipStrFmt(msg::InDrive, {DriveRoot});
        // Once a first disk was refused, the one in the drive is not simply taken again.
        if (writing && CurrentDisk == 0 && !firstDiskRefused_ && CheckDrive()) {
            NewDiskRequested = false;
            continue;
        }
        if (c.OnGetNextDisk && !ShuttingDown) {
            bool abort = false;
            c.OnGetNextDisk(&c, CurrentDisk + 1, LastDiskNumber + 1, DriveRoot.substr(0, 1), abort);
            answer = abort ? platform::IDABORT : platform::IDOK;
        } else {
            answer = ShowMessageBox(prompt, style);
        }
        NewDiskRequested = false;
    }
    if (answer == 0) {
        throw EDozErozev(msg::MsgBoxNoMemory, true);
    }
    if (answer != platform::IDOK) {
        throw EDozErozev(msg::UserCanceled, true);
    }
}

void TDozEngine::GetNewDisk(int32_t disk) {
    WorkHandle.Close();
    CurrentDisk = disk;
    for (;;) {
        NewDiskRequested = true;
        WorkHandle.Close();
        RequestDisk(false);
        if (!IsExpectedDisk()) {
            continue;
        }
        if (Options.Verbose) {
            ReportProgress(pkMessage, 0, 0, LoadZipStrFmt(msg::TraceGetNewDisk, {WorkFileName}));
        }
        WorkHandle = platform::File::Open(WorkFileName, platform::Access::Read, platform::Share::DenyWrite);
        if (WorkHandle.IsOpen()) {
            return;
        }
        if (IsFixedDrive) {
            throw EDozErozev(msg::InputFileMissing, true);
        }
        ShowZipMessage(msg::InputFileMissing);
    }
}

bool TDozEngine::IsExpectedDisk() {
    if (!IsFixedDrive && VolumeLabel == SpanVolumeLabel(CurrentDisk) && platform::FileExists(WorkFileName)) {
        return true;
    }
    // The part name replaces WorkFileName only when it is taken: a wrong disk in the drive must not
    // spoil the name asked for on the next one.
    std::string partName = WorkFileName;
    MakePartName(partName, true);
    if (!IsFixedDrive && !platform::FileExists(partName)) {
        return false;
    }
    WorkFileName = partName;
    return true;
}

void TDozEngine::MakePartName(std::string& fileName, bool numbered) const {
    const std::string ext = platform::ExtractFileExt(fileName);
    if (Options.SpanOptions.Contains(spCompatName)) {
        // While a set is written the last disk is not known yet; its part gets ".zip" at the end.
        const bool last = CurrentDisk == LastDiskNumber && !writingVolumes_;
        fileName = platform::ChangeFileExt(
            fileName, last ? std::string(".zip") : FormatText(".z%.2d", {CurrentDisk + 1}));
        return;
    }
    std::string stem = fileName.substr(0, fileName.size() - ext.size());
    if (numbered) {
        const size_t nameLength = platform::ExtractFileName(stem).size();
        stem.resize(stem.size() - std::min<size_t>(3, nameLength));
    }
    fileName = stem + FormatText("%.3d", {CurrentDisk + 1}) + ext;
}

}  // namespace ruvu
