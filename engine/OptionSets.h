// The component's option sets and enumerations. Members are listed in bit order, bit 0 first; a set
// is a bit word with one bit per member.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace ruvu {

// A set of enumeration members kept as bits (member n is bit n).
template <class E>
class OptionSet {
  public:
    constexpr OptionSet() = default;
    constexpr OptionSet(std::initializer_list<E> members) {
        for (E member : members) {
            Include(member);
        }
    }
    static constexpr OptionSet FromBits(uint32_t bits) {
        OptionSet set;
        set.bits_ = bits;
        return set;
    }
    // Every member from first to last, both included.
    static constexpr OptionSet Range(E first, E last) {
        OptionSet set;
        for (uint32_t n = static_cast<uint32_t>(first); n <= static_cast<uint32_t>(last); ++n) {
            set.bits_ |= 1u << n;
        }
        return set;
    }

    constexpr bool Contains(E member) const { return (bits_ & Bit(member)) != 0; }
    constexpr OptionSet& Include(E member) {
        bits_ |= Bit(member);
        return *this;
    }
    constexpr OptionSet& Exclude(E member) {
        bits_ &= ~Bit(member);
        return *this;
    }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint32_t Bits() const { return bits_; }
    constexpr bool operator==(const OptionSet&) const = default;

  private:
    static constexpr uint32_t Bit(E member) { return 1u << static_cast<uint32_t>(member); }

    uint32_t bits_ = 0;
};

enum AddOptsEnum : uint8_t {
    AddDirNames,
    AddRecurseDirs,
    AddMove,
    AddFreshen,
    AddUpdate,
    AddZipTime,
    AddForceDOS,
    AddHiddenFiles,
    AddArchiveOnly,
    AddResetArchive,
    AddEncrypt,
    AddSeparateDirs,
    AddVolume,
    AddFromDate,
    AddSafe,
    AddForceDest,
    AddDiskSpan,
    AddDiskSpanErase,
};
using AddOpts = OptionSet<AddOptsEnum>;

enum ExtrOptsEnum : uint8_t {
    ExtrDirNames,
    ExtrOverWrite,
    ExtrFreshen,
    ExtrUpdate,
    ExtrTest,
    ExtrForceDirs,
};
using ExtrOpts = OptionSet<ExtrOptsEnum>;

enum SpanOptsEnum : uint8_t {
    spNoVolumeName,
    spCompatName,
    spWipeFiles,
    spTryFormat,
};
using SpanOpts = OptionSet<SpanOptsEnum>;

// Suffixes stored without compression; assEXT stands for the user list of ExtAddStoreSuffixes.
enum AddStoreExtsEnum : uint8_t {
    assGIF,
    assPNG,
    assZ,
    assZIP,
    assZOO,
    assARC,
    assLZH,
    assARJ,
    assTAZ,
    assTGZ,
    assLHA,
    assRAR,
    assACE,
    assCAB,
    assGZ,
    assGZIP,
    assJAR,
    assEXE,
    assEXT,
};
using AddStoreExts = OptionSet<AddStoreExtsEnum>;

// The suffix of each member from assGIF to assEXE, without its dot.
inline constexpr const char* kAddStoreSuffixTexts[18] = {"gif", "png", "z",   "zip",  "zoo", "arc",
                                                         "lzh", "arj", "taz", "tgz",  "lha", "rar",
                                                         "ace", "cab", "gz",  "gzip", "jar", "exe"};

enum SFXOptsEnum : uint8_t {
    SFXAskCmdLine,
    SFXAskFiles,
    SFXAutoRun,
    SFXHideOverWriteBox,
    SFXCheckSize,
    SFXNoSuccessMsg,
};
using SFXOpts = OptionSet<SFXOptsEnum>;

enum CodePageOpts : uint8_t { cpAuto, cpNone, cpOEM };
enum DeleteOpts : uint8_t { htdFinal, htdAllowUndo };
enum OvrOpts : uint8_t { OvrConfirm, OvrAlways, OvrNever };

enum ProgressType : uint8_t {
    ptItemStart,
    ptItemProgress,
    ptItemEnd,
    ptTotalCount,
    ptTotalSize,
    ptExtItemStart,
    ptExtItemProgress,
};

enum TPasswordButton : uint8_t { pbOk, pbCancel, pbCancelAll, pbAbort };

// Produced by the decompression library; only the number is meaningful.
using UnZipSkipTypes = int32_t;
// Bits describing a disk offered while a spanned archive is written.
using TZipDiskStatus = uint8_t;
// The answer of OnStatusDisk.
using TZipDiskAction = uint8_t;

// Days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;

}  // namespace ruvu
