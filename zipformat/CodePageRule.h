// Which stored names and comments are in the OEM code page: the code page setting and the host an
// entry was made on decide. The decision needs no code page itself, so the self-extracting stub takes
// it from here too.
#pragma once

#include <cstdint>

namespace ruvu::zip {

// The code page setting: the values of the component's CodePage and of the CodePageCode fields of
// the libraries' records.
enum class CodePageRule : uint8_t {
    Auto = 0,  // OEM for entries made on MS-DOS/FAT, HPFS and NTFS 5.0
    None = 1,  // OEM only for HPFS and NTFS 5.0, which always use it
    Oem = 2,   // OEM for every text without flag bit 11
};

// The rule a record field asks for; an unknown value is automatic.
CodePageRule CodePageRuleFromCode(uint16_t code);

// Whether a text without flag bit 11 is in the OEM code page: the setting is OEM; or it is automatic
// and the entry was made on MS-DOS/FAT; or the entry was made on HPFS, or on NTFS by version 5.0,
// whatever the setting.
bool OemRuleApplies(CodePageRule rule, uint8_t hostSystem, uint8_t madeByVersion);

}  // namespace ruvu::zip
