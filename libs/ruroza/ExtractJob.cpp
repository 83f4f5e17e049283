#include "libs/ruroza/ExtractJob.h"

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "libs/common/ArchiveReader.h"
#include "libs/common/ClaimedRanges.h"
#include "libs/common/SpecMatch.h"
#include "libs/ruroza/AesCipher.h"
#include "libs/ruroza/EntryDecoder.h"
#include "libs/ruroza/EntryNames.h"
#include "libs/ruroza/EntryStamp.h"
#include "libs/ruroza/MethodDecoders.h"
#include "libs/ruroza/PasswordKeeper.h"
#include "libs/ruroza/TargetTree.h"
#include "libs/ruroza/TraditionalCipher.h"
#include "platform/WinPath.h"
#include "zipformat/ExtraField.h"
#include "zipformat/ZipConstants.h"
#include "zipformat/ZipCrypto.h"

namespace ruvu::ruroza {

namespace {

using libcommon::ArchiveEntry;
using zip::CentralDirEntry;
using Status = DecodeResult::Status;

std::string Hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// The AES block of an entry encrypted with AES; nullopt for any other entry.
std::optional<zip::AesExtra> AesOf(const CentralDirEntry& h) {
    return h.Method == zip::kMethodAes ? zip::FindAesExtra(h.Extra) : std::nullopt;
}

// Why the library cannot handle an entry at all, with the skip type; nullopt when it can.
std::optional<std::pair<std::string, abi::UnZipSkipType>> Unsupported(const CentralDirEntry& h) {
    if ((h.Flags & zip::kFlagStrongEncryption) != 0) {
        return std::make_pair("strong encryption is not supported", abi::stUnsupported);
    }
    uint16_t method = h.Method;
    if (h.Method == zip::kMethodAes) {
        const auto aes = AesOf(h);
        if (!aes || aes->VendorId != zip::AesExtra::kVendorAe || AesCipher::SaltSize(aes->Strength) == 0 ||
            (aes->VendorVersion != zip::AesExtra::kVersionAe1 &&
             aes->VendorVersion != zip::AesExtra::kVersionAe2)) {
            return std::make_pair("its AES encryption block is missing or of an unknown kind",
                                  abi::stUnsupported);
        }
        method = aes->Method;
    }
    if (!IsDecodableMethod(method)) {
        return std::make_pair("compression method " + std::to_string(method) + " is not supported",
                              abi::stCompressionUnknown);
    }
    return std::nullopt;
}

// The longest link target restored as a link; a longer one is written as a file.
constexpr uint64_t kMaxLinkTarget = 4095;

class TextSink : public OutputSink {
  public:
    bool Write(const uint8_t* data, size_t size) override {
        text.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
    std::string text;
};

class FileSink : public OutputSink {
  public:
    explicit FileSink(PendingFile& file) : file_(file) {}
    bool Write(const uint8_t* data, size_t size) override { return file_.Write(data, size); }

  private:
    PendingFile& file_;
};

class Job {
  public:
    Job(const ExtractOptions& options, libcommon::CallbackClient& client)
        : options_(options),
          client_(client),
          passwords_(client, options.password, options.passwordRequests) {}

    int32_t Run();

  private:
    enum class Outcome { Done, Folder, Skipped, Failed, Stopped };
    struct Item {
        const ArchiveEntry* entry = nullptr;
        uint16_t index = 0;  // place in the central directory
        std::string listed;  // the name as the listing shows it
    };

    bool Verbose(const std::string& text) { return !options_.verbose || client_.Message(text); }
    bool Trace(const std::string& text) { return !options_.trace || client_.Message(text); }
    // A problem is always shown; its code makes the engine's error code non-zero.
    bool Problem(const std::string& text, abi::LibraryCode code) {
        ++problems_;
        lastCode_ = code;
        return client_.Message(text, code);
    }
    // Reports a skipped entry: the reason as a message (always for a problem, with Verbose for a
    // choice such as a file not overwritten) and action 11.
    Outcome Skip(const Item& item, const std::string& text, abi::UnZipSkipType type,
                 abi::LibraryCode code = abi::kCodeOk);

