#include "libs/dizode/JobOptions.h"

#include <algorithm>

#include "libs/common/ParamText.h"
#include "libs/common/PathTools.h"
#include "platform/DosTime.h"
#include "platform/Drives.h"
#include "platform/Handles.h"
#include "platform/WinPath.h"

namespace ruvu::dizode {

using libcommon::HandleText;

namespace {

std::string Trim(std::string text) {
    const auto notBlank = [](char c) { return c != ' ' && c != '\t'; };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notBlank));
    text.erase(std::find_if(text.rbegin(), text.rend(), notBlank).base(), text.end());
    return text;
}

std::vector<std::string> SplitSuffixes(const std::string& list) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(":;", start);
        if (end == std::string::npos) {
            end = list.size();
        }
        std::string item = Trim(list.substr(start, end - start));
        if (!item.empty()) {
            if (item.front() != '.') {
                item.insert(item.begin(), '.');
            }
            out.push_back(platform::LowerCaseAscii(item));
        }
        start = end + 1;
    }
    return out;
}

int Digits2(const char* p) {
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') {
        return -1;
    }
    return (p[0] - '0') * 10 + (p[1] - '0');
}

}  // namespace

std::optional<uint32_t> ParseFilterDate(const char (&text)[8]) {
    const int month = Digits2(text);
    const int day = Digits2(text + 3);
    const int yy = Digits2(text + 6);
    if (month < 1 || month > 12 || day < 1 || day > 31 || yy < 0) {
        return std::nullopt;
    }
    platform::DosDateTimeParts parts;
    parts.year = yy < 80 ? 2000 + yy : 1900 + yy;
    parts.year = std::max(parts.year, 1980);
    parts.month = month;
    parts.day = day;
    return platform::EncodeDosDateTime(parts);
}

std::optional<JobOptions> ReadJobOptions(const abi::ZipParams& p, std::string& error) {
    JobOptions o;
    auto archivePath = libcommon::ArchivePath(p.ZipFileNameText, error);
    if (!archivePath) {
        return std::nullopt;
    }
    o.archivePath = std::move(*archivePath);
    const std::string root = HandleText(p.RootDirText);
    if (!root.empty()) {
        o.rootDir = platform::ExpandFileName(root);
    }
    o.password = HandleText(p.PasswordText).substr(0, 81);
    o.newArchiveComment = HandleText(p.ArchiveCommentText);
    o.storeSuffixes = SplitSuffixes(HandleText(p.StoreSuffixList));

    o.trace = p.TraceFlag != 0;
    o.verbose = p.VerboseFlag != 0 || o.trace;
    o.encrypt = p.EncryptFlag != 0;
    o.systemFiles = p.SystemFilesFlag != 0;
    o.volumeLabel = p.VolumeLabelFlag != 0;
    o.noDirEntries = p.NoDirEntriesFlag != 0;
    o.junkDirs = p.JunkDirsFlag != 0;
    o.forceDos = p.ForceDosFlag != 0;
    o.move = p.MoveFlag != 0;
    o.deleteMode = p.DeleteFlag != 0;
    o.update = p.UpdateFlag != 0;
    o.freshen = p.FreshenFlag != 0 && !o.update;
    o.latestTime = p.LatestTimeFlag != 0;
    o.archiveOnly = p.ArchiveOnlyFlag != 0;
    o.resetArchive = p.ResetArchiveFlag != 0;
    o.allowUndo = p.AllowUndoFlag != 0;
    o.codePage = zip::CodePageRuleFromCode(p.CodePageCode);
    o.level = std::clamp(p.CompLevel, 0, 9);
    if (p.DateFilterFlag != 0) {
        o.fromDate = ParseFilterDate(p.DateText);
        if (!o.fromDate) {
            error = "Invalid date filter: \"" + std::string(p.DateText, sizeof p.DateText) + "\"";
            return std::nullopt;
        }
    }

    if (p.SpecCount < 0 || (p.SpecCount > 0 && platform::ResolveHandle(p.SpecArray) == nullptr)) {
        error = "Invalid file specification list";
        return std::nullopt;
    }
    const auto* specs = platform::ResolveHandleAs<const abi::SpecEntry>(p.SpecArray);
    for (int32_t i = 0; i < p.SpecCount; ++i) {
        const abi::SpecEntry& entry = specs[i];
        SpecItem item;
        item.spec = Trim(HandleText(entry.SpecText));
        item.password = entry.PasswordText != 0 ? HandleText(entry.PasswordText).substr(0, 81) : o.password;
        item.encrypt = entry.Encrypt != 0;
        item.recurse = entry.Recurse != 0;
        o.specs.push_back(std::move(item));
    }
    if (p.ExcludeCount < 0 || (p.ExcludeCount > 0 && platform::ResolveHandle(p.ExcludeArray) == nullptr)) {
        error = "Invalid exclusion list";
        return std::nullopt;
    }
    for (std::string& exclude : libcommon::HandleTextArray(p.ExcludeArray, p.ExcludeCount)) {
        exclude = Trim(std::move(exclude));
        if (!exclude.empty()) {
            o.excludes.push_back(std::move(exclude));
        }
    }
    return o;
}

}  // namespace ruvu::dizode
