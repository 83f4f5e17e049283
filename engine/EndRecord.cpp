// Finding the end record of an archive, and the file that holds it when the archive is a spanned set.
#include <algorithm>

#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/Messages.h"
#include "platform/FileSystem.h"
#include "platform/FindFiles.h"
#include "platform/WinPath.h"
#include "zipformat/FileSource.h"
#include "zipformat/SpannedSetMarker.h"

namespace ruvu {

namespace {

using platform::UpperCaseAscii;

// A whole number made of decimal digits only; 0 for anything else.
int32_t DigitsValue(std::string_view text) {
    if (text.empty() || text.size() > 9) {
        return 0;
    }
    int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// The last (up to) three characters of the name part before the extension.
std::string_view LastThreeOfStem(std::string_view fileName) {
    std::string_view name = fileName.substr(fileName.find_last_of("\\/:") + 1);
    name = name.substr(0, name.size() - platform::ExtractFileExt(name).size());
    return name.substr(name.size() - std::min<size_t>(3, name.size()));
}

}  // namespace

void TDozEngine::ReadExact(void* buffer, size_t count, int32_t id) {
    if (WorkHandle.ReadFull(buffer, count) != static_cast<int64_t>(count)) {
        throw EDozErozev(id, true);
    }
}

bool TDozEngine::OpenEndRecord(zip::EndOfCentralDir& record, bool showErrors) {
    using platform::SeekOrigin;
    ArchiveComment.clear();
    RawArchiveComment.clear();
    EndRecordOffset = 0;
    bool marker = false;

    WorkHandle = platform::File::Open(WorkFileName, platform::Access::Read, platform::Share::DenyWrite);
    if (!WorkHandle.IsOpen()) {
        ShowZipMessage(msg::ZipOpenError);
        if (showErrors) {
            throw EDozErozev(msg::InputFileMissing, true);
        }
        return false;
    }
    uint8_t head[8];
    if (WorkHandle.ReadFull(head, sizeof head) == static_cast<int64_t>(sizeof head) &&
        zip::StartsSpannedSet(head)) {
        marker = true;
        Spanned = true;
    }

    int64_t size = WorkHandle.Seek(-int64_t{zip::EndOfCentralDir::kSize}, SeekOrigin::End);
    if (size >= 0) {
        size += zip::EndOfCentralDir::kSize;
    }
    if (size < 0) {
        WorkHandle.Close();
        if (Options.Verbose) {
            ReportProgress(pkMessage, 0, 0, "Opening EOC seek/size error");
        }
        if (showErrors) {
            throw EDozErozev(msg::NotValidZip, true);
        }
        return false;
    }
    ArchiveSize = static_cast<uint64_t>(size);
    PhysicalSize = ArchiveSize;

    try {
        zip::FileSource source(WorkHandle);
        zip::EndRecordLocation found;
        const zip::EndRecordSearch search = zip::FindEndRecord(source, ArchiveSize, found);
        if (search == zip::EndRecordSearch::ReadFailed) {
            throw EDozErozev(msg::EocReadError, true);
        }
        if (search == zip::EndRecordSearch::Found) {
            EndRecordOffset = found.Offset;
            record = found.Record;
            RawArchiveComment = std::move(found.Comment);
            if (found.ArchiveEnd != PhysicalSize) {
                ArchiveSize = found.ArchiveEnd;
                // Short padding of blanks and control characters after the archive is tolerated.
                const bool padding = PhysicalSize < ArchiveSize + 512 &&
                                     std::all_of(found.Trailing.begin(), found.Trailing.end(),
                                                 [](char c) { return static_cast<uint8_t>(c) < 0x2F; });
                if (!padding) {
                    ShowZipMessage(msg::ListGarbageWarning);
                }
            }
            return true;
        }
    } catch (const EDozErozev&) {
        if (showErrors) {
            throw;
        }
    }
    WorkHandle.Close();
    if (showErrors) {
        RaiseNoEndRecord(marker);
    }
    return false;
}

void TDozEngine::RaiseNoEndRecord(bool marker) {
    // Which disk or part of a set this file is, from its label or its name.
    int32_t disk = SpanLabelNumber(VolumeLabel);
    const std::string ext = UpperCaseAscii(platform::ExtractFileExt(WorkFileName));
    if (disk <= 0 && ext.starts_with(".Z")) {
        disk = DigitsValue(std::string_view(ext).substr(2));
    }
    if (disk <= 0) {
        disk = DigitsValue(LastThreeOfStem(WorkFileName));
    }
    if (!marker) {
        if (disk > 0) {
            throw EDozErozev(msg::NthDiskOfSet, DiskArg{disk});
        }
        throw EDozErozev(msg::NotValidZip, true);
    }
    throw EDozErozev(disk == 1 ? msg::FirstDiskOfSet : msg::FirstFileOfSet, true);
}

int32_t TDozEngine::LocateLastPart(std::string_view fileName, zip::EndOfCentralDir& record, bool quiet) {
    WorkHandle.Close();
    int32_t part = -1;
    bool derived = false;
    SetDriveOf(fileName);
    CheckDrive();
    const std::string ext = UpperCaseAscii(platform::ExtractFileExt(fileName));
    const std::string base = platform::ChangeFileExt(fileName, "");
    const std::string path = platform::ExtractFilePath(fileName);
    try {
        std::string chosen(fileName);
        if (!platform::FileExists(fileName)) {
            derived = true;
            if (IsFixedDrive) {
                if (ext == ".ZIP") {
                    // Numbered parts on a hard disk: the first part holding an end record is the last.
                    for (int32_t number = 1; number <= 999; ++number) {
                        WorkFileName = base + FormatText("%.3d", {number}) + ".zip";
                        if (!platform::FileExists(WorkFileName)) {
                            part = -1;
                            break;
                        }
                        part = number - 1;
                        const bool found = OpenEndRecord(record, false);
                        WorkHandle.Close();
                        if (found) {
                            if (record.ThisDiskNo != part) {
                                part = -1;
                            }
                            break;
                        }
                        if (number == 999) {
                            part = -1;
                        }
                    }
                    if (part >= 0) {
                        chosen = base + FormatText("%.3d", {part + 1}) + ".zip";
                        if (platform::FileExists(platform::ChangeFileExt(chosen, ".z01"))) {
                            throw EDozErozev(msg::ZipOpenError, true);
                        }
                    }
                }
                if (part < 0) {
                    if (quiet) {
                        return 1;
                    }
                    throw EDozErozev(msg::ZipOpenError, true);
                }
            } else {
                std::string name = FindPartFile(base, false);
                if (name.empty()) {
                    name = FindPartFile(base, true);
                    // The other parts are looked for by the same naming.
                    if (!name.empty()) {
                        Options.SpanOptions.Include(spCompatName);
                    }
                }
                if (name.empty()) {
                    if (quiet) {
                        return 1;
                    }
                    throw EDozErozev(msg::ZipOpenError, true);
                }
                chosen = path + name;
            }
        }
        WorkFileName = chosen;
        TDozErozev& c = Component();
        for (;;) {
            if (OpenEndRecord(record, false)) {
                if (derived && !Spanned && record.ThisDiskNo == 0 && part >= 0) {
                    throw EDozErozev(msg::ZipOpenError, true);
                }
                if (derived && IsFixedDrive && record.ThisDiskNo != part) {
                    throw EDozErozev(msg::NotValidZip, true);
                }
                // A last part named name.zip that does not carry its number (name003.zip) belongs to
                // a set named name.z01, name.z02, ..., as other tools write them.
                if (record.ThisDiskNo != 0 &&
                    UpperCaseAscii(platform::ExtractFileExt(WorkFileName)) == ".ZIP" &&
                    DigitsValue(LastThreeOfStem(WorkFileName)) != record.ThisDiskNo + 1) {
                    Options.SpanOptions.Include(spCompatName);
                }
                return 0;
            }
            WorkHandle.Close();
            RequestDisk(false);
            if (IsFixedDrive) {
                if (derived) {
                    throw EDozErozev(msg::ZipOpenError, true);
                }
                // Opened again to say why the file has no end record: too large, the first or another
                // part of a set, or no archive at all.
                if (OpenEndRecord(record, true)) {
                    return 0;
                }
                throw EDozErozev(msg::NotValidZip, true);
            }
            if (c.OnGetNextDisk && !ShuttingDown) {
                bool abort = false;
                c.OnGetNextDisk(&c, 0, 0, DriveRoot.substr(0, 1), abort);
                if (abort) {
                    WorkHandle.Close();
                    return 1;
                }
                CheckDrive();
            } else {
                NewDiskRequested = true;
                CurrentDisk = -1;
                RequestDisk(false);
            }
            if (derived) {
                const std::string name = FindPartFile(base, Options.SpanOptions.Contains(spCompatName));
                if (name.empty()) {
                    ShowZipMessage(msg::ZipOpenError);
                    return -1;
                }
                WorkFileName = path + name;
            }
        }
    } catch (const EDozErozev& error) {
        // Reported also when quiet: quiet only keeps a missing archive silent (result 1), and a
        // failure passed over in silence would read as an empty archive.
        ShowExceptionError(error);
        WorkFileName.clear();
        WorkHandle.Close();
        return -1;
    }
}

std::string TDozEngine::FindPartFile(std::string_view base, bool compatibleNames) const {
    const std::string pattern = std::string(base) + (compatibleNames ? ".z??*" : "???.zip");
    for (const platform::FindEntry& entry : platform::FindFiles(pattern, platform::faAnyFile)) {
        int32_t number = 0;
        if (compatibleNames) {
            const std::string ext = UpperCaseAscii(platform::ExtractFileExt(entry.name));
            const std::string_view digits = std::string_view(ext).substr(std::min<size_t>(2, ext.size()));
            number = digits == "IP" ? 99999 : DigitsValue(digits);
        } else {
            number = DigitsValue(LastThreeOfStem(entry.name));
        }
        if (number > 0) {
            return entry.name;
        }
    }
    return {};
}

}  // namespace ruvu
