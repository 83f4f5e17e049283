// Feeds arbitrary bytes to the zip format layer as an archive: the end-record search with the ZIP64
// records, the directory walk, the extra fields (ZIP64 blocks too) and the local headers the
// directory points at, and the name codec under every CodePage setting. Besides "no crash", every
// name and comment must come out as valid UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/CodePage.h"
#include "zipformat/CentralDirWalk.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/ExtraField.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/NameCodec.h"

namespace {

void RequireUtf8(const std::string& text) {
    if (!ruvu::platform::IsValidUtf8(text)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ruvu::zip;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MemorySource source(bytes);
    EndRecordLocation end;
    if (FindEndRecord(source, size, end) != EndRecordSearch::Found) {
        return 0;
    }
    const CentralDirLocation& dir = end.Directory;
    if (dir.Size > dir.End) {
        return 0;
    }
    ChunkReader reader(source, dir.End - dir.Size, dir.End, 4096);
    // Every header takes 46 bytes, which bounds the walk whatever the count says.
    for (uint64_t i = 0; i < dir.TotalEntries && i < size / CentralDirHeader::kSize + 1; ++i) {
        CentralDirEntry entry;
        if (ReadCentralEntry(reader, entry) != CentralEntryError::None) {
            break;
        }
        for (const CodePageRule rule : {CodePageRule::Auto, CodePageRule::None, CodePageRule::Oem}) {
            RequireUtf8(DecodeEntryName(entry, rule));
            RequireUtf8(DecodeEntryComment(entry, rule));
        }
        entry.IsDirectory();
        entry.UsesZip64();
        ExtendedModTime(entry.Extra);
        // Sizes and offset with the ZIP64 block's values; an offset past the input is not followed.
        const auto sizes = entry.Sizes();
        if (sizes && sizes->LocalHeaderOffset < size) {
            LocalFileHeader::Read(ruvu::zip::AsBytes(bytes.substr(sizes->LocalHeaderOffset)));
        }
    }
    RequireUtf8(DecodeEntryText(end.Comment, 0, 0, 20, CodePageRule::Auto));
    return 0;
}
