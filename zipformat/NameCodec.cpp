#include "zipformat/NameCodec.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "zipformat/Crc32.h"
#include "zipformat/ExtraField.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

namespace {

// The UTF-8 text of a Unicode block that stands for exactly these stored bytes.
std::optional<std::string> UnicodeText(std::string_view extra, uint16_t id, std::string_view stored) {
    const auto text = UnicodeTextFor(extra, id, Crc32(0, stored.data(), stored.size()));
    if (!text) {
        return std::nullopt;
    }
    return platform::RepairUtf8(*text);
}

}  // namespace

std::string DecodeEntryText(std::string_view raw, uint16_t flags, uint8_t hostSystem, uint8_t madeByVersion,
                            CodePageRule rule) {
    // Most names are plain ASCII, which every rule leaves as it is (only OEM text is cut at a NUL).
    if (std::all_of(raw.begin(), raw.end(),
                    [](char c) { return c != '\0' && static_cast<uint8_t>(c) < 0x80; })) {
        return std::string(raw);
    }
    if ((flags & kFlagUtf8) != 0) {
        return platform::RepairUtf8(raw);
    }
    if (OemRuleApplies(rule, hostSystem, madeByVersion)) {
        raw = raw.substr(0, raw.find('\0'));
        // Every OEM code page agrees with ASCII on its lower half.
        return platform::IsPlainAscii(raw) ? std::string(raw) : platform::OemToAnsi(raw);
    }
    if (platform::IsValidUtf8(raw)) {
        return std::string(raw);
    }
    return platform::FallbackToUtf8(raw);
}

std::string DecodeEntryName(const CentralDirEntry& entry, CodePageRule rule) {
    if (!entry.IsUtf8() && !entry.Extra.empty()) {
        if (auto text = UnicodeText(entry.Extra, kExtraUnicodePath, entry.Name)) {
            return std::move(*text);
        }
    }
    return DecodeEntryText(entry.Name, entry.Flags, entry.HostSystem, entry.MadeByVersion, rule);
}

std::string DecodeEntryComment(const CentralDirEntry& entry, CodePageRule rule) {
    if (!entry.IsUtf8() && !entry.Extra.empty() && !entry.Comment.empty()) {
        if (auto text = UnicodeText(entry.Extra, kExtraUnicodeComment, entry.Comment)) {
            return std::move(*text);
        }
    }
    return DecodeEntryText(entry.Comment, entry.Flags, entry.HostSystem, entry.MadeByVersion, rule);
}

EncodedText EncodeEntryText(std::string_view utf8, bool preferOem) {
    EncodedText out;
    if (platform::IsPlainAscii(utf8)) {
        out.bytes.assign(utf8);
        return out;
    }
    if (preferOem) {
        std::string oem = platform::AnsiToOem(utf8);
        if (platform::OemToAnsi(oem) == utf8) {
            out.bytes = std::move(oem);
            out.oem = true;
            return out;
        }
    }
    out.bytes.assign(utf8);
    out.utf8Flag = true;
    return out;
}

}  // namespace ruvu::zip
