// Where new self-extracting archives join the add operation. Until building executables from the stub
// exists, it reports that it is not available, so the operation ends cleanly without touching the
// archive.
#include "engine/DozEngine.h"
#include "engine/Messages.h"

namespace ruvu {

void TDozEngine::CreateEmptySFX() {
    throw EDozErozev(msg::SfxNotSupported, true);
}

}  // namespace ruvu
