// Names and comments as stored and as shown. The system's own text is UTF-8. A stored text is turned
// into text by one rule wherever it is shown or matched (the listing, the archive and file comments,
// extract, test, delete, freshen and every callback of the libraries), so a name the grid shows always
// selects its entry:
//   1. flag bit 11 set: the text is UTF-8 (a byte outside a well-formed sequence is read in the
//      fallback code page, so it still stands for itself);
//   2. the OEM rule: the setting is OEM; or it is automatic and the entry was made on MS-DOS/FAT; or
//      the entry was made on HPFS, or on NTFS by version 5.0, whatever the setting: the OEM code page;
//   3. valid UTF-8: as it is;
//   4. anything else: the fallback code page (platform/CodePage.h), which gives one character for
//      every byte, so the result is valid UTF-8 and different bytes stay different.
// A name whose flag bit 11 is clear is taken from its Info-ZIP Unicode Path block instead when the
// block's version is 1 and its CRC-32 matches the stored name (a comment likewise from its Unicode
// Comment block).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "zipformat/CentralDirHeader.h"
#include "zipformat/CodePageRule.h"

namespace ruvu::zip {

// Decodes a stored name or comment by rules 1 to 4. OEM text ends at its first NUL.
std::string DecodeEntryText(std::string_view raw, uint16_t flags, uint8_t hostSystem, uint8_t madeByVersion,
                            CodePageRule rule);
// The entry's name and file comment as text, the Unicode blocks included.
std::string DecodeEntryName(const CentralDirEntry& entry, CodePageRule rule);
std::string DecodeEntryComment(const CentralDirEntry& entry, CodePageRule rule);

struct EncodedText {
    std::string bytes;
    bool utf8Flag = false;  // set flag bit 11
    bool oem = false;       // written in the OEM code page
};

// Encodes a name or comment for storing: plain ASCII as it is; with preferOem, text that the OEM code
// page can hold exactly is written in it; anything else as UTF-8 with bit 11.
EncodedText EncodeEntryText(std::string_view utf8, bool preferOem = false);

}  // namespace ruvu::zip
