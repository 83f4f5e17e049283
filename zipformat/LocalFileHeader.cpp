#include "zipformat/LocalFileHeader.h"

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

std::string LocalFileEntry::Serialize() const {
    LocalFileHeader fixed = *this;
    fixed.FileNameLength = static_cast<uint16_t>(Name.size());
    fixed.ExtraLength = static_cast<uint16_t>(Extra.size());
    std::string out;
    out.reserve(kSize + Name.size() + Extra.size());
    fixed.AppendTo(out);
    return out.append(Name).append(Extra);
}

LocalEntryError ReadLocalEntry(ByteSource& source, uint64_t pos, LocalFileEntry& entry) {
    uint8_t fixed[LocalFileHeader::kSize];
    if (!source.ReadExactAt(pos, fixed, sizeof fixed)) {
        return LocalEntryError::HeaderCut;
    }
    static_cast<LocalFileHeader&>(entry) = *LocalFileHeader::Read(fixed);
    if (entry.Signature != LocalFileHeader::kSignature) {
        return LocalEntryError::BadSignature;
    }
    pos += LocalFileHeader::kSize;
    entry.Name.resize(entry.FileNameLength);
    if (!source.ReadExactAt(pos, entry.Name.data(), entry.Name.size())) {
        return LocalEntryError::NameCut;
    }
    entry.Extra.resize(entry.ExtraLength);
    if (!source.ReadExactAt(pos + entry.Name.size(), entry.Extra.data(), entry.Extra.size())) {
        return LocalEntryError::ExtraCut;
    }
    return LocalEntryError::None;
}

}  // namespace ruvu::zip
