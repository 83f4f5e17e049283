#include "tests/sfx/SfxTestSupport.h"

#include <algorithm>

#include "tests/engine/EngineTestSupport.h"
#include "zipformat/ByteOrder.h"

namespace ruvu::sfxtest {

namespace {

constexpr uint32_t kSectionAddress = 0x1000;
constexpr size_t kSectionFilePos = 0x200;
constexpr size_t kPeAt = 64;

void Put16(std::string& out, size_t at, uint16_t value) {
    zip::PutU16(reinterpret_cast<uint8_t*>(out.data() + at), value);
}
void Put32(std::string& out, size_t at, uint32_t value) {
    zip::PutU32(reinterpret_cast<uint8_t*>(out.data() + at), value);
}

}  // namespace

PeImage BuildPe(const std::vector<Resource>& resources) {
    // The resource tree: root, one directory per type, one per name (holding its one language), the
    // data entries, then the bytes.
    std::vector<uint32_t> types;
    for (const Resource& r : resources) {
        if (std::find(types.begin(), types.end(), r.type) == types.end()) {
            types.push_back(r.type);
        }
    }
    std::string tree;
    auto directory = [&](size_t entries) {
        const size_t at = tree.size();
        tree.resize(at + 16 + 8 * entries, '\0');
        Put16(tree, at + 14, static_cast<uint16_t>(entries));
        return at;
    };
    auto entry = [&](size_t dir, size_t index, uint32_t id, uint32_t target) {
        Put32(tree, dir + 16 + 8 * index, id);
        Put32(tree, dir + 16 + 8 * index + 4, target);
    };
    const size_t root = directory(types.size());
    std::vector<size_t> dataEntries(resources.size());
    for (size_t t = 0; t < types.size(); ++t) {
        std::vector<size_t> members;
        for (size_t i = 0; i < resources.size(); ++i) {
            if (resources[i].type == types[t]) {
                members.push_back(i);
            }
        }
        const size_t typeDir = directory(members.size());
        entry(root, t, types[t], 0x80000000u | static_cast<uint32_t>(typeDir));
        for (size_t m = 0; m < members.size(); ++m) {
            const size_t languageDir = directory(1);
            entry(typeDir, m, resources[members[m]].id, 0x80000000u | static_cast<uint32_t>(languageDir));
            dataEntries[members[m]] = tree.size();
            tree.resize(tree.size() + 16, '\0');
            entry(languageDir, 0, 0x040E, static_cast<uint32_t>(dataEntries[members[m]]));
        }
    }
    PeImage image;
    for (size_t i = 0; i < resources.size(); ++i) {
        Put32(tree, dataEntries[i], kSectionAddress + static_cast<uint32_t>(tree.size()));
        Put32(tree, dataEntries[i] + 4, static_cast<uint32_t>(resources[i].data.size()));
        image.dataPositions.push_back(kSectionFilePos + tree.size());
        tree += resources[i].data;
    }

    std::string& out = image.bytes;
    out.assign(kSectionFilePos, '\0');
    out[0] = 'M';
    out[1] = 'Z';
    Put32(out, 60, kPeAt);
    out.replace(kPeAt, 4, std::string("PE\0\0", 4));
    Put16(out, kPeAt + 4, 0x014C);   // i386
    Put16(out, kPeAt + 6, 1);        // one section
    Put16(out, kPeAt + 20, 224);     // optional header size
    Put16(out, kPeAt + 24, 0x010B);  // 32-bit optional header
    Put32(out, kPeAt + 136, kSectionAddress);
    Put32(out, kPeAt + 140, static_cast<uint32_t>(tree.size()));
    image.resourceSectionHeader = kPeAt + 248;
    out.replace(image.resourceSectionHeader, 5, ".rsrc");
    Put32(out, image.resourceSectionHeader + 8, static_cast<uint32_t>(tree.size()));
    Put32(out, image.resourceSectionHeader + 12, kSectionAddress);
    Put32(out, image.resourceSectionHeader + 16, static_cast<uint32_t>(tree.size()));
    Put32(out, image.resourceSectionHeader + 20, kSectionFilePos);
    image.rootDirectory = kSectionFilePos + root;
    out += tree;
    return image;
}

std::string BuildIco(const std::vector<std::string>& images) {
    std::string out;
    zip::ByteWriter w(out);
    w.U16(0).U16(1).U16(static_cast<uint16_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const std::string& image : images) {
        w.U8(32).U8(32).U8(0).U8(0).U16(1).U16(32).U32(static_cast<uint32_t>(image.size())).U32(offset);
        offset += static_cast<uint32_t>(image.size());
    }
    for (const std::string& image : images) {
        out += image;
    }
    return out;
}

ProgramRun RunWithInput(const std::vector<std::string>& argv, const std::string& workDir,
                        std::string_view input) {
    std::vector<std::string> shell = {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1"};
    shell.insert(shell.end(), argv.begin(), argv.end());
    ProgramRun run;
    run.status = enginetest::RunProgram(shell, workDir, input, &run.output);
    return run;
}

}  // namespace ruvu::sfxtest
