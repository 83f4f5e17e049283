#include "zipformat/CentralDirWalk.h"

namespace ruvu::zip {

namespace {

bool Take(ChunkReader& in, size_t count, std::string& out) {
    if (count == 0) {
        out.clear();
        return true;
    }
    const uint8_t* bytes = in.Next(count);
    if (bytes == nullptr) {
        return false;
    }
    out.assign(reinterpret_cast<const char*>(bytes), count);
    return true;
}

}  // namespace

CentralEntryError ReadCentralEntry(ChunkReader& in, CentralDirEntry& entry) {
    const uint8_t* fixed = in.Next(CentralDirHeader::kSize);
    if (fixed == nullptr) {
        return CentralEntryError::HeaderCut;
    }
    static_cast<CentralDirHeader&>(entry) = *CentralDirHeader::Read({fixed, CentralDirHeader::kSize});
    if (entry.Signature != CentralDirHeader::kSignature) {
        return CentralEntryError::BadSignature;
    }
    if (!Take(in, entry.FileNameLength, entry.Name)) {
        return CentralEntryError::NameCut;
    }
    if (!Take(in, entry.ExtraLength, entry.Extra)) {
        return CentralEntryError::ExtraCut;
    }
    if (!Take(in, entry.CommentLength, entry.Comment)) {
        return CentralEntryError::CommentCut;
    }
    return CentralEntryError::None;
}

}  // namespace ruvu::zip
