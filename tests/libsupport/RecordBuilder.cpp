#include "tests/libsupport/RecordBuilder.h"

#include <cstring>

#include "abi/LibraryEntry.h"

namespace ruvu::testsupport {

uint32_t HandleArena::Keep(void* pointer) {
    return handles_.emplace_back(pointer).Get();
}

uint32_t HandleArena::Text(std::string_view text, bool emptyIsNull) {
    if (text.empty() && emptyIsNull) {
        return 0;
    }
    return Keep(texts_.emplace_back(text).data());
}

uint32_t HandleArena::TextArray(const std::vector<std::string>& texts) {
    std::vector<uint32_t> handles;
    for (const auto& text : texts) {
        handles.push_back(Text(text, false));
    }
    return Array(handles);
}

ZipParamsBuilder::ZipParamsBuilder(std::string_view archivePath, uint32_t callbackHandle,
                                   uint32_t callerRef) {
    params_.CallerRef = callerRef;
    params_.Version = abi::kRecordVersion;
    params_.Version2 = abi::kRecordVersion;
    params_.Callback = callbackHandle;
    params_.Flag38 = -1;
    params_.CompLevel = 9;
    params_.NoDirEntriesFlag = 0;
    params_.GrowFlag = -1;
    params_.ZipFileNameText = arena_.Text(archivePath);
    std::memcpy(params_.DateText, "00 00 00", 8);
}

ZipParamsBuilder& ZipParamsBuilder::Spec(std::string_view spec, bool recurse) {
    return Spec(ZipSpec{std::string(spec), {}, params_.EncryptFlag != 0, recurse});
}
ZipParamsBuilder& ZipParamsBuilder::Spec(const ZipSpec& spec) {
    specs_.push_back(spec);
    return *this;
}
ZipParamsBuilder& ZipParamsBuilder::Exclude(std::string_view spec) {
    excludes_.emplace_back(spec);
    return *this;
}
ZipParamsBuilder& ZipParamsBuilder::Password(std::string_view password) {
    params_.PasswordText = arena_.Text(password);
    return *this;
}
ZipParamsBuilder& ZipParamsBuilder::RootDir(std::string_view folder) {
    params_.RootDirText = arena_.Text(folder);
    return *this;
}
ZipParamsBuilder& ZipParamsBuilder::StoreSuffixes(std::string_view list) {
    params_.StoreSuffixList = arena_.Text(list);
    return *this;
}
ZipParamsBuilder& ZipParamsBuilder::ArchiveComment(std::string_view comment) {
    params_.ArchiveCommentText = arena_.Text(comment);
    return *this;
}
ZipParamsBuilder& ZipParamsBuilder::Level(int level) {
    params_.CompLevel = level;
    return *this;
}
ZipParamsBuilder& ZipParamsBuilder::DateFilter(std::string_view mmddyy) {
    params_.DateFilterFlag = -1;
    std::memcpy(params_.DateText, mmddyy.data(), std::min<size_t>(8, mmddyy.size()));
    return *this;
}

abi::ZipParams& ZipParamsBuilder::Build() {
    std::vector<abi::SpecEntry> entries;
    for (const ZipSpec& spec : specs_) {
        abi::SpecEntry entry{};
        entry.SpecText = arena_.Text(spec.spec);
        entry.PasswordText = arena_.Text(spec.password);
        entry.Encrypt = spec.encrypt ? 0xFFFF : 0;
        entry.Recurse = spec.recurse ? 0xFFFF : 0;
        entries.push_back(entry);
    }
    params_.SpecCount = static_cast<int32_t>(entries.size());
    params_.SpecArray = entries.empty() ? 0 : arena_.Array(entries);
    params_.ExcludeCount = static_cast<int32_t>(excludes_.size());
    params_.ExcludeArray = excludes_.empty() ? 0 : arena_.TextArray(excludes_);
    params_.SpecMarker = abi::kSpecMarker;
    return params_;
}

UnzParamsBuilder::UnzParamsBuilder(std::string_view archivePath, uint32_t callbackHandle,
                                   uint32_t callerRef) {
    params_.CallerRef = callerRef;
    params_.Version = abi::kLibraryVersion;
    params_.Callback = callbackHandle;
    params_.Flag28 = -1;
    params_.ZipFileNameText = arena_.Text(archivePath);
    params_.PasswordText = arena_.Text("", false);
    params_.PasswordReqCount = 1;
}
UnzParamsBuilder& UnzParamsBuilder::Spec(std::string_view spec) {
    specs_.emplace_back(spec);
    return *this;
}
UnzParamsBuilder& UnzParamsBuilder::Password(std::string_view password) {
    params_.PasswordText = arena_.Text(password, false);
    return *this;
}
UnzParamsBuilder& UnzParamsBuilder::ExtractDir(std::string_view folder) {
    params_.ExtractDirText = arena_.Text(folder);
    return *this;
}
abi::UnzParams& UnzParamsBuilder::Build() {
    std::vector<abi::UnzSpecEntry> entries;
    for (const auto& spec : specs_) {
        abi::UnzSpecEntry entry{};
        entry.SpecText = arena_.Text(spec, false);
        entries.push_back(entry);
    }
    params_.SpecCount = static_cast<int32_t>(entries.size());
    params_.SpecArray = entries.empty() ? 0 : arena_.Array(entries);
    params_.SpecMarker = abi::kSpecMarker;
    return params_;
}

}  // namespace ruvu::testsupport
