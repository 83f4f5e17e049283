#include "tests/ruroza/CraftedZip.h"

#include <zlib.h>

#include "libs/common/ByteOrder.h"
#include "libs/common/Crc32.h"
#include "libs/common/ZipRecords.h"

namespace ruvu::ruroza::test {

using namespace libcommon;

std::string RawDeflate(const std::string& data) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string BuildZip(const std::vector<CraftedEntry>& entries) {
    std::string archive;
    std::string directory;
    for (const auto& e : entries) {
        const std::string stored = e.stored.value_or(e.deflate ? RawDeflate(e.data) : e.data);
        CentralHeader c;
        c.hostSystem = e.host;
        c.flags = e.extraFlags | (e.descriptor ? kFlagDataDescriptor : 0);
        c.method = e.method.value_or(e.deflate ? kMethodDeflated : kMethodStored);
        c.dosDateTime = e.dosDateTime;
        c.crc32 = e.crc.value_or(Crc32(0, e.data.data(), e.data.size()));
        c.compressedSize = e.compressedSize.value_or(static_cast<uint32_t>(stored.size()));
        c.uncompressedSize = e.uncompressedSize.value_or(static_cast<uint32_t>(e.data.size()));
        c.externalAttributes = e.externalAttributes;
        c.localHeaderOffset = static_cast<uint32_t>(archive.size());
        c.name = e.name;
        c.extra = e.centralExtra;
        LocalHeader l;
        l.flags = c.flags;
        l.method = c.method;
        l.dosDateTime = c.dosDateTime;
        if (!e.descriptor) {
            l.crc32 = c.crc32;
            l.compressedSize = c.compressedSize;
            l.uncompressedSize = c.uncompressedSize;
        }
        l.name = e.name;
        archive += l.Serialize();
        archive += stored;
        if (e.descriptor) {
            ByteWriter(archive)
                .U32(kDataDescriptorSignature)
                .U32(c.crc32)
                .U32(c.compressedSize)
                .U32(c.uncompressedSize);
        }
        directory += c.Serialize();
    }
    EndRecord end;
    end.entriesOnDisk = end.totalEntries = static_cast<uint16_t>(entries.size());
    end.centralDirSize = static_cast<uint32_t>(directory.size());
    end.centralDirOffset = static_cast<uint32_t>(archive.size());
    return archive + directory + end.Serialize();
}

}  // namespace ruvu::ruroza::test
