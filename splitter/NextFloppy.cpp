#include "splitter/NextFloppy.h"

#include <string>

#include "platform/Interaction.h"

namespace ruvu {

NextFloppyChoice AskNextFloppy(uint16_t diskId, uint16_t numOfDisks, bool eraseBoxShown) {
    platform::NextFloppyRequest request;
    request.caption = "RuvuvADU";
    request.request = "Kérem a " + std::to_string(diskId) + ".Lemezt";
    if (numOfDisks != 0) {
        request.total = "(összesen " + std::to_string(numOfDisks) + ")";
    }
    request.eraseBoxShown = eraseBoxShown;
    request.eraseBoxChecked = eraseBoxShown;
    platform::NextFloppyAnswer answer = platform::CurrentInteraction().NextFloppyDialog(request);
    NextFloppyChoice choice;
    choice.ok = answer.modalResult == platform::IDOK;
    choice.erase = eraseBoxShown && answer.eraseBoxChecked;
    return choice;
}

}  // namespace ruvu
