// The stub's run, the same on every system: the settings are found through the trailer that ends in
// front of the zip data, then the start message, the folder, the overwrite mode and the files are
// settled with the person as the settings allow, every chosen entry is written through the target
// folder (which keeps it inside), and the command line runs last.
#include <algorithm>
#include <ctime>

#include "sfx/SfxHeader.h"
#include "stub/EntryData.h"
#include "stub/StubHost.h"
#include "zipformat/CentralDirWalk.h"
#include "zipformat/ChunkReader.h"
#include "zipformat/CodePageRule.h"
#include "zipformat/Crc32.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/EntryPath.h"
#include "zipformat/ExtraField.h"
#include "zipformat/OffsetShift.h"
#include "zipformat/ZipConstants.h"
#include "zipformat/ZipStart.h"

namespace ruvu::stub {

namespace {

constexpr std::string_view kDefaultCaption = "Self-extracting archive";
constexpr int kExitOk = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitCancelled = 2;
constexpr int kExitNoArchive = 3;
constexpr int kPasswordTries = 3;
// A header needs at least its fixed part and its trailer in front of the zip data.
constexpr uint64_t kSmallestHeaderedStart = 26;
// Stands for the extraction folder in the command line.
constexpr std::string_view kFolderMarker = "><";

struct Archive {
    std::unique_ptr<zip::ByteSource> source;
    uint64_t zipStart = 0;
    int64_t displacement = 0;
    std::vector<zip::CentralDirEntry> entries;
};

// Finds the archive in a file and reads its directory; false when there is none or it is damaged.
bool LoadArchive(std::unique_ptr<zip::ByteSource> source, Archive& archive) {
    if (!source) {
        return false;
    }
    const int64_t size = source->Size();
    zip::EndRecordLocation end;
    if (size < 0 ||
        zip::FindEndRecord(*source, static_cast<uint64_t>(size), end) != zip::EndRecordSearch::Found) {
        return false;
    }
    const std::optional<uint64_t> start = zip::FindZipStart(*source, end);
    if (!start) {
        return false;
    }
    const zip::CentralDirLocation& dir = end.Directory;
    zip::ChunkReader in(*source, dir.End - std::min(dir.Size, dir.End), dir.End);
    archive.entries.clear();
    for (uint64_t i = 0; i < dir.EntriesThisDisk; ++i) {
        zip::CentralDirEntry entry;
        if (zip::ReadCentralEntry(in, entry) != zip::CentralEntryError::None) {
            return false;
        }
        archive.entries.push_back(std::move(entry));
    }
    archive.zipStart = *start;
    archive.displacement = zip::Displacement(dir);
    archive.source = std::move(source);
    return true;
}

// The entry's name as text, by the rules the listing and the extracting library apply.
std::string EntryName(Host& host, const zip::CentralDirEntry& entry) {
    if (!entry.IsUtf8()) {
        const uint32_t crc = zip::Crc32(0, entry.Name.data(), entry.Name.size());
        if (auto text = zip::UnicodeTextFor(entry.Extra, zip::kExtraUnicodePath, crc)) {
            return host.Decode(*text, TextKind::Utf8);
        }
    }
    if (std::all_of(entry.Name.begin(), entry.Name.end(),
                    [](char c) { return c != '\0' && static_cast<uint8_t>(c) < 0x80; })) {
        return entry.Name;
    }
    if (entry.IsUtf8()) {
        return host.Decode(entry.Name, TextKind::Utf8);
    }
    if (zip::OemRuleApplies(zip::CodePageRule::Auto, entry.HostSystem, entry.MadeByVersion)) {
        return host.Decode(std::string_view(entry.Name).substr(0, entry.Name.find('\0')), TextKind::Oem);
    }
    return host.Decode(entry.Name, TextKind::Guess);
}

std::time_t ModificationTime(const zip::CentralDirEntry& entry) {
    if (auto time = zip::ExtendedModTime(entry.Extra)) {
        return *time;
    }
    const uint32_t dos = entry.DosDateTime;
    std::tm tm{};
    tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
    tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::string ReplaceAll(std::string text, std::string_view marker, std::string_view by) {
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + by.size())) {
        text.replace(at, marker.size(), by);
    }
    return text;
}

class Extraction {
  public:
    Extraction(Host& host, std::string_view caption, Archive& archive, TargetFolder& folder, uint8_t mode)
        : host_(host), caption_(caption), archive_(archive), folder_(folder), mode_(mode) {}

