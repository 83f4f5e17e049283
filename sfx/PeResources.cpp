#include "sfx/PeResources.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "sfx/SfxError.h"
#include "zipformat/ByteOrder.h"

namespace ruvu::sfx {

namespace {

using zip::GetU16;
using zip::GetU32;

constexpr const char* kNoResources = "No resources found in executable.";
constexpr const char* kSectionsUnreadable = "Error while reading executable sections.";
constexpr const char* kBrowseError = "Error while browsing resources.";
constexpr const char* kNoIconResource = "No icon resources found in executable.";
constexpr const char* kNoIcon = "No icon found.";
constexpr const char* kNoMatchingIcon = "No matching icon found.";
constexpr const char* kCannotCopyIcon = "Cannot copy icon.";

constexpr size_t kDosHeaderSize = 64;
constexpr size_t kLfanewAt = 60;
constexpr size_t kPeHeadersSize = 248;  // signature, file header, 32-bit optional header
constexpr uint32_t kPeSignature = 0x00004550;
constexpr uint16_t kOptionalMagic32 = 0x10B;
constexpr size_t kOptionalMagicAt = 24;
constexpr size_t kSectionCountAt = 6;
constexpr size_t kResourceRvaAt = 136;
constexpr size_t kResourceSizeAt = 140;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kDirectorySize = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr uint32_t kSubdirectoryBit = 0x80000000;
// Type, name and language: the data lies at the third level.
constexpr int kLanguageLevel = 2;

constexpr size_t kIconDirSize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;

// The resource section of an image, found the way the executable's loader would not need to: by the
// section whose address is the resource directory's.
class ResourceSection {
  public:
    explicit ResourceSection(std::span<const uint8_t> image) : image_(image) {
        if (image.size() < kDosHeaderSize || GetU16(image.data()) != 0x5A4D) {
            throw ESfxError(sfxmsg::InputNotExe);
        }
        const uint64_t pe = GetU32(image.data() + kLfanewAt);
        if (pe > image.size() || image.size() - pe < kPeHeadersSize ||
            GetU32(image.data() + pe) != kPeSignature ||
            GetU16(image.data() + pe + kOptionalMagicAt) != kOptionalMagic32) {
            throw ESfxError(sfxmsg::InputNotExe);
        }
        const uint32_t rva = GetU32(image.data() + pe + kResourceRvaAt);
        if (rva == 0 || GetU32(image.data() + pe + kResourceSizeAt) == 0) {
            throw ESfxError(kNoResources);
        }
        const uint16_t sections = GetU16(image.data() + pe + kSectionCountAt);
        for (uint32_t i = 0; i < sections; ++i) {
            const uint64_t at = pe + kPeHeadersSize + uint64_t{i} * kSectionHeaderSize;
            if (at > image.size() || image.size() - at < kSectionHeaderSize) {
                throw ESfxError(kSectionsUnreadable);
            }
            if (GetU32(image.data() + at + 12) != rva) {
                continue;
            }
            virtualAddress_ = rva;
            const uint64_t raw = GetU32(image.data() + at + 20);
            const uint64_t rawSize = GetU32(image.data() + at + 16);
            if (raw > image.size()) {
                throw ESfxError(kBrowseError);
            }
            bytes_ = image.subspan(raw, std::min<uint64_t>(rawSize, image.size() - raw));
            rawPos_ = raw;
            return;
        }
        throw ESfxError(kNoResources);
    }

    // The first data entry of type in the first language, of the name when one is given (only its low
    // 16 bits are compared), else of the first name.
    std::optional<ResourceBytes> Find(uint32_t type, std::optional<uint16_t> name) {
        visited_.clear();
        return Walk(0, 0, type, name);
    }

    // The bytes of a data entry, which must lie inside the resource section.
    std::span<const uint8_t> BytesOf(const ResourceBytes& found) const {
        return image_.subspan(static_cast<size_t>(found.FilePos), found.Size);
    }

  private:
    const uint8_t* At(uint64_t offset, size_t size) const {
        if (offset > bytes_.size() || bytes_.size() - offset < size) {
            throw ESfxError(kBrowseError);
        }
        return bytes_.data() + offset;
    }

    std::optional<ResourceBytes> Walk(int level, uint32_t offset, uint32_t type,
                                      std::optional<uint16_t> name) {
        if (!visited_.insert(offset).second) {
            throw ESfxError(kBrowseError);
        }
        const uint8_t* dir = At(offset, kDirectorySize);
        const uint32_t count = uint32_t{GetU16(dir + 12)} + GetU16(dir + 14);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* entry =
                At(offset + kDirectorySize + uint64_t{i} * kDirectoryEntrySize, kDirectoryEntrySize);
            const uint32_t id = GetU32(entry);
            const uint32_t target = GetU32(entry + 4);
            if ((target & kSubdirectoryBit) == 0) {
                if (level == kLanguageLevel) {
                    return DataEntry(target);
                }
                continue;
            }
            const bool wanted = level == 0 ? id == type : level == 1 ? !name || (id & 0xFFFF) == *name : true;
            if (!wanted) {
                continue;
            }
            if (level == kLanguageLevel) {
                throw ESfxError(kBrowseError);
            }
            if (auto found = Walk(level + 1, target & ~kSubdirectoryBit, type, name)) {
                return found;
            }
        }
        return std::nullopt;
    }

