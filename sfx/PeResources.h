// The icon resources of a 32-bit Windows executable (the stub): finding icon number 1 so that a new
// icon's image of the same size can be written over it in place, and taking an executable's first
// icon as an icon file. Every offset read from the image is checked against the image and against
// its resource section, and the resource tree is walked at most three levels deep, visiting no
// directory twice, so a damaged or hostile image ends with a message, never a hang or a stray write.
//
// Plain C++ without the host layer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ruvu::sfx {

// Resource types.
inline constexpr uint32_t kResourceIcon = 3;        // one image of an icon
inline constexpr uint32_t kResourceGroupIcon = 14;  // an icon: its images' sizes and numbers

// Where a resource's bytes lie in the image.
struct ResourceBytes {
    uint64_t FilePos = 0;
    uint32_t Size = 0;
};

// The bytes of icon resource number 1 in the first language listed for it. ESfxError 10902 for an
// image that is no 32-bit executable, and the texts "No resources found in executable.", "Error while
// reading executable sections.", "Error while browsing resources." and "No icon resources found in
// executable.".
ResourceBytes FindIconResource(std::span<const uint8_t> image);

// Writes over icon resource number 1 of image the first image of the icon file whose size equals the
// resource's: ESfxError as FindIconResource, "No icon found." for bytes that are no icon file, "No
// matching icon found." when no image has that size. Nothing outside the resource's bytes changes.
void ReplaceIcon(std::vector<uint8_t>& image, std::span<const uint8_t> icon);

// The first icon of an executable as the bytes of an icon file (every image of its first icon
// group); nullopt when the bytes are no 32-bit executable or it holds no icon.
std::optional<std::string> FirstIconOf(std::span<const uint8_t> image);

// Whether the bytes are an icon file with at least one image that lies inside them.
bool IsIconFile(std::span<const uint8_t> icon);

}  // namespace ruvu::sfx
