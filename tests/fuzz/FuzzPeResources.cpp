// Feeds arbitrary bytes, taken as a stub, to the resource walk: finding icon number 1, taking the
// first icon, and replacing icon 1 with an image of its size. Besides "no crash" and no hang on
// cyclic trees, a replacement must change nothing outside the resource's bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sfx/PeResources.h"
#include "sfx/SfxError.h"
#include "zipformat/ByteOrder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ruvu;
    const std::vector<uint8_t> image(data, data + size);
    if (const auto icon = sfx::FirstIconOf(image)) {
        if (!sfx::IsIconFile({reinterpret_cast<const uint8_t*>(icon->data()), icon->size()})) {
            std::abort();
        }
    }
    sfx::ResourceBytes found;
    try {
        found = sfx::FindIconResource(image);
    } catch (const ESfxError&) {
        return 0;
    }
    // An icon file with one image of the resource's size, every byte 0xA5.
    std::string icon;
    zip::ByteWriter(icon)
        .U16(0)
        .U16(1)
        .U16(1)
        .U8(32)
        .U8(32)
        .U8(0)
        .U8(0)
        .U16(1)
        .U16(32)
        .U32(found.Size)
        .U32(22);
    icon.append(found.Size, static_cast<char>(0xA5));
    std::vector<uint8_t> replaced = image;
    try {
        sfx::ReplaceIcon(replaced, {reinterpret_cast<const uint8_t*>(icon.data()), icon.size()});
    } catch (const ESfxError&) {
        return 0;
    }
    for (size_t i = 0; i < size; ++i) {
        const bool inside = i >= found.FilePos && i - found.FilePos < found.Size;
        if (inside ? replaced[i] != 0xA5 : replaced[i] != image[i]) {
            std::abort();
        }
    }
    return 0;
}
