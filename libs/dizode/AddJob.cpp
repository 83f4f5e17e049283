#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "libs/common/PathTools.h"
#include "libs/common/SpecMatch.h"
#include "libs/dizode/ArchiveRewrite.h"
#include "libs/dizode/CompressAhead.h"
#include "libs/dizode/EntryWriter.h"
#include "libs/dizode/Jobs.h"
#include "libs/dizode/SourceCollector.h"
#include "platform/DosTime.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "zipformat/ExtraField.h"
#include "zipformat/NameCodec.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::dizode {

namespace {

// A file counts as newer than its entry when it is more than the 2-second granularity of MS-DOS
// times ahead (tools round odd seconds differently). The entry's exact time, when it has one, is
// taken instead of its MS-DOS time, which is local to wherever the archive was made.
bool IsNewer(const SourceFile& file, const zip::CentralDirEntry& entry) {
    if (const auto exact = zip::ExtendedModTime(entry.Extra)) {
        return file.mtime - *exact > 2;
    }
    return platform::DosDateTimeToUnix(file.dosDateTime) - platform::DosDateTimeToUnix(entry.DosDateTime) > 2;
}

bool HasStoredSuffix(const JobOptions& o, const std::string& name) {
    const std::string lower = platform::LowerCaseAscii(name);
    return std::any_of(o.storeSuffixes.begin(), o.storeSuffixes.end(), [&](const std::string& suffix) {
        return lower.size() > suffix.size() &&
               lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0;
    });
}

std::string Percent(uint16_t method, const EntryPlace& place) {
    if (method == zip::kMethodStored || place.uncompressedSize == 0) {
        return "stored 0%";
    }
    const uint64_t saved =
        place.uncompressedSize > place.compressedSize ? place.uncompressedSize - place.compressedSize : 0;
    return "deflated " + std::to_string(saved * 100 / place.uncompressedSize) + "%";
}

// One item of the job: a source and what it does to the archive.
struct Item {
    SourceFile source;
    std::string name;   // final stored name (UTF-8)
    int replaces = -1;  // index of the entry it replaces, else -1
    bool written = false;
};

class AddJob {
  public:
    AddJob(const JobOptions& o, Reporter& reporter)
        : o_(o), reporter_(reporter), client_(reporter.Client()) {}
    int32_t Run();

  private:
    int32_t Result() const { return client_.Stopped() ? client_.StopResult() : 0; }
    // Ends the job: a file left out is a failure the caller must see, so the last message counts them
    // with a warning code, also when others were added.
    int32_t Finish(int32_t result);
    bool OpenOriginal(ArchiveRewrite& rewrite);
    bool NameItems(std::vector<SourceFile>& sources);
    bool AskPassword();
    bool Stored(const Item& item) const { return o_.level == 0 || HasStoredSuffix(o_, item.name); }
    // The items in the order they are written: those replacing an entry in the entries' order, then
    // the new ones.
    std::vector<Item*> WriteOrder(const std::vector<int>& replacedBy);
    bool WriteItem(Item& item, EntryWriter& writer, ArchiveRewrite& rewrite, bool& fatal);
    void AfterCommit(const ArchiveRewrite& rewrite);

