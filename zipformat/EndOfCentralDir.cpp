#include "zipformat/EndOfCentralDir.h"

#include "zipformat/ByteOrder.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

bool EndOfCentralDir::UsesZip64() const {
    return ThisDiskNo == kZip64Marker16 || CentralDirDisk == kZip64Marker16 ||
           EntriesThisDisk == kZip64Marker16 || TotalEntries == kZip64Marker16 ||
           CentralDirSize == kZip64Marker32 || CentralDirOffset == kZip64Marker32;
}

}  // namespace ruvu::zip
