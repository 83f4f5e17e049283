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

}  // namespace ruvu::zip
