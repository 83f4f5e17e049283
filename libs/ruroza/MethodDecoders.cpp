#include "libs/ruroza/MethodDecoders.h"

#include "libs/ruroza/Bzip2Decoder.h"
#include "libs/ruroza/Deflate64Decoder.h"
#include "libs/ruroza/InflateDecoder.h"
#include "libs/ruroza/LzmaDecoder.h"
#include "libs/ruroza/PpmdDecoder.h"
#include "libs/ruroza/StoredDecoder.h"
#include "libs/ruroza/XzDecoder.h"
#include "libs/ruroza/ZstdDecoder.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::ruroza {

namespace {

template <class Decoder>
std::unique_ptr<MethodDecoder> Make() {
    return std::make_unique<Decoder>();
}

struct MethodRow {
    uint16_t method;
    std::unique_ptr<MethodDecoder> (*make)();
};

constexpr MethodRow kMethods[] = {
    {zip::kMethodStored, &Make<StoredDecoder>},
    {zip::kMethodDeflated, &Make<InflateDecoder>},
    {zip::kMethodDeflate64, &Make<Deflate64Decoder>},
    {zip::kMethodBzip2, &Make<Bzip2Decoder>},
    {zip::kMethodLzma, &Make<LzmaDecoder>},
    {zip::kMethodZstd, &Make<ZstdDecoder>},
    {zip::kMethodXz, &Make<XzDecoder>},
    {zip::kMethodPpmd, &Make<PpmdDecoder>},
};

const MethodRow* Find(uint16_t method) {
    for (const MethodRow& row : kMethods) {
        if (row.method == method) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

bool IsDecodableMethod(uint16_t method) {
    return Find(method) != nullptr;
}

std::unique_ptr<MethodDecoder> MakeMethodDecoder(uint16_t method) {
    const MethodRow* row = Find(method);
    return row != nullptr ? row->make() : nullptr;
}

}  // namespace ruvu::ruroza
