// Obtaining the next volume of a spanned set being written: the disk is asked for, judged by what is
// actually on it (an earlier volume of this very set is never used, let alone wiped), wiped or
// formatted and labelled when asked to, checked for room before anything on it is replaced, and its
// volume file created.
#include <algorithm>

#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/Messages.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Interaction.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

// The end record numbers disks with 16 bits.
constexpr int32_t kLastDiskNumber = 0xFFFE;
// Room taken for a drive whose free space cannot be read: writes end with a full disk instead.
constexpr int64_t kUnknownRoom = INT64_C(1) << 40;

int64_t RoundUp(int64_t value, int64_t unit) {
    return unit <= 0 ? value : (value + unit - 1) / unit * unit;
}

}  // namespace

int TDozEngine::AskAboutDisk(int32_t id, std::initializer_list<FormatArg> args, std::string_view caption,
                             uint32_t flags) {
    if (Options.Unattended) {
        // Nobody can answer: the question itself is the reason the writing stops.
        throw EDozErozev(id, args);
    }
    return platform::CurrentInteraction().MessageBox(LoadZipStrFmt(id, args), caption, flags);
}

bool TDozEngine::RetryWithAnotherDisk(int answer) {
    if (answer == 0) {
        throw EDozErozev(msg::MsgBoxNoMemory, true);
    }
    if (answer != platform::IDRETRY) {
        throw EDozErozev(msg::UserCanceled, true);
    }
    VolumeBytesWritten = 0;
    NewDiskRequested = true;
    return true;
}

int32_t TDozEngine::EarlierVolumeInDrive() const {
    for (const WrittenVolume& volume : writtenVolumes_) {
        if (volume.disk >= CurrentDisk) {
            continue;
        }
        const std::optional<uint32_t> age = platform::FileAge(volume.name);
        if (age && *age == SourceDate) {
            const int32_t labelled = SpanLabelNumber(VolumeLabel);
            return labelled > 0 && labelled <= CurrentDisk ? labelled : volume.disk + 1;
        }
    }
    return 0;
}

bool TDozEngine::RefuseEarlierVolume(int32_t number, const std::string& name) {
    DiskStatus = 4;
    TDozErozev& c = Component();
    int answer = platform::IDRETRY;
    if (c.OnStatusDisk && !ShuttingDown) {
        TZipDiskAction action = 0;
        c.OnStatusDisk(&c, number, name, DiskStatus, action);
        DiskAction = action;
        answer = action == 3 ? platform::IDCANCEL : platform::IDRETRY;
    } else {
        if (Options.Unattended) {
            throw EDozErozev(msg::UnattendedSpanning, true);
        }
        // Only the warning line of the question: overwriting is not offered for a disk of this set.
        std::string text = LoadZipStrFmt(msg::PreviousDiskWarning, {number});
        text.resize(std::min(text.size(), text.find('\n')));
        answer = ShowMessageBox(text, platform::MB_RETRYCANCEL | platform::MB_ICONSTOP);
    }
    return RetryWithAnotherDisk(answer);
}

void TDozEngine::PrepareVolumeDisk() {
    VolumeLabel = Options.SpanOptions.Contains(spNoVolumeName) ? "ZipSet_" + std::to_string(CurrentDisk + 1)
                                                               : SpanVolumeLabel(CurrentDisk);
    const int32_t result = PrepareDisk();
    if (result == -1 || result == -2) {
        throw EDozErozev(msg::UserCanceled, true);
    }
    // What the disk holds now: its label and its free space.
    CheckDrive();
}

int64_t TDozEngine::VolumeRoomFor(const std::string& name, bool replacing) {
    ReadFreeSpace(1);
    int64_t free = DiskFreeBytes >= 0 ? DiskFreeBytes : DiskTotalBytes >= 0 ? DiskTotalBytes : kUnknownRoom;
    if (replacing) {
        free += platform::GetFileSize(name).value_or(0);
    }
    if ((CurrentDisk == 0 && Options.KeepFreeOnDisk1 > 0) || Options.KeepFreeOnAllDisks > 0) {
        if (auto geometry = platform::GetDiskFreeSpace(DriveRoot)) {
            const int64_t sector = geometry->bytesPerSector;
            Options.KeepFreeOnDisk1 = static_cast<uint32_t>(
                std::min<int64_t>(RoundUp(Options.KeepFreeOnDisk1, sector), UINT32_MAX));
            Options.KeepFreeOnAllDisks = static_cast<uint32_t>(
                std::min<int64_t>(RoundUp(Options.KeepFreeOnAllDisks, sector), UINT32_MAX));
        }
    }
    // What the volume may take on this disk now, and what it could take on the emptiest disk.
    int64_t room = free - Options.KeepFreeOnAllDisks;
    int64_t capacity =
        !IsFixedDrive && DiskTotalBytes > 0 ? DiskTotalBytes - Options.KeepFreeOnAllDisks : kUnknownRoom;
    if (Options.MaxVolumeSize > 0) {
        room = std::min<int64_t>(room, Options.MaxVolumeSize);
        capacity = std::min<int64_t>(capacity, Options.MaxVolumeSize);
    }
    if (CurrentDisk == 0) {
        room -= Options.KeepFreeOnDisk1;
        capacity -= Options.KeepFreeOnDisk1;
    }
    // A header and the end record never leave their volume, so a volume must hold the one at hand;
    // the minimum asked of a disk is no more than a volume may take.
    const int64_t required = std::max<int64_t>(
        {std::min<int64_t>(Options.MinFreeVolumeSize, capacity), static_cast<int64_t>(pendingKeep_), 1});
    if (required > capacity) {
        EDozErozev error(msg::DiskNotEnoughSpace, true);
        error.AppendMessage(FormatText("\nA volume holds at most %d bytes, %d must stay together",
                                       {std::max<int64_t>(capacity, 0), required}));
        throw error;
    }
    return room >= required ? room : -1;
}