    void Extract(const zip::CentralDirEntry& entry, const std::string& name) {
        // A drive, leading separators and ".." are dropped, so every name lands inside the folder.
        bool unsafe = false;
        const std::vector<std::string> path = zip::CleanComponents(name, &unsafe);
        const bool isFolder = entry.IsDirectory();
        if (name.find('\0') != std::string::npos || (path.empty() && (unsafe || !isFolder))) {
            Fail(name, "its name is not usable");
            return;
        }
        if (path.empty()) {
            return;
        }
        if (isFolder) {
            if (!folder_.MakeFolders(path, true)) {
                Fail(name, folder_.Error());
            }
            return;
        }
        if (const std::string reason = UnsupportedReason(entry); !reason.empty()) {
            Fail(name, reason);
            return;
        }
        if (folder_.Exists(path) && !MayOverwrite(name)) {
            ++skipped_;
            return;
        }
        const int64_t localPos =
            static_cast<int64_t>(zip::LocalHeaderOffsetOf(entry)) + archive_.displacement;
        const std::optional<LocalData> data =
            localPos < 0 ? std::nullopt : FindData(*archive_.source, static_cast<uint64_t>(localPos));
        if (!data) {
            Fail(name, "its local header is missing");
            return;
        }
        zip::ZipCryptoKeys keys("");
        if (entry.IsEncrypted() && !Unlock(entry, *data, name, keys)) {
            return;
        }
        host_.Progress(name);
        if (!folder_.MakeFolders(path, false)) {
            Fail(name, folder_.Error());
            return;
        }
        std::unique_ptr<OutputFile> out = folder_.Create(path);
        if (!out) {
            Fail(name, folder_.Error());
            return;
        }
        switch (CopyEntryData(*archive_.source, *data, entry, entry.IsEncrypted() ? &keys : nullptr, *out)) {
            case DataResult::Ok:
                break;
            case DataResult::Unsupported:
                Fail(name, "it is not supported");
                return;
            case DataResult::Damaged:
                Fail(name, "its data is damaged");
                return;
            case DataResult::WriteFailed:
                Fail(name, "it could not be written");
                return;
        }
        const uint32_t mode = entry.HostSystem == zip::kHostUnix ? entry.UnixMode() & 0777 : 0;
        if (!out->Commit(ModificationTime(entry), mode)) {
            Fail(name, "it could not be written");
            return;
        }
        ++extracted_;
    }

    int Extracted() const { return extracted_; }
    int Skipped() const { return skipped_; }
    const std::vector<std::string>& Failures() const { return failures_; }

  private:
    void Fail(const std::string& name, const std::string& reason) {
        failures_.push_back(name + ": " + reason);
    }

    bool MayOverwrite(const std::string& name) {
        if (mode_ != sfx::kOverwriteAsk) {
            return mode_ == sfx::kOverwriteAlways;
        }
        switch (host_.AskOverwrite(caption_, name)) {
            case OverwriteAnswer::Yes:
                return true;
            case OverwriteAnswer::All:
                mode_ = sfx::kOverwriteAlways;
                return true;
            case OverwriteAnswer::None:
                mode_ = sfx::kOverwriteNever;
                return false;
            case OverwriteAnswer::No:
                break;
        }
        return false;
    }

    // The last password that worked first, then the person's, a few times.
    bool Unlock(const zip::CentralDirEntry& entry, const LocalData& data, const std::string& name,
                zip::ZipCryptoKeys& keys) {
        if (havePassword_ && OpensEntry(*archive_.source, data, entry, password_, keys)) {
            return true;
        }
        for (int i = 0; i < kPasswordTries; ++i) {
            const std::string prompt =
                i == 0 ? "Password for " + name + ":" : "Wrong password. Password for " + name + ":";
            const std::optional<std::string> answer = host_.AskText(caption_, prompt, "", true, false);
            if (!answer) {
                Fail(name, "no password was given");
                return false;
            }
            if (OpensEntry(*archive_.source, data, entry, *answer, keys)) {
                password_ = *answer;
                havePassword_ = true;
                return true;
            }
        }
        Fail(name, "the password is wrong");
        return false;
    }

    Host& host_;
    std::string caption_;
    Archive& archive_;
    TargetFolder& folder_;
    uint8_t mode_;
    std::string password_;
    bool havePassword_ = false;
    int extracted_ = 0;
    int skipped_ = 0;
    std::vector<std::string> failures_;
};

// Shows the start message as its style says; false when the person declines to go on.
bool StartMessage(Host& host, std::string_view caption, const sfx::Settings& settings) {
    if (settings.Message.empty()) {
        return true;
    }
    const std::string text = host.Decode(settings.Message, TextKind::Guess);
    switch (settings.MessageStyle) {
        case sfx::kStyleOkCancelInfo:
            return host.Ask(caption, text, false);
        case sfx::kStyleYesNoQuestion:
            return host.Ask(caption, text, true);
        default:
            host.Tell(caption, text);
            return true;
    }
}

}  // namespace

