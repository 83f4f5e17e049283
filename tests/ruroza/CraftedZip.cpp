#include "tests/ruroza/CraftedZip.h"

#include <zlib.h>

#include "zipformat/CentralDirHeader.h"
#include "zipformat/Crc32.h"
#include "zipformat/DataDescriptor.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::ruroza::test {

using namespace zip;

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
        CentralDirEntry c;
        c.MadeByVersion = 30;
        c.HostSystem = e.host;
        c.VersionNeeded = kVersionDeflated;
        c.Flags = e.extraFlags | (e.descriptor ? kFlagDataDescriptor : 0);
        c.Method = e.method.value_or(e.deflate ? kMethodDeflated : kMethodStored);
        c.DosDateTime = e.dosDateTime;
        c.Crc32 = e.crc.value_or(Crc32(0, e.data.data(), e.data.size()));
        c.CompressedSize = e.compressedSize.value_or(static_cast<uint32_t>(stored.size()));
        c.UncompressedSize = e.uncompressedSize.value_or(static_cast<uint32_t>(e.data.size()));
        c.ExternalAttributes = e.externalAttributes;
        c.LocalHeaderOffset = static_cast<uint32_t>(archive.size());
        c.Name = e.name;
        c.Extra = e.centralExtra;
        LocalFileEntry l;
        l.VersionNeeded = c.VersionNeeded;
        l.Flags = c.Flags;
        l.Method = c.Method;
        l.DosDateTime = c.DosDateTime;
        if (!e.descriptor) {
            l.Crc32 = c.Crc32;
            l.CompressedSize = c.CompressedSize;
            l.UncompressedSize = c.UncompressedSize;
        }
        l.Name = e.name;
        archive += l.Serialize();
        archive += stored;
        if (e.descriptor) {
            DataDescriptor d;
            d.Crc32 = c.Crc32;
            d.CompressedSize = c.CompressedSize;
            d.UncompressedSize = c.UncompressedSize;
            d.AppendTo(archive);
        }
        directory += c.Serialize();
    }
    EndOfCentralDir end;
    end.EntriesThisDisk = end.TotalEntries = static_cast<uint16_t>(entries.size());
    end.CentralDirSize = static_cast<uint32_t>(directory.size());
    end.CentralDirOffset = static_cast<uint32_t>(archive.size());
    std::string record;
    end.AppendTo(record);
    return archive + directory + record;
}

}  // namespace ruvu::ruroza::test