bool TDozEngine::NewVolume() {
    IsFixedDrive = DriveIsFixed(DriveRoot);
    RequestDisk(true);
    DiskAction = 0;
    if (CurrentDisk > kLastDiskNumber) {
        EDozErozev error(msg::DiskNotEnoughSpace, true);
        error.AppendMessage(FormatText("\nA set has at most %d volumes", {kLastDiskNumber + 1}));
        throw error;
    }
    const bool partNames = IsFixedDrive || Options.SpanOptions.Contains(spNoVolumeName);
    std::string name = OutFileName;
    if (partNames) {
        MakePartName(name, false);
    }
    TDozErozev& c = Component();
    const bool handled = c.OnStatusDisk && !ShuttingDown;
    const bool wipe = !IsFixedDrive && Options.SpanOptions.Contains(spWipeFiles);
    if (!IsFixedDrive) {
        // Judged by the label and files actually on the disk, before anything is wiped.
        if (const int32_t earlier = EarlierVolumeInDrive(); earlier > 0) {
            return RefuseEarlierVolume(earlier, name);
        }
        if (wipe && !handled) {
            PrepareVolumeDisk();
        }
    }

    int32_t shown = CurrentDisk + 1;
    if (!partNames) {
        shown = std::max(SpanLabelNumber(VolumeLabel), 1);
    }
    DiskStatus = 0;
    bool exists = platform::FileExists(name);
    if (exists) {
        DiskStatus = 8;
    } else if (!IsFixedDrive) {
        DiskStatus = DiskTotalBytes - DiskFreeBytes == 0 ? 1 : 2;
    }
    int answer = platform::IDYES;
    if (handled) {
        TZipDiskAction action = 0;
        c.OnStatusDisk(&c, shown, name, DiskStatus, action);
        DiskAction = action;
        answer = action == 2 ? platform::IDNO : action == 3 ? platform::IDCANCEL : platform::IDYES;
    } else if (exists) {
        answer = AskAboutDisk(msg::OverwriteExistingFile, {name}, LoadZipStr(msg::ConfirmCaption),
                              platform::MB_YESNOCANCEL | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
    }
    // On a hard disk there is no other disk to ask for: not using this one ends the writing.
    if (answer == 0 || answer == platform::IDCANCEL || (answer == platform::IDNO && IsFixedDrive)) {
        throw EDozErozev(msg::UserCanceled, true);
    }
    if (answer == platform::IDNO) {
        return RetryWithAnotherDisk(platform::IDRETRY);
    }
    if (handled && DiskAction == 1 && wipe) {
        PrepareVolumeDisk();
        exists = platform::FileExists(name);
    }

    const int64_t room = VolumeRoomFor(name, exists);
    if (room < 0) {
        TZipDiskAction action = 0;
        int retry = platform::IDRETRY;
        if (handled) {
            c.OnStatusDisk(&c, shown, name, 16, action);
            DiskAction = action;
            retry = action == 3 ? platform::IDCANCEL : platform::IDRETRY;
        } else {
            retry = AskAboutDisk(msg::DiskNotEnoughSpace, {}, c.ApplicationTitle(),
                                 platform::MB_RETRYCANCEL | platform::MB_ICONSTOP);
        }
        return RetryWithAnotherDisk(retry);
    }

    if (!IsFixedDrive) {
        // The folder named for the set may have gone with a wipe, or be missing on a new disk.
        platform::ForceDirectories(platform::ExtractFilePath(name));
    }
    OutHandle = platform::File::Open(name, platform::Access::Write, platform::Share::Exclusive,
                                     platform::Disposition::CreateAlways);
    if (!OutHandle.IsOpen()) {
        return RetryWithAnotherDisk(AskAboutDisk(msg::OutputCreateError, {}, c.ApplicationTitle(),
                                                 platform::MB_RETRYCANCEL | platform::MB_ICONSTOP));
    }
    volumeName_ = name;
    if (IsFixedDrive) {
        createdParts_.push_back(name);
    }
    VolumeRoom = room;
    VolumeBytesWritten = 0;
    if (!partNames) {
        VolumeLabel = SpanVolumeLabel(CurrentDisk);
        if (!platform::SetVolumeLabel(DriveRoot, VolumeLabel)) {
            OutHandle.Close();
            platform::DeleteFile(name);
            throw EDozErozev(msg::VolumeLabelError, true);
        }
    }
    return false;
}

}  // namespace ruvu