    const JobOptions& o_;
    Reporter& reporter_;
    libcommon::CallbackClient& client_;
    std::optional<std::string> hostArchive_;
    bool exists_ = false;
    libcommon::ArchiveReader reader_;
    std::vector<std::string> entryNames_;  // decoded names of the original's entries
    std::vector<Item> items_;
    std::string askedPassword_;
    std::unique_ptr<CompressAhead> ahead_;  // with more than one thread
    int32_t added_ = 0;
    int skipped_ = 0;  // files and specs left out, each reported
};

bool AddJob::OpenOriginal(ArchiveRewrite& rewrite) {
    platform::HostError error = platform::HostError::None;
    hostArchive_ = libcommon::HostPathOf(o_.archivePath, &error);
    if (!hostArchive_) {
        reporter_.Problem(
            "Archive could not be created: " + o_.archivePath + ": " + platform::HostErrorText(error),
            abi::kCodeCreateError);
        return false;
    }
    struct stat st {};
    if (stat(hostArchive_->c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        reporter_.Problem("Archive name is not a file: " + o_.archivePath, abi::kCodeCreateError);
        return false;
    }
    // Locked first: what is read from now on is what the rewrite replaces.
    if (!rewrite.Begin(o_.archivePath)) {
        return false;
    }
    exists_ = stat(hostArchive_->c_str(), &st) == 0;
    if (!exists_) {
        return true;
    }
    reader_.SetListZip64Entries(true);
    if (!reader_.Open(o_.archivePath, o_.codePage)) {
        reporter_.Problem(reader_.LastError().text + ": " + o_.archivePath, reader_.LastError().code);
        return false;
    }
    for (const auto& entry : reader_.Entries()) {
        std::string name = entry.name;
        std::replace(name.begin(), name.end(), '\\', '/');
        // A folder entry stored without its trailing separator is the same folder a new one names.
        if (entry.header.IsDirectory() && !name.empty() && name.back() != '/') {
            name += '/';
        }
        entryNames_.push_back(std::move(name));
    }
    return true;
}

bool AddJob::NameItems(std::vector<SourceFile>& sources) {
    std::unordered_map<std::string, int> byName;
    for (size_t i = 0; i < entryNames_.size(); ++i) {
        byName.emplace(libcommon::FoldName(entryNames_[i]), static_cast<int>(i));
    }
    std::unordered_map<std::string, std::string> taken;  // folded name -> the file that took it
    for (SourceFile& source : sources) {
        std::string name = source.storedName;
        if (!source.isVolumeLabel) {
            std::optional<std::string> answer;
            if (!client_.NewName(name, source.windowsPath, answer)) {
                return false;
            }
            if (answer) {
                std::string renamed = libcommon::StoredPath(*answer);
                if (renamed.empty()) {
                    reporter_.Problem("Invalid new name ignored for " + name, abi::kCodeWarning);
                } else {
                    name = renamed + (source.isDirectory ? "/" : "");
                }
            }
        }
        const auto [took, first] = taken.emplace(libcommon::FoldName(name), source.hostPath);
        if (!first) {
            if (took->second == source.hostPath) {
                continue;  // the same file named twice
            }
            // Renamed onto a name another file took already: adding it would lose one of them.
            ++skipped_;
            if (!reporter_.Problem(
                    "Duplicate name in the archive, skipped: " + name + " (" + source.windowsPath + ")",
                    abi::kCodeWarning)) {
                return false;
            }
            continue;
        }
        Item item;
        item.name = name;
        const auto found = byName.find(libcommon::FoldName(name));
        item.replaces = found != byName.end() ? found->second : -1;
        if (source.isVolumeLabel) {
            // The label replaces an earlier label entry, whatever its name.
            for (size_t i = 0; i < reader_.Entries().size() && exists_; ++i) {
                if ((reader_.Entries()[i].header.ExternalAttributes & 0xFF) == zip::kDosVolumeLabel) {
                    item.replaces = static_cast<int>(i);
                }
            }
        }
        const auto newer = [&] {
            return IsNewer(source, reader_.Entries()[static_cast<size_t>(item.replaces)].header);
        };
        if (o_.freshen && (item.replaces < 0 || source.isDirectory || !newer())) {
            reporter_.Trace("  not freshened: " + name);
            continue;
        }
        if (o_.update && item.replaces >= 0 && (source.isDirectory || !newer())) {
            reporter_.Trace("  not updated (not newer): " + name);
            continue;
        }
        item.source = std::move(source);
        items_.push_back(std::move(item));
    }
    return !client_.Stopped();
}

bool AddJob::AskPassword() {
    const bool needed = std::any_of(items_.begin(), items_.end(), [](const Item& i) {
        return i.source.encrypt && i.source.password.empty();
    });
    if (!needed) {
        return true;
    }
    libcommon::CallbackClient::PasswordAnswer answer;
    if (!client_.Password("", true, 1, answer)) {
        return false;
    }
    if (answer.password && !answer.password->empty()) {
        askedPassword_ = *answer.password;
        return true;
    }
    // Encryption was asked for: storing the files readable instead would be worse than not adding them.
    reporter_.Problem("No password given for the files to encrypt: nothing was added", abi::kCodeBadPassword);
    return false;
}

bool AddJob::WriteItem(Item& item, EntryWriter& writer, ArchiveRewrite& rewrite, bool& fatal) {
    fatal = false;
    const SourceFile& source = item.source;
    EntryPlan plan;
    plan.source = &source;
    plan.displayName = item.name;
    plan.name = zip::EncodeEntryText(item.name, o_.OemNames());
    plan.level = o_.level;
    plan.store = Stored(item);
    if (source.encrypt) {
        const std::string& password = source.password.empty() ? askedPassword_ : source.password;
        if (!password.empty()) {
            plan.password = password;
        }
    }
    std::string oldComment;
    if (item.replaces >= 0) {
        const auto& h = reader_.Entries()[static_cast<size_t>(item.replaces)].header;
        oldComment = zip::DecodeEntryComment(h, o_.codePage);
    }
    std::optional<std::string> comment;
    if (!client_.Comment(item.name, oldComment, comment)) {
        return false;
    }
    const std::string text = comment ? *comment : oldComment;
    const zip::EncodedText commentText = zip::EncodeEntryText(text, plan.name.oem);
    if (commentText.utf8Flag) {
        // Bit 11 covers the name and the comment alike.
        plan.name = zip::EncodeEntryText(item.name, false);
        plan.name.utf8Flag = true;
    }
    plan.comment = commentText.bytes.substr(0, 0xFFFF);
    reporter_.Trace("  source: " + source.windowsPath + (plan.store ? " (stored)" : "") +
                    (plan.password ? " (encrypted)" : ""));
    PreparedEntry prepared;
    if (ahead_) {
        prepared = ahead_->TakeNext();
    }
    EntryResult result = writer.WritePrepared(plan, prepared);
    switch (result.kind) {
        case EntryResult::Kind::Stopped:
            return false;
        case EntryResult::Kind::WriteFailed:
            fatal = true;
            return rewrite.ReportWriteError();
        case EntryResult::Kind::Skipped:
            ++skipped_;
            return reporter_.Problem(result.problem, abi::kCodeReadError);
        case EntryResult::Kind::Written:
            break;
    }
    item.written = true;
    ++added_;
    const std::string line = (item.replaces >= 0 ? "updating: " : "  adding: ") + item.name + " (" +
                             Percent(result.header.Method, result.place) + ")" +
                             (plan.password ? " (encrypted)" : "");
    rewrite.AddEntry(std::move(result.header));
    return reporter_.Verbose(line);
}

std::vector<Item*> AddJob::WriteOrder(const std::vector<int>& replacedBy) {
    std::vector<Item*> order;
    for (const int index : replacedBy) {
        if (index >= 0) {
            order.push_back(&items_[static_cast<size_t>(index)]);
        }
    }
    for (Item& item : items_) {
        if (item.replaces < 0) {
            order.push_back(&item);
        }
    }
    return order;
}

void AddJob::AfterCommit(const ArchiveRewrite& rewrite) {
    if (o_.latestTime && !rewrite.Entries().empty()) {
        uint32_t newest = 0;
        for (const auto& h : rewrite.Entries()) {
            if (platform::DosDateTimeToUnix(h.DosDateTime) > platform::DosDateTimeToUnix(newest)) {
                newest = h.DosDateTime;
            }
        }
        platform::SetFileAge(o_.archivePath, newest);
    }
    for (const Item& item : items_) {
        if (item.written && o_.resetArchive && !item.source.isDirectory && !item.source.isVolumeLabel) {
            const uint32_t attributes = platform::GetFileAttributes(item.source.windowsPath);
            if (attributes != platform::kInvalidFileAttributes) {
                platform::SetFileAttributes(item.source.windowsPath, attributes & ~platform::faArchive);
            }
        }
    }
    if (!o_.move) {
        return;
    }
    // Files first, then the folders they leave empty, deepest first.
    std::vector<std::string> folders;
    for (const Item& item : items_) {
        if (!item.written || item.source.isVolumeLabel) {
            continue;
        }
        if (item.source.isDirectory) {
            folders.push_back(item.source.windowsPath);
            continue;
        }
        platform::HostError error = platform::HostError::None;
        if (!platform::ShellDeleteFile(item.source.windowsPath, o_.allowUndo, &error)) {
            reporter_.Problem("Moved file could not be deleted: " + item.source.windowsPath + ": " +
                                  platform::HostErrorText(error),
                              abi::kCodeWarning);
        }
    }
    std::sort(folders.begin(), folders.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : folders) {
        platform::RemoveDirectory(folder);
    }
}

int32_t AddJob::Finish(int32_t result) {
    if (skipped_ > 0 && !client_.Stopped()) {
        reporter_.Problem(std::to_string(skipped_) + " file(s) skipped, " + std::to_string(added_) + " added",
                          abi::kCodeWarning);
    }
    return client_.Stopped() ? client_.StopResult() : result;
}

int32_t AddJob::Run() {
    ArchiveRewrite rewrite(reporter_);
    if (!OpenOriginal(rewrite)) {
        return Result();
    }
    // Freshening "*.*" freshens every entry of the archive, at any depth, from the file at its stored
    // path; other specs name files as an add does.
    JobOptions walked = o_;
    walked.specs.clear();
    std::vector<const SpecItem*> everyEntry;
    for (const SpecItem& spec : o_.specs) {
        if (o_.freshen && exists_ && (spec.spec == "*.*" || spec.spec == "*")) {
            everyEntry.push_back(&spec);
        } else {
            walked.specs.push_back(spec);
        }
    }
    std::vector<SourceFile> sources;
    SourceCollector collector(walked, reporter_, hostArchive_.value_or(std::string()));
    for (const SpecItem* spec : everyEntry) {
        std::vector<std::string> names;
        for (size_t i = 0; i < entryNames_.size(); ++i) {
            if ((reader_.Entries()[i].header.ExternalAttributes & 0xFF) != zip::kDosVolumeLabel) {
                names.push_back(entryNames_[i]);
            }
        }
        collector.CollectForEntries(names, *spec, sources);
    }
    const bool collected = collector.Collect(sources);
    skipped_ += collector.Skipped();
    if (!collected || client_.Stopped()) {
        return Result();
    }
    if (o_.volumeLabel) {
        const std::string root =
            platform::IncludeTrailingBackslash(platform::ExtractFileDrive(o_.archivePath));
        const auto volume = platform::GetVolumeInformation(root);
        if (volume && !volume->label.empty()) {
            SourceFile label;
            label.windowsPath = root;
            label.storedName = volume->label;
            label.isVolumeLabel = true;
            label.mtime = std::time(nullptr);
            label.dosDateTime = platform::UnixToDosDateTime(label.mtime);
            sources.insert(sources.begin(), std::move(label));
        } else if (!reporter_.Trace("No volume label on " + root)) {
            return Result();
        }
    }
    if (!NameItems(sources)) {
        return Result();
    }
    if (items_.empty()) {
        reporter_.Problem("Nothing to do", abi::kCodeNothingToDo);
        return Finish(0);
    }
    if (!AskPassword()) {
        return Result();
    }
    uint64_t totalBytes = 0;
    for (const Item& item : items_) {
        totalBytes += static_cast<uint64_t>(std::max<int64_t>(item.source.size, 0));
    }
    if (!client_.TotalCount(static_cast<int64_t>(items_.size())) || !client_.TotalSize(totalBytes)) {
        return Result();
    }
    if (exists_ && !rewrite.CopyPrefix(reader_, reader_.PrefixSize())) {
        return Result();
    }
    const unsigned threads = CompressionThreads();
    DeflateEngines engines;
    EntryWriter writer(rewrite.Out(), client_, engines, threads);
    std::vector<int> replacedBy(reader_.Entries().size(), -1);
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].replaces >= 0) {
            replacedBy[static_cast<size_t>(items_[i].replaces)] = static_cast<int>(i);
        }
    }
    if (threads > 1) {
        std::vector<CompressAhead::Job> jobs;
        for (const Item* item : WriteOrder(replacedBy)) {
            const bool file = !item->source.isDirectory && !item->source.isVolumeLabel;
            jobs.push_back({file ? &item->source : nullptr, Stored(*item), o_.level});
        }
        ahead_ = std::make_unique<CompressAhead>(std::move(jobs), threads);
    }
    bool fatal = false;
    // Entries keep their order; a replaced one keeps its place, and stays as it was when its new
    // source cannot be read.
    for (size_t i = 0; i < replacedBy.size(); ++i) {
        if (replacedBy[i] >= 0) {
            Item& item = items_[static_cast<size_t>(replacedBy[i])];
            if (!WriteItem(item, writer, rewrite, fatal) || fatal) {
                return Result();
            }
            if (item.written) {
                continue;
            }
        }
        if (!rewrite.CopyEntry(reader_, reader_.Entries()[i])) {
            return Result();
        }
    }
    for (Item& item : items_) {
        if (item.replaces < 0 && (!WriteItem(item, writer, rewrite, fatal) || fatal)) {
            return Result();
        }
    }
    if (added_ == 0) {
        reporter_.Problem("Nothing to do", abi::kCodeNothingToDo);
        return Finish(0);
    }
    const std::string comment =
        exists_ ? reader_.Comment() : zip::EncodeEntryText(o_.newArchiveComment, o_.OemNames()).bytes;
    if (client_.Stopped() || !rewrite.Commit(comment, exists_ ? &reader_ : nullptr)) {
        return Result();
    }
    AfterCommit(rewrite);
    return Finish(added_);
}

}  // namespace

int32_t RunAdd(const JobOptions& options, Reporter& reporter) {
    return AddJob(options, reporter).Run();
}

}  // namespace ruvu::dizode