int RunSelfExtractor(Host& host) {
    Archive archive;
    sfx::Settings settings;
    if (!LoadArchive(host.OpenSelf(), archive)) {
        host.Tell(kDefaultCaption, "This program holds no archive, or its archive is damaged.");
        return kExitNoArchive;
    }
    if (archive.zipStart > kSmallestHeaderedStart) {
        try {
            if (!sfx::ReadHeader(*archive.source, archive.zipStart, settings)) {
                sfx::ReadOldHeader(*archive.source, archive.zipStart, settings);
            }
        } catch (const std::exception&) {
            // A damaged header: the archive is still extracted, with the defaults.
        }
    }
    const std::string caption = settings.Caption.empty() ? std::string(kDefaultCaption)
                                                         : host.Decode(settings.Caption, TextKind::Guess);
    if ((settings.OptionsWord & sfx::kDetachedFlag) != 0) {
        const std::optional<sfx::NameBlock> block = sfx::ReadNameBlock(*archive.source, archive.zipStart);
        const std::string dataFile =
            block ? block->Name + (block->Extension.empty() ? "" : "." + block->Extension) : std::string();
        if (dataFile.empty() || !LoadArchive(host.OpenBeside(dataFile), archive)) {
            host.Tell(caption, "The archive " +
                                   (dataFile.empty() ? std::string("holding the files") : dataFile) +
                                   " was not found beside this program, or it is damaged.");
            return kExitNoArchive;
        }
    }
    if (!StartMessage(host, caption, settings)) {
        return kExitCancelled;
    }

    std::string proposal = !settings.DefaultDir.empty() ? settings.DefaultDir : settings.FallbackPath;
    proposal = proposal.empty() ? "." : host.Decode(proposal, TextKind::Guess);
    std::unique_ptr<TargetFolder> folder;
    std::string folderName;
    while (!folder) {
        const std::optional<std::string> answer =
            host.AskText(caption, "Extract to folder:", proposal, false, true);
        if (!answer) {
            return kExitCancelled;
        }
        folderName = answer->empty() ? proposal : *answer;
        std::string error;
        folder = host.OpenFolder(folderName, error);
        if (!folder) {
            host.Tell(caption, "The folder " + folderName + " cannot be used: " + error);
            if (answer->empty() || *answer == proposal) {
                return kExitCancelled;
            }
        }
    }

    uint8_t mode = std::min<uint8_t>(settings.OverwriteByte, sfx::kOverwriteAsk);
    if ((settings.OptionsWord & sfx::kHideOverWriteBox) == 0) {
        const std::optional<uint8_t> chosen = host.ChooseOverwriteMode(caption, mode);
        if (!chosen) {
            return kExitCancelled;
        }
        mode = *chosen;
    }

    std::vector<std::string> names;
    for (const zip::CentralDirEntry& entry : archive.entries) {
        names.push_back(EntryName(host, entry));
    }
    std::vector<bool> chosen(names.size(), true);
    if ((settings.OptionsWord & sfx::kAskFiles) != 0 && !names.empty()) {
        const std::optional<std::vector<bool>> answer = host.ChooseFiles(caption, names);
        if (!answer) {
            return kExitCancelled;
        }
        chosen = *answer;
        chosen.resize(names.size(), false);
    }

    Extraction extraction(host, caption, archive, *folder, mode);
    for (size_t i = 0; i < archive.entries.size(); ++i) {
        if (chosen[i]) {
            extraction.Extract(archive.entries[i], names[i]);
        }
    }
    const std::string shownFolder = host.FullFolderName(folderName);

    std::string command = host.Decode(settings.CommandLine, TextKind::Guess);
    const bool ask = (settings.OptionsWord & sfx::kAskCmdLine) != 0;
    bool run = !command.empty() && ((settings.OptionsWord & sfx::kAutoRun) != 0 || ask);
    if (run && ask) {
        const std::optional<std::string> answer =
            host.AskText(caption, "Command to run after extracting (\"-\" for none):", command, false, false);
        run = answer && !answer->empty() && *answer != "-";
        command = answer ? *answer : std::string();
    }
    bool runFailed = false;
    if (run) {
        runFailed = !host.Run(ReplaceAll(command, kFolderMarker, shownFolder), shownFolder);
    }

    std::string report;
    if (!extraction.Failures().empty() || runFailed || (settings.OptionsWord & sfx::kNoSuccessMsg) == 0) {
        report = std::to_string(extraction.Extracted()) + (extraction.Extracted() == 1 ? " file" : " files") +
                 " extracted to " + shownFolder + ".";
        if (extraction.Skipped() > 0) {
            report += "\n" + std::to_string(extraction.Skipped()) + " existing file(s) kept.";
        }
        for (const std::string& failure : extraction.Failures()) {
            report += "\nNot extracted: " + failure;
        }
        if (runFailed) {
            report += "\nThe command could not be started: " + command;
        }
        host.Tell(caption, report);
    }
    return extraction.Failures().empty() && !runFailed ? kExitOk : kExitSomeFailed;
}

}  // namespace ruvu::stub
