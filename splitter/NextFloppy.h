// The disk prompt of the floppy copy workflow: "Kérem a N.Lemezt", the total below it when known, and
// the box that asks for the floppy to be wiped first (ticked by default), asked through the installed
// interaction.
#pragma once

#include <cstdint>

namespace ruvu {

struct NextFloppyChoice {
    bool ok = false;     // "Rendben"; false for "Megszakitás"
    bool erase = false;  // the erase box was shown and left ticked
};

NextFloppyChoice AskNextFloppy(uint16_t diskId, uint16_t numOfDisks, bool eraseBoxShown);

}  // namespace ruvu
