// The parameter record of DIZODE.DLL (adding, freshening, updating, moving and deleting entries).
// All integers little-endian; "flag" fields are 32-bit, -1 for true and 0 for false unless noted;
// text and address fields are 32-bit handles of the host layer's handle table (0 = none) naming
// NUL-terminated UTF-8 strings or arrays.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ruvu::abi {

#pragma pack(push, 1)

struct SpecEntry {
    uint32_t SpecText;  // file specification (0 when the cleaned spec is empty)
    uint8_t Reserved04[8];
    uint32_t PasswordText;  // password of this spec (0 = none)
    uint32_t Encrypt;       // copy of EncryptFlag, or 0xFFFF / 0 from the markers of the line
    uint16_t Recurse;       // copy of RecurseFlag, or 0xFFFF / 0 from the markers of the line
    uint8_t Reserved16[14];
    uint32_t Reserved24;
    uint8_t Reserved28[64];
};

struct ZipParams {
    uint32_t OwnerWindow;  // handle of the application's top-level window
    uint32_t CallerRef;    // reference to the engine, handed back in every callback
    int32_t Version;       // 177
    uint32_t Callback;     // handle of the CallbackFunction
    int32_t TraceFlag;
    uint32_t PasswordText;     // at most 81 characters; 0 when there is no password
    uint32_t StoreSuffixList;  // ".gif:.png:..." suffixes stored without compression; 0 when empty
    int32_t EncryptFlag;
    int32_t SystemFilesFlag;  // add hidden and system files
    int32_t VolumeLabelFlag;  // add an entry for the drive's volume label
    int32_t Reserved28;
    int32_t NoDirEntriesFlag;  // do not add folder entries
    int32_t DateFilterFlag;    // only files dated DateText or later
    int32_t VerboseFlag;
    int32_t Flag38;     // always -1
    int32_t CompLevel;  // 0 (store) to 9
    int32_t Reserved40;
    int32_t Reserved44;
    int32_t JunkDirsFlag;  // store names without their folders
    uint16_t RecurseFlag;  // 0xFFFF: recurse into subfolders
    uint16_t Reserved4E;
    int32_t GrowFlag;      // add to the existing archive (cleared: AddSafe)
    int32_t ForceDosFlag;  // 8.3 upper-case names
    int32_t MoveFlag;      // delete the sources after the archive is safely written
    int32_t DeleteFlag;    // delete the entries matching the specs
    int32_t UpdateFlag;    // add new files and newer versions
    int32_t FreshenFlag;   // only newer versions of entries already in the archive
    int32_t Reserved68;
    int32_t LatestTimeFlag;  // the archive gets the time of its newest entry
    char DateText[8];        // "mm dd yy", no terminator
    int32_t SpecCount;
    uint32_t ZipFileNameText;     // the archive to write
    uint32_t TempDirText;         // 0 when empty
    uint32_t ArchiveCommentText;  // 0 when empty
    uint16_t ArchiveOnlyFlag;     // 1: only files whose archive bit is set
    uint16_t ResetArchiveFlag;    // 1: clear the archive bit of files added
    uint32_t SpecArray;           // SpecCount consecutive SpecEntry records
    uint32_t Reserved90;
    int32_t ExcludeCount;
    uint32_t ExcludeArray;   // ExcludeCount text handles (uint32_t each)
    uint8_t Reserved9C[32];  // in-memory source and target; always 0
    int32_t AllowUndoFlag;   // files removed by a move go to the trash
    // The rule for names and comments without flag bit 11: 0 automatic, 1 none, 2 OEM (the values of
    // the component's CodePage; see zipformat/NameCodec.h). With 2, new names are written in the OEM
    // code page where it holds them.
    uint16_t CodePageCode;
    uint16_t ReservedC2;
    int32_t Version2;      // 177
    uint32_t RootDirText;  // folder relative specs are taken from; 0 = the current folder
    uint8_t ReservedCC[8];
    int32_t SpecMarker;  // 7 once the spec array is built
};

#pragma pack(pop)

