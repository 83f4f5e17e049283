// The parameter record of RUROZA.DLL (extracting and testing). Same conventions as ZipParams.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ruvu::abi {

#pragma pack(push, 1)

struct UnzSpecEntry {
    uint32_t SpecText;  // entry name or wildcard pattern
    uint8_t Reserved04[68];
};

struct UnzParams {
    uint32_t OwnerWindow;  // 0 when unattended
    uint32_t CallerRef;
    int32_t Version;  // the version GetRurOzaVersion returned
    uint32_t Callback;
    int32_t TraceFlag;
    int32_t Reserved14;
    uint32_t PasswordText;  // always present; empty text when there is no password
    int32_t TestFlag;       // test only, write nothing
    uint8_t Reserved20[8];
    int32_t Flag28;  // always -1
    int32_t VerboseFlag;
    int32_t UpdateFlag;        // extract new files and newer versions
    int32_t FreshenFlag;       // only newer versions of files that exist
    int32_t DirNamesFlag;      // keep the stored folders
    int32_t OverwriteFlag;     // replace existing files without asking
    int32_t SpecCount;         // 0 = every entry
    uint32_t ZipFileNameText;  // the archive to read
    uint32_t SpecArray;        // SpecCount consecutive UnzSpecEntry records
    uint8_t Reserved4C[28];    // in-memory source and target; always 0
    int32_t PasswordReqCount;  // password requests per entry (0: never ask)
    uint32_t ExtractDirText;   // base folder; 0 = the current folder (always 0 when testing)
    // The rule for names and comments without flag bit 11, as in ZipParams: 0 automatic, 1 none,
    // 2 OEM. Taken from what was a reserved, zero-filled slot, so 0 (automatic) is also what a caller
    // that does not know the field passes.
    uint16_t CodePageCode;
    uint16_t Reserved72;
    uint8_t Reserved74[28];
    int32_t SpecMarker;  // 7 once the spec array is built
};

#pragma pack(pop)

static_assert(sizeof(UnzSpecEntry) == 72);
static_assert(offsetof(UnzSpecEntry, SpecText) == 0x00);

static_assert(sizeof(UnzParams) == 148);
static_assert(offsetof(UnzParams, OwnerWindow) == 0x00);
static_assert(offsetof(UnzParams, CallerRef) == 0x04);
static_assert(offsetof(UnzParams, Version) == 0x08);
static_assert(offsetof(UnzParams, Callback) == 0x0C);
static_assert(offsetof(UnzParams, TraceFlag) == 0x10);
static_assert(offsetof(UnzParams, Reserved14) == 0x14);
static_assert(offsetof(UnzParams, PasswordText) == 0x18);
static_assert(offsetof(UnzParams, TestFlag) == 0x1C);
static_assert(offsetof(UnzParams, Reserved20) == 0x20);
static_assert(offsetof(UnzParams, Flag28) == 0x28);
static_assert(offsetof(UnzParams, VerboseFlag) == 0x2C);
static_assert(offsetof(UnzParams, UpdateFlag) == 0x30);
static_assert(offsetof(UnzParams, FreshenFlag) == 0x34);
static_assert(offsetof(UnzParams, DirNamesFlag) == 0x38);
static_assert(offsetof(UnzParams, OverwriteFlag) == 0x3C);
static_assert(offsetof(UnzParams, SpecCount) == 0x40);
static_assert(offsetof(UnzParams, ZipFileNameText) == 0x44);
static_assert(offsetof(UnzParams, SpecArray) == 0x48);
static_assert(offsetof(UnzParams, Reserved4C) == 0x4C);
static_assert(offsetof(UnzParams, PasswordReqCount) == 0x68);
static_assert(offsetof(UnzParams, ExtractDirText) == 0x6C);
static_assert(offsetof(UnzParams, CodePageCode) == 0x70);
static_assert(offsetof(UnzParams, Reserved72) == 0x72);
static_assert(offsetof(UnzParams, Reserved74) == 0x74);
static_assert(offsetof(UnzParams, SpecMarker) == 0x90);

}  // namespace ruvu::abi
