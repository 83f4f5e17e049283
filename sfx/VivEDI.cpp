#include "sfx/VivEDI.h"

#include <algorithm>
#include <memory>

#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"
#include "sfx/PeResources.h"
#include "sfx/SfxBinStream.h"
#include "sfx/SfxError.h"
#include "sfx/SfxOutput.h"
#include "sfx/ZipArchiveStream.h"

namespace ruvu {

namespace {

enum class FileKind { None, Zip, Exe, Other };

FileKind KindOf(const std::string& name) {
    if (name.empty()) {
        return FileKind::None;
    }
    const std::string ext = platform::UpperCaseAscii(platform::ExtractFileExt(name));
    return ext == ".ZIP" ? FileKind::Zip : ext == ".EXE" ? FileKind::Exe : FileKind::Other;
}

// A header in front of the zip data needs at least its fixed part and trailer; nothing is looked for
// in front of an archive that starts earlier.
constexpr uint64_t kSmallestHeaderedStart = 26;
// The icon is taken from at most this much of an executable (the stub, not the archive behind it).
constexpr uint64_t kLargestStub = 64u << 20;

std::string_view AsText(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

void TCustomVivEDI::Convert() {
    const FileKind source = KindOf(SourceFile);
    const FileKind target = KindOf(TargetFile);
    auto usable = [](FileKind kind) { return kind == FileKind::Zip || kind == FileKind::Exe; };
    if (!usable(source) || !usable(target)) {
        throw ESfxError(sfxmsg::NoZipSpecified);
    }
    if (source == FileKind::Zip && target == FileKind::Exe) {
        MakeSfx(false);
    } else if (source == FileKind::Exe && target == FileKind::Zip) {
        MakeZip();
    } else {
        throw ESfxError(std::string("Can only convert ZIP to EXE or EXE to ZIP"));
    }
}

void TCustomVivEDI::Replace(platform::ReplacementFile& out) {
    if (platform::FileExists(TargetFile)) {
        platform::HostError error = platform::HostError::None;
        const std::string full = platform::ExpandFileName(TargetFile);
        const bool deleted = DeleteTarget ? DeleteTarget(full, RecycleTarget, &error)
                                          : platform::ShellDeleteFile(full, RecycleTarget, &error);
        if (!deleted) {
            throw ESfxError(platform::HostErrorText(error));
        }
    }
    if (!out.Commit()) {
        throw ESfxError(sfxmsg::OutputWriteError);
    }
}

void TCustomVivEDI::MakeSfx(bool empty) {
    const bool detached = (OptionsWord & sfx::kDetachedFlag) != 0;
    if (!platform::FileExists(SourceFile) && (!empty || detached)) {
        throw ESfxError(sfxmsg::NoZipSpecified);
    }
    TSFXBinStream stub(SFXPath);
    SFXPath = stub.StubPath;
    const std::string header = BuildHeader(*this);
    if (!Icon.empty()) {
        sfx::ReplaceIcon(stub.Bytes, Icon);
    }
    std::unique_ptr<TZipArchiveStream> archive =
        empty ? std::make_unique<TZipArchiveStream>() : std::make_unique<TZipArchiveStream>(SourceFile);
    // The source must be an archive before anything is written.
    archive->FindEndRecord();

    platform::ReplacementFile file(TargetFile);
    if (!file.IsOpen()) {
        throw ESfxError(sfxmsg::OutputCreateError);
    }
    SfxOutput out(file.Output());
    out.Write(AsText(stub.Bytes), sfxmsg::HeaderCopyError);
    out.Write(header, sfxmsg::HeaderCopyError);
    if (detached) {
        const std::string name = platform::UpperCase(platform::ExtractFileName(SourceFile));
        const std::string ext = platform::ExtractFileExt(name);
        out.Write(sfx::BuildNameBlock(std::string_view(name).substr(0, name.size() - ext.size()),
                                      ext.empty() ? ext : ext.substr(1)),
                  sfxmsg::HeaderCopyError);
        archive->CopyDetached(out, 0);
    } else {
        archive->CopyArchive(out, 0);
    }
    if (!file.MakeExecutable()) {
        throw ESfxError(sfxmsg::OutputWriteError);
    }
    Replace(file);
}

void TCustomVivEDI::MakeZip() {
    if (!platform::FileExists(SourceFile)) {
        throw ESfxError(sfxmsg::NoZipSpecified);
    }
    TZipArchiveStream archive(SourceFile);
    const uint64_t zipStart = archive.FindZipStart();
    // The settings are read first: an executable whose header cannot be read changes nothing.
    TCustomVivEDI read = *this;
    read.ReadSettings(archive);

    platform::ReplacementFile file(TargetFile);
    if (!file.IsOpen()) {
        throw ESfxError(sfxmsg::OutputCreateError);
    }
    SfxOutput out(file.Output());
    archive.CopyArchive(out, zipStart);
    Replace(file);
    static_cast<sfx::Settings&>(*this) = read;
    Icon = std::move(read.Icon);
}

void TCustomVivEDI::ReadSettings(TZipArchiveStream& archive) {
    zip::ByteSource* source = archive.Source();
    if (source == nullptr) {
        return;
    }
    const uint64_t zipStart = archive.FindZipStart();
    if (zipStart <= kSmallestHeaderedStart) {
        return;
    }
    if (!sfx::ReadHeader(*source, zipStart, *this)) {
        sfx::ReadOldHeader(*source, zipStart, *this);
    }
    if (zipStart <= kLargestStub) {
        std::vector<uint8_t> image(static_cast<size_t>(zipStart));
        if (source->ReadExactAt(0, image.data(), image.size())) {
            if (auto icon = sfx::FirstIconOf(image)) {
                Icon.assign(icon->begin(), icon->end());
            }
        }
    }
}

}  // namespace ruvu
