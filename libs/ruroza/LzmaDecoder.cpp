#include "libs/ruroza/LzmaDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "zipformat/ByteOrder.h"

namespace ruvu::ruroza {

namespace {

constexpr size_t kPropertiesSize = 5;
constexpr uint32_t kMinDictionary = 4096;

}  // namespace

MethodDecoder::Step LzmaDecoder::Start(const DecoderSetup& setup) {
    declaredSize_ = setup.declaredSize;
    headerHave_ = 0;
    return Step::More;
}

MethodDecoder::Step LzmaDecoder::Decode(std::span<const uint8_t>& input, bool inputEnds,
                                        std::span<const uint8_t>& output) {
    if (headerHave_ < kHeaderSize) {
        const size_t take = std::min(kHeaderSize - headerHave_, input.size());
        std::copy_n(input.begin(), take, header_.begin() + headerHave_);
        headerHave_ += take;
        input = input.subspan(take);
        if (headerHave_ >= 4 && zip::GetU16(header_.data() + 2) != kPropertiesSize) {
            return Fail("invalid LZMA header: " + std::to_string(zip::GetU16(header_.data() + 2)) +
                        " bytes of properties");
        }
        if (headerHave_ < kHeaderSize) {
            return inputEnds ? Fail("the compressed data ends in its LZMA header") : Step::More;
        }
        if (const Step step = StartStream(); step != Step::More) {
            return step;
        }
    }
    return Code(input, inputEnds, output);
}

MethodDecoder::Step LzmaDecoder::StartStream() {
    lzma_filter filter{LZMA_FILTER_LZMA1, nullptr};
    if (lzma_properties_decode(&filter, nullptr, header_.data() + 4, kPropertiesSize) != LZMA_OK) {
        return Fail("invalid LZMA properties");
    }
    const std::unique_ptr<lzma_options_lzma, decltype(&std::free)> options(
        static_cast<lzma_options_lzma*>(filter.options), &std::free);
    // No match reaches further back than the start of the file.
    const uint64_t needed = std::max<uint64_t>(kMinDictionary, declaredSize_);
    options->dict_size = static_cast<uint32_t>(std::min<uint64_t>(options->dict_size, needed));
    if (options->dict_size > kMaxWindow) {
        return Fail("the data needs a dictionary of " + std::to_string(options->dict_size >> 20) +
                        " MiB, more than the " + std::to_string(kMaxWindow >> 20) +
                        " MiB this library allows",
                    Step::Unsupported);
    }
    options->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    options->ext_size_low = static_cast<uint32_t>(declaredSize_);
    options->ext_size_high = static_cast<uint32_t>(declaredSize_ >> 32);
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, options.get()}, {LZMA_VLI_UNKNOWN, nullptr}};
    const lzma_ret result = lzma_raw_decoder(&stream_, filters);
    return result == LZMA_OK ? Step::More : Refused(result);
}

}  // namespace ruvu::ruroza
