// Where spanned sets join the add and extract operations. Until writing and joining spanned sets
// exist, each reports that it is not available, so the operation ends cleanly without touching the
// archive.
#include "engine/DozEngine.h"
#include "engine/Messages.h"

namespace ruvu {

int32_t TDozEngine::WriteSpan(const std::string& tempArchive) {
    ShowZipMessage(msg::SpanningUnsupported);
    return -1;
}

int32_t TDozEngine::ReadSpan(const std::string& folder, std::string& joined) {
    joined.clear();
    ShowZipMessage(msg::SpanningUnsupported);
    return -1;
}

}  // namespace ruvu