static_assert(sizeof(SpecEntry) == 104);
static_assert(offsetof(SpecEntry, SpecText) == 0x00);
static_assert(offsetof(SpecEntry, PasswordText) == 0x0C);
static_assert(offsetof(SpecEntry, Encrypt) == 0x10);
static_assert(offsetof(SpecEntry, Recurse) == 0x14);
static_assert(offsetof(SpecEntry, Reserved24) == 0x24);

static_assert(sizeof(ZipParams) == 216);
static_assert(offsetof(ZipParams, OwnerWindow) == 0x00);
static_assert(offsetof(ZipParams, CallerRef) == 0x04);
static_assert(offsetof(ZipParams, Version) == 0x08);
static_assert(offsetof(ZipParams, Callback) == 0x0C);
static_assert(offsetof(ZipParams, TraceFlag) == 0x10);
static_assert(offsetof(ZipParams, PasswordText) == 0x14);
static_assert(offsetof(ZipParams, StoreSuffixList) == 0x18);
static_assert(offsetof(ZipParams, EncryptFlag) == 0x1C);
static_assert(offsetof(ZipParams, SystemFilesFlag) == 0x20);
static_assert(offsetof(ZipParams, VolumeLabelFlag) == 0x24);
static_assert(offsetof(ZipParams, Reserved28) == 0x28);
static_assert(offsetof(ZipParams, NoDirEntriesFlag) == 0x2C);
static_assert(offsetof(ZipParams, DateFilterFlag) == 0x30);
static_assert(offsetof(ZipParams, VerboseFlag) == 0x34);
static_assert(offsetof(ZipParams, Flag38) == 0x38);
static_assert(offsetof(ZipParams, CompLevel) == 0x3C);
static_assert(offsetof(ZipParams, Reserved40) == 0x40);
static_assert(offsetof(ZipParams, Reserved44) == 0x44);
static_assert(offsetof(ZipParams, JunkDirsFlag) == 0x48);
static_assert(offsetof(ZipParams, RecurseFlag) == 0x4C);
static_assert(offsetof(ZipParams, Reserved4E) == 0x4E);
static_assert(offsetof(ZipParams, GrowFlag) == 0x50);
static_assert(offsetof(ZipParams, ForceDosFlag) == 0x54);
static_assert(offsetof(ZipParams, MoveFlag) == 0x58);
static_assert(offsetof(ZipParams, DeleteFlag) == 0x5C);
static_assert(offsetof(ZipParams, UpdateFlag) == 0x60);
static_assert(offsetof(ZipParams, FreshenFlag) == 0x64);
static_assert(offsetof(ZipParams, Reserved68) == 0x68);
static_assert(offsetof(ZipParams, LatestTimeFlag) == 0x6C);
static_assert(offsetof(ZipParams, DateText) == 0x70);
static_assert(offsetof(ZipParams, SpecCount) == 0x78);
static_assert(offsetof(ZipParams, ZipFileNameText) == 0x7C);
static_assert(offsetof(ZipParams, TempDirText) == 0x80);
static_assert(offsetof(ZipParams, ArchiveCommentText) == 0x84);
static_assert(offsetof(ZipParams, ArchiveOnlyFlag) == 0x88);
static_assert(offsetof(ZipParams, ResetArchiveFlag) == 0x8A);
static_assert(offsetof(ZipParams, SpecArray) == 0x8C);
static_assert(offsetof(ZipParams, Reserved90) == 0x90);
static_assert(offsetof(ZipParams, ExcludeCount) == 0x94);
static_assert(offsetof(ZipParams, ExcludeArray) == 0x98);
static_assert(offsetof(ZipParams, Reserved9C) == 0x9C);
static_assert(offsetof(ZipParams, AllowUndoFlag) == 0xBC);
static_assert(offsetof(ZipParams, CodePageCode) == 0xC0);
static_assert(offsetof(ZipParams, Version2) == 0xC4);
static_assert(offsetof(ZipParams, RootDirText) == 0xC8);
static_assert(offsetof(ZipParams, ReservedCC) == 0xCC);
static_assert(offsetof(ZipParams, SpecMarker) == 0xD4);

}  // namespace ruvu::abi