    // The entries the specs ask for; specs that matched nothing go to unmatched.
    std::vector<Item> Select(std::vector<std::string>& unmatched);
    Outcome Process(const Item& item);
    Outcome MakeFolder(const Item& item, const TargetName& target);
    // Decides the target of an extracted file: the name the program chose and what is on disk.
    std::optional<Outcome> ChooseTarget(const Item& item, TargetName& target,
                                        std::vector<std::string>& names);
    Outcome Decode(const Item& item, const libcommon::EntryLayout& layout,
                   const std::vector<std::string>* names);
    // Restores a link entry whose target was read: as a link when the target stays inside the base
    // folder, else as a file holding the target, with a message. nullopt when it was placed.
    std::optional<Outcome> PlaceLink(const Item& item, const std::vector<std::string>& names,
                                     const std::string& target, const Stamp& stamp, PendingFile& file);
    // The cipher of an encrypted entry, made from the bytes around its data, which narrows data to the
    // encrypted bytes alone; nullptr when those bytes are missing.
    std::unique_ptr<EntryCipher> OpenCipher(const CentralDirEntry& h, const libcommon::EntryLayout& layout,
                                            const std::optional<zip::AesExtra>& aes, StoredData& data);

    const ExtractOptions& options_;
    libcommon::CallbackClient& client_;
    libcommon::ArchiveReader reader_;
    TargetTree tree_;
    EntryDecoder decoder_;
    libcommon::ClaimedRanges claimed_;
    PasswordKeeper passwords_;
    int problems_ = 0;
    abi::LibraryCode lastCode_ = abi::kCodeOk;
};

Job::Outcome Job::Skip(const Item& item, const std::string& text, abi::UnZipSkipType type,
                       abi::LibraryCode code) {
    const bool shown = code != abi::kCodeOk ? Problem(text, code) : Verbose(text);
    if (!shown || !client_.Skipped(item.listed, code, type)) {
        return Outcome::Stopped;
    }
    return code != abi::kCodeOk ? Outcome::Failed : Outcome::Skipped;
}

std::vector<Job::Item> Job::Select(std::vector<std::string>& unmatched) {
    std::vector<Item> items;
    std::vector<bool> used(options_.specs.size(), false);
    const auto& entries = reader_.Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        Item item{&entries[i], static_cast<uint16_t>(i), ListedName(entries[i])};
        bool wanted = options_.specs.empty();
        for (size_t s = 0; s < options_.specs.size(); ++s) {
            if (libcommon::MatchSpec(options_.specs[s], item.listed)) {
                used[s] = true;
                wanted = true;
            }
        }
        if (wanted) {
            items.push_back(std::move(item));
        }
    }
    for (size_t s = 0; s < options_.specs.size(); ++s) {
        if (!used[s]) {
            unmatched.push_back(options_.specs[s]);
        }
    }
    return items;
}

int32_t Job::Run() {
    reader_.SetListZip64Entries(true);
    if (!reader_.Open(options_.archivePath, options_.codePage)) {
        Problem(reader_.LastError().text + " (" + options_.archivePath + ")", reader_.LastError().code);
        return client_.Stopped() ? client_.StopResult() : 0;
    }
    std::string error;
    if (!options_.test && !tree_.Open(options_.baseFolder, error)) {
        Problem(error, abi::kCodeCreateError);
        return client_.Stopped() ? client_.StopResult() : 0;
    }
    std::vector<std::string> unmatched;
    const std::vector<Item> items = Select(unmatched);
    if (items.empty() && !options_.specs.empty()) {
        Problem("No files matched in " + options_.archivePath, abi::kCodeNothingToDo);
        return client_.Stopped() ? client_.StopResult() : 0;
    }
    uint64_t totalBytes = 0;
    for (const Item& item : items) {
        totalBytes += item.entry->uncompressedSize;
    }
    if (!client_.TotalCount(static_cast<int64_t>(items.size())) || !client_.TotalSize(totalBytes) ||
        !Trace((options_.test ? "Testing " : "Extracting from ") + options_.archivePath +
               (options_.test ? std::string() : " to " + options_.baseFolder))) {
        return client_.StopResult();
    }
    for (const auto& spec : unmatched) {
        if (!client_.Message("Not found in the archive: " + spec)) {
            return client_.StopResult();
        }
    }
    int32_t done = 0;
    bool stopped = false;
    for (const Item& item : items) {
        const Outcome outcome = Process(item);
        if (outcome == Outcome::Stopped) {
            stopped = true;
            break;
        }
        done += outcome == Outcome::Done ? 1 : 0;
    }
    if (!options_.test) {
        tree_.ApplyFolderStamps();
    }
    if (stopped || client_.Stopped()) {
        return client_.StopResult();
    }
    const std::string summary = options_.test ? (problems_ == 0 ? "No errors detected in compressed data of "
                                                                : "At least one error was detected in ") +
                                                    options_.archivePath
                                              : std::to_string(done) + " file(s) extracted from " +
                                                    options_.archivePath + ", " + std::to_string(problems_) +
                                                    " problem(s)";
    const bool reported = problems_ == 0 ? Verbose(summary) : client_.Message(summary, lastCode_);
    return reported ? done : client_.StopResult();
}

Job::Outcome Job::Process(const Item& item) {
    const CentralDirEntry& h = item.entry->header;
    if (item.entry->zip64Damaged) {
        return Skip(item, "Damaged entry, skipped: " + item.listed + " (its ZIP64 extra block is too short)",
                    abi::stDataError, abi::kCodeArchiveStructure);
    }
    if (!Trace(item.listed + ": method " + std::to_string(h.Method) + ", " +
               std::to_string(item.entry->compressedSize) + " bytes stored, " +
               std::to_string(item.entry->uncompressedSize) + " bytes, CRC " + Hex8(h.Crc32) +
               (h.IsEncrypted() ? ", encrypted" : ""))) {
        return Outcome::Stopped;
    }
    if (const auto why = Unsupported(h)) {
        const abi::LibraryCode code = abi::kCodeUnsupported;
        return Skip(item, "Skipped " + item.listed + ": " + why->first, why->second, code);
    }
    TargetName target;
    std::vector<std::string> names;
    if (options_.test) {
        if (h.IsDirectory()) {
            return Outcome::Folder;
        }
    } else {
        target = MakeTargetName(item.listed, h.IsDirectory(), options_.dirNames);
        if (!target.problem.empty()) {
            return Skip(item, "Bad file name, skipped: " + item.listed + " (" + target.problem + ")",
                        abi::stBadName, abi::kCodeWarning);
        }
        if (target.isFolder) {
            return MakeFolder(item, target);
        }
    }
    const auto layout = reader_.Layout(*item.entry);
    if (!layout) {
        return Skip(item, reader_.LastError().text, abi::stDataError, abi::kCodeArchiveStructure);
    }
    // Before anything is written: data shared with an earlier entry is never written twice.
    if (!claimed_.Claim(layout->localHeaderPos, layout->End())) {
        return Skip(item, "Damaged entry, skipped: " + item.listed + " (its data overlaps another entry's)",
                    abi::stDataError, abi::kCodeArchiveStructure);
    }
    if (!options_.test) {
        if (auto outcome = ChooseTarget(item, target, names)) {
            return *outcome;
        }
    }
    return Decode(item, *layout, options_.test ? nullptr : &names);
}

Job::Outcome Job::MakeFolder(const Item& item, const TargetName& target) {
    if (!options_.dirNames || target.components.empty()) {
        return Outcome::Folder;
    }
    if (target.changed &&
        !client_.Message("Unsafe name " + item.listed + " created as " + target.Relative())) {
        return Outcome::Stopped;
    }
    PathProblem problem;
    if (!tree_.MakeFolders(target.components, problem)) {
        return Skip(item, problem.text, problem.type, problem.code);
    }
    Stamp stamp = EntryStamp(item.entry->header, {});
    stamp.readOnly = false;
    tree_.RememberFolder(target.components, stamp);
    return Verbose("   creating: " + tree_.WindowsPath(target.components)) ? Outcome::Folder
                                                                           : Outcome::Stopped;
}

std::optional<Job::Outcome> Job::ChooseTarget(const Item& item, TargetName& target,
                                              std::vector<std::string>& names) {
    // Every rename is told, so the person knows where the file went.
    if (target.changed &&
        !client_.Message("Unsafe name " + item.listed + " written as " + target.Relative())) {
        return Outcome::Stopped;
    }
    std::optional<std::string> renamed;
    if (!client_.ExtractName(target.Relative(), renamed)) {
        return Outcome::Stopped;
    }
    if (renamed && *renamed != target.Relative()) {
        // The program's name is taken below the base folder and made safe like a stored one.
        const bool endsInSeparator = !renamed->empty() && platform::IsPathSeparator(renamed->back());
        TargetName chosen = MakeTargetName(*renamed, endsInSeparator, true);
        if (!chosen.problem.empty() || chosen.isFolder) {
            const std::string why = chosen.isFolder ? "it names a folder" : chosen.problem;
            return Skip(item, "Bad new name " + *renamed + " for " + item.listed + " (" + why + ")",
                        abi::stBadName, abi::kCodeWarning);
        }
        if (chosen.changed &&
            !client_.Message("Unsafe new name " + *renamed + " written as " + chosen.Relative())) {
            return Outcome::Stopped;
        }
        target = std::move(chosen);
    }
    const TargetTree::Lookup found = tree_.Find(target.components);
    const std::string path = tree_.WindowsPath(found.names);
    if (found.problem) {
        return Skip(item, found.problem->text + " (" + item.listed + ")", found.problem->type,
                    found.problem->code);
    }
    const uint32_t entryTime = item.entry->header.DosDateTime;
    switch (found.kind) {
        case TargetTree::Kind::Folder:
            return Skip(item, "A folder of that name exists, skipped: " + path, abi::stWriteError,
                        abi::kCodeCreateError);
        case TargetTree::Kind::File: {
            const bool older = found.dosDateTime < entryTime;
            if ((options_.freshen || options_.update) && !older) {
                return Skip(item, "Not newer than the file on disk, skipped: " + path, abi::stNotNewer);
            }
            bool overwrite = options_.overwrite;
            if (!overwrite && !client_.Overwrite(path, older, item.index, overwrite)) {
                return Outcome::Stopped;
            }
            if (!overwrite) {
                return Skip(item, "File exists, not overwritten: " + path, abi::stNoOverwrite);
            }
            break;
        }
        case TargetTree::Kind::Missing:
            if (options_.freshen) {
                return Skip(item, "Not on disk, not freshened: " + path, abi::stNotPresent);
            }
            break;
    }
    names = found.names;
    return std::nullopt;
}

std::optional<Job::Outcome> Job::PlaceLink(const Item& item, const std::vector<std::string>& names,
                                           const std::string& target, const Stamp& stamp, PendingFile& file) {
    const std::string path = tree_.WindowsPath(names);
    if (LinkStaysInside(names, target)) {
        PathProblem problem;
        if (!tree_.MakeLink(names, target, stamp.mtime, problem)) {
            return Skip(item, problem.text, problem.type, problem.code);
        }
        return std::nullopt;
    }
    if (!client_.Message("Symbolic link " + item.listed + " leads outside the extract folder (" + target +
                         "): written as a file holding its target")) {
        return Outcome::Stopped;
    }
    if (!file.Write(target.data(), target.size()) || !file.Commit(stamp)) {
        return Skip(item, "Write error, " + path + ": " + platform::HostErrorText(file.Error()),
                    abi::stWriteError, abi::kCodeWriteError);
    }
    return std::nullopt;
}

Job::Outcome Job::Decode(const Item& item, const libcommon::EntryLayout& layout,
                         const std::vector<std::string>* names) {
    const CentralDirEntry& h = item.entry->header;
    const auto aes = AesOf(h);
    StoredData data{&reader_, layout.dataPos, layout.dataSize, nullptr};
    const bool encrypted = h.IsEncrypted() || aes;
    std::unique_ptr<EntryCipher> cipher;
    if (encrypted) {
        cipher = OpenCipher(h, layout, aes, data);
        if (!cipher) {
            return Skip(item, "Data error in " + item.listed + ": the encryption header is missing",
                        abi::stDataError, abi::kCodeBadData);
        }
        switch (passwords_.Unlock(item.listed, *cipher)) {
            case PasswordKeeper::Result::Stopped:
                return Outcome::Stopped;
            case PasswordKeeper::Result::NoPassword:
                return Skip(item, "Wrong or missing password, skipped: " + item.listed, abi::stBadPassword,
                            abi::kCodeBadPassword);
            case PasswordKeeper::Result::Unlocked:
                break;
        }
        data.cipher = cipher.get();
    }
    // AE-2 leaves the CRC out: the authentication code stands for it.
    const bool hasCrc = !aes || aes->VendorVersion != zip::AesExtra::kVersionAe2;
    const uint64_t size = item.entry->uncompressedSize;
    const EntryFacts facts{aes ? aes->Method : h.Method, h.Flags, size,
                           hasCrc ? std::optional<uint32_t>(h.Crc32) : std::nullopt};
    std::optional<PendingFile> file;
    std::string path;
    if (names != nullptr) {
        PathProblem problem;
        auto started = tree_.StartFile(*names, problem);
        if (!started) {
            return Skip(item, problem.text, problem.type, problem.code);
        }
        file.emplace(std::move(*started));
        path = tree_.WindowsPath(*names);
    }
    if (!client_.ItemStart(item.listed, static_cast<int64_t>(size))) {
        return Outcome::Stopped;
    }
    // A link entry's data is its target, read into memory and checked before anything is created.
    const bool link = file && IsSymbolicLink(h) && size <= kMaxLinkTarget;
    if (file) {
        const bool inflating = facts.method == zip::kMethodDeflated || facts.method == zip::kMethodDeflate64;
        const char* verb = link ? "    linking: " : inflating ? "  inflating: " : " extracting: ";
        if (!Verbose(verb + path)) {
            return Outcome::Stopped;
        }
    }
    std::optional<FileSink> sink;
    TextSink linkTarget;
    if (file && !link) {
        sink.emplace(*file);
    }
    ItemProgress progress(client_);
    OutputSink* out = nullptr;
    if (link) {
        out = &linkTarget;
    } else if (sink) {
        out = &*sink;
    }
    const DecodeResult result = decoder_.Decode(data, facts, out, progress);
    if (result.status == Status::Stopped || !progress.End()) {
        return Outcome::Stopped;
    }
    const std::string suspect = encrypted ? " (wrong password or damaged data)" : "";
    const Stamp stamp = EntryStamp(h, layout.local.Extra);
    switch (result.status) {
        case Status::Ok:
            if (link) {
                if (const auto outcome = PlaceLink(item, *names, linkTarget.text, stamp, *file)) {
                    return *outcome;
                }
            } else if (file && !file->Commit(stamp)) {
                return Skip(item, "Write error, " + path + ": " + platform::HostErrorText(file->Error()),
                            abi::stWriteError, abi::kCodeWriteError);
            }
            if (encrypted) {
                passwords_.Confirm();
            }
            return (file || Verbose("    testing: " + item.listed + "   OK")) ? Outcome::Done
                                                                              : Outcome::Stopped;
        case Status::CrcError: {
            const std::string text = "CRC error in " + item.listed + " (found " + Hex8(result.crc) +
                                     ", expected " + Hex8(h.Crc32) + ")" + suspect;
            if (!file || encrypted || link) {
                return Skip(item, text, abi::stCrcError, abi::kCodeBadData);
            }
            int32_t keep = 2;
            if (!client_.CrcError(item.listed, result.crc, h.Crc32, keep)) {
                return Outcome::Stopped;
            }
            if (keep == 0) {
                return Skip(item, text + ", file not kept", abi::stCrcError, abi::kCodeBadData);
            }
            if (!file->Commit(stamp)) {
                return Skip(item, "Write error, " + path + ": " + platform::HostErrorText(file->Error()),
                            abi::stWriteError, abi::kCodeWriteError);
            }
            return Problem(text + ", file kept: " + path, abi::kCodeBadData) ? Outcome::Failed
                                                                             : Outcome::Stopped;
        }
        case Status::DataError:
            return Skip(item, "Data error in " + item.listed + ": " + result.detail + suspect,
                        abi::stDataError, abi::kCodeBadData);
        case Status::Unsupported:
            return Skip(item, "Skipped " + item.listed + ": " + result.detail, abi::stUnsupported,
                        abi::kCodeUnsupported);
        case Status::ReadError:
            return Skip(item, "Read error in " + item.listed + ": " + result.detail, abi::stDataError,
                        abi::kCodeReadError);
        case Status::WriteError:
            return Skip(item, "Write error, " + path + ": " + platform::HostErrorText(file->Error()),
                        abi::stWriteError, abi::kCodeWriteError);
        case Status::Stopped:
            break;
    }
    return Outcome::Stopped;
}

std::unique_ptr<EntryCipher> Job::OpenCipher(const CentralDirEntry& h, const libcommon::EntryLayout& layout,
                                             const std::optional<zip::AesExtra>& aes, StoredData& data) {
    if (aes) {
        std::vector<uint8_t> header(AesCipher::SaltSize(aes->Strength) + AesCipher::kVerifierSize);
        std::array<uint8_t, AesCipher::kAuthCodeSize> code{};
        if (data.size < header.size() + code.size() ||
            !reader_.ReadAt(data.pos, header.data(), header.size()) ||
            !reader_.ReadAt(data.pos + data.size - code.size(), code.data(), code.size())) {
            return nullptr;
        }
        data.pos += header.size();
        data.size -= header.size() + code.size();
        return std::make_unique<AesCipher>(aes->Strength, header, code);
    }
    zip::EncryptionHeader header{};
    if (data.size < header.size() || !reader_.ReadAt(data.pos, header.data(), header.size())) {
        return nullptr;
    }
    data.pos += header.size();
    data.size -= header.size();
    return std::make_unique<TraditionalCipher>(
        header, zip::EncryptionCheckByte(layout.local.Flags, h.Crc32, layout.local.DosDateTime));
}

}  // namespace

int32_t RunExtract(const ExtractOptions& options, libcommon::CallbackClient& client) {
    Job job(options, client);
    return job.Run();
}

}  // namespace ruvu::ruroza
