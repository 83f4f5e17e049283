// Character sets of stored names and comments. The system's own text is UTF-8. A stored text is
// UTF-8 when flag bit 11 is set; otherwise it is taken as OEM (platform/CodePage.h) by the engine's
// listing rule: entries made on MS-DOS/FAT (unless the caller turned conversion off), on HPFS, on NTFS
// by version 5.0 tools, or always when the caller asks for OEM names. Anything else is used as it is
// when it is valid UTF-8, and read as OEM when it is not (so every name decodes to valid UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ruvu::libcommon {

enum class NameCharset {
    Auto,  // the listing rule above
    None,  // only the host rules that apply whatever the setting (HPFS, NTFS 5.0)
    Oem,   // every text without bit 11 is OEM
};

// Decodes a stored name or comment to UTF-8.
std::string DecodeEntryText(std::string_view raw, uint16_t flags, uint8_t hostSystem, uint8_t madeByVersion,
                            NameCharset charset = NameCharset::Auto);

struct EncodedText {
    std::string bytes;
    bool utf8Flag = false;  // set flag bit 11
    bool oem = false;       // written in the OEM code page
};

// Encodes a UTF-8 name or comment for storing: plain ASCII as it is; with preferOem, text that the OEM
// code page can hold exactly is written in it; anything else as UTF-8 with bit 11.
EncodedText EncodeEntryText(std::string_view utf8, bool preferOem = false);

}  // namespace ruvu::libcommon
