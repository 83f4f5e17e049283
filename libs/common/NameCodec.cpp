#include "libs/common/NameCodec.h"

#include "libs/common/ZipRecords.h"
#include "platform/CodePage.h"

namespace ruvu::libcommon {

std::string DecodeEntryText(std::string_view raw, uint16_t flags, uint8_t hostSystem, uint8_t madeByVersion,
                            NameCharset charset) {
    if ((flags & kFlagUtf8) != 0 || platform::IsPlainAscii(raw)) {
        return std::string(raw);
    }
    const bool oem = charset == NameCharset::Oem ||
                     (charset == NameCharset::Auto && hostSystem == kHostMsDos) || hostSystem == kHostHpfs ||
                     (hostSystem == kHostNtfs && madeByVersion == 50);
    if (oem || !platform::IsValidUtf8(raw)) {
        return platform::OemToAnsi(raw);
    }
    return std::string(raw);
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

}  // namespace ruvu::libcommon
