// The bytes between the stub and the zip data of a self-extracting executable: the settings header
// (what the stub shows and does), its trailer, which ends directly in front of the zip data so the
// stub can find the header by counting back, and, in the detached layout, the name block naming the
// file that holds the data. Also the older header layout, which is only ever read.
//
// Plain C++ without the host layer: the stub compiles this file to read its own settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "zipformat/ByteOrder.h"
#include "zipformat/ByteSource.h"

namespace ruvu::sfx {

// Bits of the options word.
enum OptionBits : uint16_t {
    kAskCmdLine = 0x0001,        // ask before running the command line
    kAskFiles = 0x0002,          // let the user choose the files
    kHideOverWriteBox = 0x0004,  // the user cannot change the overwrite mode
    kAutoRun = 0x0008,           // run the command line after extracting
    kNoSuccessMsg = 0x0010,      // no message at the end
    kOldStyleFlag = 0x0100,      // read from an older header layout
    kDetachedFlag = 0x0400,      // detached layout: the data is in another file
};

// Values of the overwrite byte.
enum Overwrite : uint8_t {
    kOverwriteAlways = 0,
    kOverwriteNever = 1,
    kOverwriteAsk = 2,
};

// Message box styles of the start-up message, chosen by a leading character 1 or 2 of the message.
inline constexpr uint32_t kStyleOkCancelInfo = 0x41;
inline constexpr uint32_t kStyleYesNoQuestion = 0x24;

// What a self-extracting executable carries for its stub. Texts are the system's text (UTF-8), each
// at most 255 bytes when written.
struct Settings {
    std::string Caption;
    std::string DefaultDir;
    std::string CommandLine;
    std::string FallbackPath;
    std::string Message;
    uint32_t MessageStyle = 0;
    uint16_t OptionsWord = 0;
    uint8_t OverwriteByte = kOverwriteAsk;

    // Takes a message whose first character may choose the box style (1: OK/Cancel with the
    // information icon, 2: Yes/No with the question icon); that character is not kept.
    void AssignMessage(std::string_view text);
};

// The fixed part of the settings header; the five texts follow it, then padding to a multiple of 4.
struct HeaderFixed {
    static constexpr uint32_t kSignature = 0x01005A44;  // "DZ", 0, 1
    static constexpr size_t kSize = 18;

    zip::Le32 Signature{kSignature};  // 0
    zip::Le16 HeaderSize{};           // 4: this part, the texts and the padding
    zip::Le16 OptionsWord{};          // 6
    uint8_t OverwriteByte = 0;        // 8
    uint8_t CaptionLength = 0;        // 9
    uint8_t DefaultDirLength = 0;     // 10
    uint8_t CommandLineLength = 0;    // 11
    uint8_t FallbackPathLength = 0;   // 12
    uint8_t MessageLength = 0;        // 13
    zip::Le32 MessageStyle{};         // 14
};
static_assert(sizeof(HeaderFixed) == HeaderFixed::kSize && alignof(HeaderFixed) == 1);
static_assert(offsetof(HeaderFixed, Signature) == 0);
static_assert(offsetof(HeaderFixed, HeaderSize) == 4);
static_assert(offsetof(HeaderFixed, OptionsWord) == 6);
static_assert(offsetof(HeaderFixed, OverwriteByte) == 8);
static_assert(offsetof(HeaderFixed, CaptionLength) == 9);
static_assert(offsetof(HeaderFixed, DefaultDirLength) == 10);
static_assert(offsetof(HeaderFixed, CommandLineLength) == 11);
static_assert(offsetof(HeaderFixed, FallbackPathLength) == 12);
static_assert(offsetof(HeaderFixed, MessageLength) == 13);
static_assert(offsetof(HeaderFixed, MessageStyle) == 14);

// The trailer directly behind the header.
struct HeaderTrailer {
    static constexpr uint32_t kSignature = 0x010A5A44;  // "DZ", 0x0A, 1
    static constexpr size_t kSize = 8;

    zip::Le32 Signature{kSignature};  // 0
    zip::Le32 HeaderSize{};           // 4
};
static_assert(sizeof(HeaderTrailer) == HeaderTrailer::kSize && alignof(HeaderTrailer) == 1);
static_assert(offsetof(HeaderTrailer, Signature) == 0);
static_assert(offsetof(HeaderTrailer, HeaderSize) == 4);

// Each end of the name block: a marker and the lengths of the name and the extension; the name and
// the extension lie between the two.
struct NameBlockEnd {
    static constexpr uint32_t kStartSignature = 0x01145A44;  // "DZ", 0x14, 1
    static constexpr uint32_t kEndSignature = 0x02145A44;    // "DZ", 0x14, 2
    static constexpr size_t kSize = 12;

    zip::Le32 Signature{};   // 0
    zip::Le32 NameLength{};  // 4: the file name without its extension
    zip::Le32 ExtLength{};   // 8: the extension without its dot
};
static_assert(sizeof(NameBlockEnd) == NameBlockEnd::kSize && alignof(NameBlockEnd) == 1);
static_assert(offsetof(NameBlockEnd, Signature) == 0);
static_assert(offsetof(NameBlockEnd, NameLength) == 4);
static_assert(offsetof(NameBlockEnd, ExtLength) == 8);

inline constexpr size_t kMaxTextLength = 255;
// The older layout is looked for in this many bytes in front of the zip data.
inline constexpr size_t kOldHeaderWindow = 1032;

// The header and its trailer for the settings: checks the texts' lengths (the message first, then
// the default folder, the caption, the command line and the fallback path; ESfxError with the first
// one's id), rounds the header up to a multiple of 4 with zero bytes.
std::string BuildHeader(const Settings& settings);
// The name block of the detached layout for a file name (without extension) and extension (without
// its dot), as given.
std::string BuildNameBlock(std::string_view name, std::string_view extension);

// The name block ending at zipStart; nullopt when there is none (or its lengths do not fit the bytes
// in front of it).
struct NameBlock {
    uint64_t Start = 0;
    std::string Name;
    std::string Extension;
};
std::optional<NameBlock> ReadNameBlock(zip::ByteSource& source, uint64_t zipStart);

// Reads the current layout whose trailer ends at zipStart (or in front of a name block ending there)
// into settings: false when there is none (settings unchanged); ESfxError 10903 when the header's
// texts do not fit it.
bool ReadHeader(zip::ByteSource& source, uint64_t zipStart, Settings& settings);
// Reads the older layout from the last 1032 bytes in front of zipStart: false when there is none
// (settings unchanged); ESfxError 11036 when those bytes cannot be read. A marker whose texts would
// run past the window is not taken for a header.
bool ReadOldHeader(zip::ByteSource& source, uint64_t zipStart, Settings& settings);

}  // namespace ruvu::sfx
