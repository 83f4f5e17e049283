#include "sfx/VivEDI.h"

namespace ruvu {

void TCustomVivEDI::AssignMessage(std::string_view text) {
    MessageStyle = 0;
    if (!text.empty() && text.front() == '\x01') {
        MessageStyle = kSfxStyleOkCancelInfo;
        text.remove_prefix(1);
    } else if (!text.empty() && text.front() == '\x02') {
        MessageStyle = kSfxStyleYesNoQuestion;
        text.remove_prefix(1);
    }
    Message = text;
}

}  // namespace ruvu
