#include "libs/ruroza/PpmdDecoder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "zipformat/ByteOrder.h"

namespace ruvu::ruroza {

namespace {

constexpr size_t kPropertiesSize = 2;
constexpr size_t kCoderStartSize = 4;
constexpr size_t kOutputPiece = 1 << 20;
constexpr size_t kInputRoom = 64 * 1024;
// More than one byte can take from the input: one coder decision in each context from the highest
// order down to the root, each reading a few bytes. A byte is decoded only while this much input is
// at hand (or the input has ended), so decoding never waits for input in the middle of a byte.
constexpr size_t kMargin = 256;

constexpr unsigned kLargestMemoryMiB = 256;
static_assert((uint64_t{kLargestMemoryMiB} << 20) <= MethodDecoder::kMaxWindow,
              "the properties cannot ask for more memory than a decoder may take");

}  // namespace

MethodDecoder::Step PpmdDecoder::Start(const DecoderSetup& setup) {
    left_ = setup.declaredSize;
    started_ = false;
    in_.resize(kInputRoom);
    inPos_ = inEnd_ = 0;
    lastInput_ = false;
    return Step::More;
}

void PpmdDecoder::TakeInput(std::span<const uint8_t>& input, bool inputEnds) {
    std::memmove(in_.data(), in_.data() + inPos_, inEnd_ - inPos_);
    inEnd_ -= inPos_;
    inPos_ = 0;
    const size_t take = std::min(in_.size() - inEnd_, input.size());
    std::copy_n(input.begin(), take, in_.begin() + static_cast<ptrdiff_t>(inEnd_));
    inEnd_ += take;
    input = input.subspan(take);
    lastInput_ = inputEnds && input.empty();
}

MethodDecoder::Step PpmdDecoder::StartModel() {
    const size_t have = inEnd_ - inPos_;
    // An empty file needs only the properties; a peer may store no bytes at all for it.
    const size_t needed = left_ == 0 ? kPropertiesSize : kPropertiesSize + kCoderStartSize;
    if (have < needed) {
        if (!lastInput_) {
            return Step::More;
        }
        return have == 0 && left_ == 0 ? Step::End : Fail("the compressed data ends in its PPMd header");
    }
    const uint16_t properties = zip::GetU16(in_.data() + inPos_);
    inPos_ += kPropertiesSize;
    const unsigned order = (properties & 0xF) + 1;
    const unsigned memoryMiB = ((properties >> 4) & 0xFF) + 1;
    const unsigned restoration = properties >> 12;
    if (order < ppmd::kMinOrder) {
        return Fail("invalid PPMd properties: model order " + std::to_string(order));
    }
    if (restoration > static_cast<unsigned>(ppmd::Restoration::CutOff)) {
        return Fail("the PPMd restoration method " + std::to_string(restoration) + " is not supported",
                    Step::Unsupported);
    }
    if (left_ == 0) {
        return Step::End;
    }
    model_.Start(order, static_cast<ppmd::Restoration>(restoration), memoryMiB << 20);
    coder_.SetInput(in_.data() + inPos_, in_.data() + inEnd_);
    if (!coder_.Start()) {
        return Fail("invalid compressed data");
    }
    inPos_ = static_cast<size_t>(coder_.Position() - in_.data());
    started_ = true;
    return Step::More;
}

MethodDecoder::Step PpmdDecoder::Decode(std::span<const uint8_t>& input, bool inputEnds,
                                        std::span<const uint8_t>& output) {
    TakeInput(input, inputEnds);
    if (!started_) {
        const Step step = StartModel();
        if (!started_) {
            return step;
        }
    }
    uint8_t* buffer = output_.Get(kOutputPiece);
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(kOutputPiece, left_));
    const uint8_t* end = in_.data() + inEnd_;
    coder_.SetInput(in_.data() + inPos_, end);
    size_t made = 0;
    Step step = Step::More;
    while (made < piece && (lastInput_ || static_cast<size_t>(end - coder_.Position()) >= kMargin)) {
        const int symbol = model_.DecodeSymbol(coder_);
        if (coder_.Overrun() != 0) {
            step = Fail("the compressed data ends too early");
            break;
        }
        if (symbol < 0) {
            // The end mark ends the data; the entry then checks that it had all its bytes.
            step = symbol == ppmd::PpmdModel::kEndMark ? Step::End : Fail("invalid compressed data");
            break;
        }
        buffer[made++] = static_cast<uint8_t>(symbol);
    }
    inPos_ = static_cast<size_t>(coder_.Position() - in_.data());
    left_ -= made;
    output = {buffer, made};
    return step == Step::More && left_ == 0 ? Step::End : step;
}

}  // namespace ruvu::ruroza
