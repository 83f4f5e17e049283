// Feeds arbitrary bytes to the file splitter: as pieces of a set (the first one with its 32-byte header
// holding the piece count), which a join glues together; and as a file that a split with sizes taken
// from the input cuts and a join puts back. Nothing may crash or hang; a join that succeeds gives the
// pieces' bytes after the header, and a split followed by a join gives the file back byte for byte.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Interaction.h"
#include "splitter/FileSplitter.h"
#include "tests/fuzz/FuzzDrive.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

namespace fs = std::filesystem;

std::string root;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    root = ruvu::fuzz::DriveC("fuzz-splitjoin");
    static ruvu::platform::ScriptedInteraction ui;
    ruvu::platform::InstallInteraction(&ui);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    fs::remove_all(root + "/set");
    fs::create_directories(root + "/set");
    // The input as up to four pieces of a set, cut where its first bytes say.
    const std::string input(reinterpret_cast<const char*>(data) + 3, size - 3);
    const size_t pieces = 1 + data[0] % 4;
    std::string expected;
    std::string name = "C:\\set\\X.SPL";
    size_t at = 0;
    for (size_t n = 1; n <= pieces && at <= input.size(); ++n) {
        const size_t length =
            n == pieces ? input.size() - at : std::min<size_t>(input.size() - at, data[n % 3] * 7u);
        const std::string piece = input.substr(at, length);
        std::ofstream(root + "/set/" + name.substr(7), std::ios::binary) << piece;
        expected += n == 1 ? piece.substr(std::min<size_t>(32, piece.size())) : piece;
        at += length;
        name = ruvu::NextPieceName(name, static_cast<uint32_t>(n));
    }
    ruvu::TFileSplitter joiner;
    joiner.SetSplitFileName("C:\\set\\X.SPL");
    joiner.SetFileName("C:\\set\\JOINED.BIN");
    try {
        if (joiner.Join()) {
            const std::string joined = ruvu::fuzz::ReadAll(root + "/set/JOINED.BIN");
            if (expected.compare(0, joined.size(), joined) != 0) {
                ruvu::fuzz::Fail("a join gave bytes the pieces do not hold");
            }
        }
    } catch (const std::exception&) {
        // A piece that cannot be read is an error the caller gets.
    }

    // The input as a file, split with sizes from its first bytes and joined again.
    fs::remove_all(root + "/set");
    fs::create_directories(root + "/set");
    std::ofstream(root + "/set/FILE.BIN", std::ios::binary) << input;
    ruvu::TFileSplitter splitter;
    splitter.SetSize(256 + data[1] * 16);
    splitter.SetBufferSize(33 + data[2]);
    splitter.SetReduceFirstSizeBy(data[0] / 2);
    splitter.SetFileName("C:\\set\\FILE.BIN");
    splitter.SetSplitFileName("C:\\set\\PART.SPL");
    try {
        if (splitter.Split()) {
            ruvu::TFileSplitter back;
            back.SetSplitFileName("C:\\set\\PART.SPL");
            back.SetFileName("C:\\set\\BACK.BIN");
            if (!back.Join() || ruvu::fuzz::ReadAll(root + "/set/BACK.BIN") != input) {
                ruvu::fuzz::Fail("a split and a join did not give the file back");
            }
        }
    } catch (const std::exception&) {
    }
    return 0;
}
