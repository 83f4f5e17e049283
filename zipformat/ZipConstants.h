// The values of the zip format that are not records of their own: general purpose flags, compression
// methods, the hosts of "version made by", external attribute bits, extra field ids, and the markers
// that move a value into the ZIP64 records.
#pragma once

#include <cstdint>

namespace ruvu::zip {

// General purpose flag bits.
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagLzmaEndMarker = 0x0002;   // LZMA entries: the stream ends in a marker
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;  // sizes and CRC follow the data
inline constexpr uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr uint16_t kFlagUtf8 = 0x0800;  // name and comment are UTF-8

// Compression methods.
inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflated = 8;
inline constexpr uint16_t kMethodDeflate64 = 9;  // deflate with a 64 KiB window
inline constexpr uint16_t kMethodBzip2 = 12;
inline constexpr uint16_t kMethodLzma = 14;  // a small header with the properties, then raw LZMA
inline constexpr uint16_t kMethodZstd = 93;
inline constexpr uint16_t kMethodXz = 95;
inline constexpr uint16_t kMethodPpmd = 98;  // PPMd variant I
inline constexpr uint16_t kMethodAes = 99;   // AES encryption; the real method is in its extra field

// "Version needed to extract" of what the libraries write: stored, deflated or encrypted, and an entry
// with ZIP64 sizes or offset.
inline constexpr uint16_t kVersionStored = 10;
inline constexpr uint16_t kVersionDeflated = 20;
inline constexpr uint16_t kVersionZip64 = 45;

// Host systems (the high byte of "version made by").
inline constexpr uint8_t kHostMsDos = 0;  // MS-DOS and FAT file systems
inline constexpr uint8_t kHostUnix = 3;
inline constexpr uint8_t kHostHpfs = 6;
inline constexpr uint8_t kHostNtfs = 11;
inline constexpr uint8_t kHostVfat = 14;

// MS-DOS attribute bits, the low byte of the external attributes.
inline constexpr uint32_t kDosReadOnly = 0x01;
inline constexpr uint32_t kDosHidden = 0x02;
inline constexpr uint32_t kDosSystem = 0x04;
inline constexpr uint32_t kDosVolumeLabel = 0x08;
inline constexpr uint32_t kDosDirectory = 0x10;
inline constexpr uint32_t kDosArchive = 0x20;

// The file type in a Unix mode (the high 16 bits of the external attributes of entries made on
// Unix). Spelled out here because the self-extracting stub also builds where <sys/stat.h> lacks them.
inline constexpr uint32_t kUnixTypeMask = 0170000;
inline constexpr uint32_t kUnixDirectory = 0040000;
inline constexpr uint32_t kUnixRegular = 0100000;
inline constexpr uint32_t kUnixSymbolicLink = 0120000;

// Extra field block ids.
inline constexpr uint16_t kExtraZip64 = 0x0001;              // ZIP64 sizes and offset
inline constexpr uint16_t kExtraExtendedTimestamp = 0x5455;  // Unix times in seconds
inline constexpr uint16_t kExtraUnicodeComment = 0x6375;     // UTF-8 copy of the file comment
inline constexpr uint16_t kExtraUnicodePath = 0x7075;        // UTF-8 copy of the name
inline constexpr uint16_t kExtraAes = 0x9901;                // AES strength and the real method

// A field holding this value has its real value in the ZIP64 records.
inline constexpr uint16_t kZip64Marker16 = 0xFFFF;
inline constexpr uint32_t kZip64Marker32 = 0xFFFFFFFF;

}  // namespace ruvu::zip
