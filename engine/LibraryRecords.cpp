#include "engine/LibraryRecords.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "abi/LibraryEntry.h"
#include "engine/DozEngine.h"
#include "engine/LibCallback.h"
#include "platform/Drives.h"

namespace ruvu {

namespace {

constexpr size_t kZipPasswordLength = 81;
constexpr uint16_t kRecurseOn = 0xFFFF;
constexpr uint32_t kEncryptOn = 0xFFFF;

int32_t Flag(bool value) {
    return value ? -1 : 0;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// The common part of every record: who calls back and where.
template <class Params>
void FillCaller(TDozEngine& engine, Params& params, RecordArena& arena) {
    params.CallerRef = arena.Register(&engine);
    params.Callback = arena.Register(reinterpret_cast<void*>(&EngineCallback));
    params.TraceFlag = Flag(engine.Options.Trace);
    params.VerboseFlag = Flag(engine.Options.Verbose || engine.Options.Trace);
}

void FillExcludes(const std::vector<std::string>& excludes, ZipCall& call) {
    call.excludes.clear();
    for (const std::string& line : excludes) {
        call.excludes.push_back(call.arena.Text(line));
    }
    call.params.ExcludeCount = static_cast<int32_t>(call.excludes.size());
    call.params.ExcludeArray = call.excludes.empty() ? 0 : call.arena.Register(call.excludes.data());
}

}  // namespace

uint32_t RecordArena::Text(std::string_view text) {
    std::string& copy = texts_.emplace_back(text);
    return Register(copy.data());
}

uint32_t RecordArena::Register(void* pointer) {
    return handles_.emplace_back(pointer).Get();
}

AddSpec ParseAddSpec(std::string_view line, uint16_t recurseFlag, uint32_t encryptFlag,
                     std::string_view password) {
    AddSpec result;
    result.recurse = recurseFlag;
    result.encrypt = encryptFlag;
    if (!password.empty()) {
        result.password = std::string(password);
    }
    std::string_view spec = line;
    if (spec.starts_with('>')) {
        result.recurse = kRecurseOn;
        spec.remove_prefix(1);
    } else if (spec.starts_with('|')) {
        result.recurse = 0;
        spec.remove_prefix(1);
    }
    const size_t mark = spec.find('<');
    if (mark != std::string_view::npos) {
        if (mark + 1 == spec.size()) {
            spec.remove_suffix(1);
            result.encrypt = 0;
            result.password.reset();
        } else if (spec[mark + 1] == ' ') {
            // The line loses its last two characters, which are "< " only when they end it.
            spec.remove_suffix(2);
            result.encrypt = 0;
            result.password.reset();
        } else {
            result.password = std::string(spec.substr(mark + 1));
            result.encrypt = kEncryptOn;
            spec = spec.substr(0, mark);
        }
    }
    result.spec = std::string(TrimBlanks(spec));
    return result;
}

std::string StoreSuffixList(AddStoreExts suffixes, std::string_view extSuffixes) {
    std::string list;
    for (int member = assGIF; member <= assEXE; ++member) {
        if (suffixes.Contains(static_cast<AddStoreExtsEnum>(member))) {
            list += '.';
            list += kAddStoreSuffixTexts[member];
            list += ':';
        }
    }
    if (suffixes.Contains(assEXT)) {
        list += extSuffixes;
    }
    if (!list.empty()) {
        list.pop_back();
    }
    return list;
}

std::string DateFilterText(TDateTime date) {
    using namespace std::chrono;
    const auto day = sys_days(year{1899} / December / 30) + days(static_cast<int64_t>(std::floor(date)));
    const year_month_day ymd(day);
    char text[16];
    std::snprintf(text, sizeof text, "%02u %02u %02d", static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), ((static_cast<int>(ymd.year()) % 100) + 100) % 100);
    return text;
}

std::string ZipPasswordText(std::string_view password) {
    return std::string(password.substr(0, kZipPasswordLength));
}

void FillZipParams(TDozEngine& engine, std::string_view target, int32_t version, ZipCall& call) {
    const EngineOptions& o = engine.Options;
    const AddOpts add = o.AddOptions;
    abi::ZipParams& p = call.params;
    RecordArena& arena = call.arena;
    p = abi::ZipParams{};
    FillCaller(engine, p, arena);
    p.Version = version;
    p.PasswordText = arena.TextOrNull(ZipPasswordText(engine.Password));
    p.StoreSuffixList = arena.TextOrNull(StoreSuffixList(o.AddStoreSuffixes, engine.ExtAddStoreSuffixes));
    p.EncryptFlag = Flag(add.Contains(AddEncrypt));
    p.SystemFilesFlag = Flag(add.Contains(AddHiddenFiles));
    p.VolumeLabelFlag = Flag(add.Contains(AddVolume));
    p.NoDirEntriesFlag = Flag(!add.Contains(AddSeparateDirs));
    p.DateFilterFlag = Flag(add.Contains(AddFromDate));
    p.Flag38 = -1;
    p.CompLevel = o.AddCompLevel;
    p.JunkDirsFlag = Flag(!add.Contains(AddDirNames));
    p.RecurseFlag = add.Contains(AddRecurseDirs) ? kRecurseOn : 0;
    p.GrowFlag = Flag(!add.Contains(AddSafe));
    p.ForceDosFlag = Flag(add.Contains(AddForceDOS));
    p.MoveFlag = Flag(add.Contains(AddMove));
    p.UpdateFlag = Flag(add.Contains(AddUpdate));
    p.FreshenFlag = Flag(add.Contains(AddFreshen) && !add.Contains(AddUpdate));
    p.LatestTimeFlag = Flag(add.Contains(AddZipTime));
    const std::string date = DateFilterText(o.AddFrom);
    std::copy_n(date.data(), sizeof p.DateText, p.DateText);
    p.ZipFileNameText = arena.Text(target);
    p.TempDirText = arena.TextOrNull(o.TempDir);
    p.ArchiveCommentText = arena.TextOrNull(engine.ArchiveComment);
    p.ArchiveOnlyFlag = add.Contains(AddArchiveOnly) ? 1 : 0;
    p.ResetArchiveFlag = add.Contains(AddResetArchive) ? 1 : 0;
    p.AllowUndoFlag = Flag(o.HowToDelete == htdAllowUndo);
    p.CodePageCode = static_cast<uint16_t>(engine.CodePageRule());
    p.Version2 = abi::kRecordVersion;
    if (!o.RootDir.empty()) {
        p.RootDirText = arena.Text(platform::ExpandFileName(o.RootDir));
    }
}

void FillAddSpecs(const std::vector<std::string>& lines, const std::vector<std::string>& excludes,
                  ZipCall& call) {
    abi::ZipParams& p = call.params;
    // The record's own password is every unmarked spec's password.
    const char* password = platform::ResolveHandleAs<const char>(p.PasswordText);
    call.specs.assign(lines.size(), abi::SpecEntry{});
    for (size_t i = 0; i < lines.size(); ++i) {
        const AddSpec spec = ParseAddSpec(lines[i], p.RecurseFlag, static_cast<uint32_t>(p.EncryptFlag),
                                          password != nullptr ? password : "");
        abi::SpecEntry& entry = call.specs[i];
        entry.SpecText = call.arena.TextOrNull(spec.spec);
        entry.PasswordText = spec.password ? call.arena.TextOrNull(*spec.password) : 0;
        entry.Encrypt = spec.encrypt;
        entry.Recurse = spec.recurse;
    }
    p.SpecCount = static_cast<int32_t>(call.specs.size());
    p.SpecArray = call.specs.empty() ? 0 : call.arena.Register(call.specs.data());
    FillExcludes(excludes, call);
    p.SpecMarker = abi::kSpecMarker;
}

void FillDeleteSpecs(const std::vector<std::string>& lines, const std::vector<std::string>& excludes,
                     ZipCall& call) {
    abi::ZipParams& p = call.params;
    p.DeleteFlag = -1;
    p.EncryptFlag = 0;
    p.JunkDirsFlag = 0;
    p.GrowFlag = 0;
    p.MoveFlag = 0;
    p.UpdateFlag = 0;
    p.FreshenFlag = 0;
    p.RecurseFlag = 0;
    call.specs.assign(lines.size(), abi::SpecEntry{});
    for (size_t i = 0; i < lines.size(); ++i) {
        call.specs[i].SpecText = call.arena.Text(lines[i]);
    }
    p.SpecCount = static_cast<int32_t>(call.specs.size());
    p.SpecArray = call.specs.empty() ? 0 : call.arena.Register(call.specs.data());
    FillExcludes(excludes, call);
    p.SpecMarker = abi::kSpecMarker;
}

void FillUnzParams(TDozEngine& engine, std::string_view archive, int32_t version, std::string_view extractDir,
                   UnzCall& call) {
    const EngineOptions& o = engine.Options;
    const ExtrOpts extr = o.ExtrOptions;
    abi::UnzParams& p = call.params;
    p = abi::UnzParams{};
    FillCaller(engine, p, call.arena);
    p.Version = version;
    p.PasswordText = call.arena.Text(engine.Password);
    p.TestFlag = Flag(extr.Contains(ExtrTest));
    p.Flag28 = -1;
    p.UpdateFlag = Flag(extr.Contains(ExtrUpdate));
    p.FreshenFlag = Flag(extr.Contains(ExtrFreshen) && !extr.Contains(ExtrUpdate));
    p.DirNamesFlag = Flag(extr.Contains(ExtrDirNames));
    p.OverwriteFlag = Flag(extr.Contains(ExtrOverWrite));
    p.ZipFileNameText = call.arena.Text(archive);
    p.PasswordReqCount = static_cast<int32_t>(o.PasswordReqCount);
    p.ExtractDirText = call.arena.TextOrNull(extractDir);
    p.CodePageCode = static_cast<uint16_t>(engine.CodePageRule());
}

void FillUnzSpecs(const std::vector<std::string>& lines, UnzCall& call) {
    abi::UnzParams& p = call.params;
    call.specs.clear();
    if (!lines.empty() && lines.front() != "*.*") {
        call.specs.assign(lines.size(), abi::UnzSpecEntry{});
        for (size_t i = 0; i < lines.size(); ++i) {
            call.specs[i].SpecText = call.arena.Text(lines[i]);
        }
    }
    p.SpecCount = static_cast<int32_t>(call.specs.size());
    p.SpecArray = call.specs.empty() ? 0 : call.arena.Register(call.specs.data());
    p.SpecMarker = abi::kSpecMarker;
}

}  // namespace ruvu
