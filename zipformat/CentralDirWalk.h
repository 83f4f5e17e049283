// Walking the central directory: one header after another, each with its name, extra field and
// comment, every length checked against the bytes that are there.
#pragma once

#include "zipformat/CentralDirHeader.h"
#include "zipformat/ChunkReader.h"

namespace ruvu::zip {

enum class CentralEntryError {
    None,
    HeaderCut,     // fewer than 46 bytes left; nothing was consumed
    BadSignature,  // the 46 bytes are no central header
    NameCut,       // the name runs past the end
    ExtraCut,      // the extra field runs past the end
    CommentCut,    // the file comment runs past the end
};

// Reads the next header into entry. On HeaderCut the reader is where it was, so a caller reading a
// directory spread over the parts of a set can go on in the next part; after any other error the
// reader's position is not defined.
CentralEntryError ReadCentralEntry(ChunkReader& in, CentralDirEntry& entry);

}  // namespace ruvu::zip