    ResourceBytes DataEntry(uint32_t offset) const {
        const uint8_t* entry = At(offset, kDataEntrySize);
        const uint32_t rva = GetU32(entry);
        const uint32_t size = GetU32(entry + 4);
        if (rva < virtualAddress_) {
            throw ESfxError(kBrowseError);
        }
        const uint64_t inSection = rva - virtualAddress_;
        At(inSection, size);
        return {rawPos_ + inSection, size};
    }

    std::span<const uint8_t> image_;
    std::span<const uint8_t> bytes_;
    uint64_t rawPos_ = 0;
    uint32_t virtualAddress_ = 0;
    std::set<uint32_t> visited_;
};

struct IconImage {
    const uint8_t* entry;  // the 16-byte directory entry
    std::span<const uint8_t> bytes;
};

// The images of an icon file, in directory order; an entry whose bytes lie outside the file is left
// out. "No icon found." when the bytes are no icon file.
std::vector<IconImage> IconImages(std::span<const uint8_t> icon) {
    if (icon.size() < kIconDirSize || GetU16(icon.data() + 2) != 1 || GetU16(icon.data() + 4) == 0 ||
        GetU16(icon.data()) != 0) {
        throw ESfxError(kNoIcon);
    }
    const uint16_t count = GetU16(icon.data() + 4);
    if (icon.size() - kIconDirSize < size_t{count} * kIconEntrySize) {
        throw ESfxError(kNoIcon);
    }
    std::vector<IconImage> images;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t* entry = icon.data() + kIconDirSize + size_t{i} * kIconEntrySize;
        const uint64_t size = GetU32(entry + 8);
        const uint64_t offset = GetU32(entry + 12);
        if (offset <= icon.size() && icon.size() - offset >= size) {
            images.push_back({entry, icon.subspan(offset, size)});
        }
    }
    return images;
}

}  // namespace

ResourceBytes FindIconResource(std::span<const uint8_t> image) {
    ResourceSection section(image);
    const auto found = section.Find(kResourceIcon, 1);
    if (!found) {
        throw ESfxError(kNoIconResource);
    }
    return *found;
}

void ReplaceIcon(std::vector<uint8_t>& image, std::span<const uint8_t> icon) {
    const ResourceBytes target = FindIconResource(image);
    for (const IconImage& candidate : IconImages(icon)) {
        if (candidate.bytes.size() != target.Size || candidate.entry[3] != 0) {
            continue;
        }
        if (target.FilePos > image.size() || image.size() - target.FilePos < target.Size) {
            throw ESfxError(kCannotCopyIcon);
        }
        std::copy(candidate.bytes.begin(), candidate.bytes.end(),
                  image.begin() + static_cast<ptrdiff_t>(target.FilePos));
        return;
    }
    throw ESfxError(kNoMatchingIcon);
}

std::optional<std::string> FirstIconOf(std::span<const uint8_t> image) {
    try {
        ResourceSection section(image);
        const auto group = section.Find(kResourceGroupIcon, std::nullopt);
        if (!group) {
            return std::nullopt;
        }
        const std::span<const uint8_t> dir = section.BytesOf(*group);
        if (dir.size() < kIconDirSize || GetU16(dir.data() + 2) != 1) {
            return std::nullopt;
        }
        const uint16_t count = GetU16(dir.data() + 4);
        if (count == 0 || dir.size() - kIconDirSize < size_t{count} * kGroupEntrySize) {
            return std::nullopt;
        }
        std::string header;
        std::string data;
        zip::ByteWriter(header).U16(0).U16(1).U16(count);
        const uint32_t firstImage = static_cast<uint32_t>(kIconDirSize + size_t{count} * kIconEntrySize);
        for (uint16_t i = 0; i < count; ++i) {
            const uint8_t* entry = dir.data() + kIconDirSize + size_t{i} * kGroupEntrySize;
            const auto found = section.Find(kResourceIcon, GetU16(entry + 12));
            if (!found) {
                return std::nullopt;
            }
            const std::span<const uint8_t> bytes = section.BytesOf(*found);
            header.append(reinterpret_cast<const char*>(entry), 8);
            zip::ByteWriter(header).U32(found->Size).U32(firstImage + static_cast<uint32_t>(data.size()));
            data.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        return header + data;
    } catch (const ESfxError&) {
        return std::nullopt;
    }
}

bool IsIconFile(std::span<const uint8_t> icon) {
    try {
        return !IconImages(icon).empty();
    } catch (const ESfxError&) {
        return false;
    }
}

}  // namespace ruvu::sfx
