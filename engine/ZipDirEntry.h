// One directory entry of the listed archive. The engine owns every entry from one listing to the
// next; the application reads them by index and never keeps one across a new listing.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/DosTime.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/ExtraField.h"
#include "zipformat/MethodName.h"
#include "zipformat/ZipConstants.h"

namespace ruvu {

struct ZipDirEntry {
    // Central header offsets 4 to 45, in their order and widths.
    uint8_t MadeByVersion = 0;
    uint8_t HostSystem = 0;
    uint16_t VersionNeeded = 0;
    uint16_t Flags = 0;
    uint16_t Method = 0;
    uint32_t DosDateTime = 0;  // time in the low word, date in the high word
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    uint16_t FileNameLength = 0;  // lengths of the stored bytes, before any conversion
    uint16_t ExtraLength = 0;
    uint16_t CommentLength = 0;
    uint16_t DiskStart = 0;
    uint16_t InternalAttributes = 0;
    uint32_t ExternalAttributes = 0;
    uint32_t LocalHeaderOffset = 0;

    // The true sizes and local header offset: the fields above, or the values of the ZIP64 block
    // where those hold their markers. The grid, totals and progress use these.
    uint64_t CompressedSize64 = 0;
    uint64_t UncompressedSize64 = 0;
    uint64_t LocalHeaderOffset64 = 0;

    std::string FileName;     // converted, with "\" separators
    std::string FileComment;  // converted; empty when there is none
    bool Encrypted = false;
    std::string ExtraData;  // the central extra field as stored

    // The modification time: the exact time of an extended timestamp block, which keeps the file's
    // time whatever time zone the archive was made in, else DosDateTime read as local time.
    std::time_t ModificationTime() const {
        if (const auto exact = zip::ExtendedModTime(ExtraData)) {
            return *exact;
        }
        return platform::DosDateTimeToUnix(DosDateTime);
    }
    // The method's name where it is not stored or deflate (zip::MethodName), else empty.
    std::string MethodName() const { return zip::MethodName(Method, ExtraData); }

    // Takes the fixed fields from a central header.
    void SetHeaderFields(const zip::CentralDirHeader& header) {
        MadeByVersion = header.MadeByVersion;
        HostSystem = header.HostSystem;
        VersionNeeded = header.VersionNeeded;
        Flags = header.Flags;
        Method = header.Method;
        DosDateTime = header.DosDateTime;
        Crc32 = header.Crc32;
        CompressedSize = header.CompressedSize;
        UncompressedSize = header.UncompressedSize;
        FileNameLength = header.FileNameLength;
        ExtraLength = header.ExtraLength;
        CommentLength = header.CommentLength;
        DiskStart = header.DiskStart;
        InternalAttributes = header.InternalAttributes;
        ExternalAttributes = header.ExternalAttributes;
        LocalHeaderOffset = header.LocalHeaderOffset;
        Encrypted = (header.Flags & zip::kFlagEncrypted) != 0;
        SetSizes(
            {header.CompressedSize, header.UncompressedSize, header.LocalHeaderOffset, header.DiskStart});
    }
    void SetSizes(const zip::EntrySizes& sizes) {
        CompressedSize64 = sizes.CompressedSize;
        UncompressedSize64 = sizes.UncompressedSize;
        LocalHeaderOffset64 = sizes.LocalHeaderOffset;
    }
};

}  // namespace ruvu
