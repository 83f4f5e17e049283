#include "zipformat/CodePageRule.h"

#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

CodePageRule CodePageRuleFromCode(uint16_t code) {
    switch (code) {
        case static_cast<uint16_t>(CodePageRule::None):
            return CodePageRule::None;
        case static_cast<uint16_t>(CodePageRule::Oem):
            return CodePageRule::Oem;
        default:
            return CodePageRule::Auto;
    }
}

bool OemRuleApplies(CodePageRule rule, uint8_t hostSystem, uint8_t madeByVersion) {
    return rule == CodePageRule::Oem || (rule == CodePageRule::Auto && hostSystem == kHostMsDos) ||
           hostSystem == kHostHpfs || (hostSystem == kHostNtfs && madeByVersion == 50);
}

}  // namespace ruvu::zip
