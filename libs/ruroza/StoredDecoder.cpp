#include "libs/ruroza/StoredDecoder.h"

namespace ruvu::ruroza {

MethodDecoder::Step StoredDecoder::Start(const DecoderSetup& setup) {
    if (setup.storedSize != setup.declaredSize) {
        return Fail("the stored size " + std::to_string(setup.storedSize) + " differs from the file size " +
                    std::to_string(setup.declaredSize));
    }
    return Step::More;
}

MethodDecoder::Step StoredDecoder::Decode(std::span<const uint8_t>& input, bool inputEnds,
                                          std::span<const uint8_t>& output) {
    output = input;
    input = {};
    return inputEnds ? Step::End : Step::More;
}

}  // namespace ruvu::ruroza
