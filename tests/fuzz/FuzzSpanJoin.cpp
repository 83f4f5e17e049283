// Feeds arbitrary bytes to the joining of a spanned set, as the extract operation joins one. The input
// is a set of part files: its first byte gives the number of parts (1 to 8); a 24-bit little-endian
// length for each part but the last follows; the rest of the bytes are the parts one after another
// (a length running past the end takes what is left). They are written as SET.Z01, SET.Z02, ... and
// SET.ZIP on drive C, a fresh folder. Besides "no crash, no hang": a failed join leaves nothing in its
// output folder, and a join that succeeds leaves one archive that starts with a record.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "platform/Interaction.h"
#include "tests/fuzz/FuzzDrive.h"

namespace {

namespace fs = std::filesystem;

ruvu::TDozErozev& Component() {
    static ruvu::TDozErozev component;
    return component;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ruvu::fuzz::DriveC("fuzz-spanjoin");
    // Nothing may wait for an answer.
    static ruvu::platform::ScriptedInteraction ui;
    ruvu::platform::InstallInteraction(&ui);
    ruvu::TDozEngine& engine = Component().Engine();
    engine.Options.Unattended = true;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t parts = 1 + data[0] % 8;
    size_t at = 1;
    std::vector<std::string> bytes;
    for (size_t n = 0; n < parts; ++n) {
        size_t length = size - std::min(at, size);
        if (n + 1 < parts) {
            const size_t given =
                at + 3 <= size ? static_cast<size_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16) : 0;
            at = std::min(at + 3, size);
            length = std::min(given, size - at);
        }
        bytes.emplace_back(reinterpret_cast<const char*>(data + at), length);
        at += length;
    }
    const std::string& root = ruvu::fuzz::DriveC("fuzz-spanjoin");
    for (const auto& entry : fs::directory_iterator(root)) {
        fs::remove_all(entry.path());
    }
    fs::create_directories(root + "/OUT");
    for (size_t n = 0; n < parts; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, n + 1 < parts ? "SET.Z%02zu" : "SET.ZIP", n + 1);
        std::ofstream(root + "/" + name, std::ios::binary)
            .write(bytes[n].data(), static_cast<std::streamsize>(bytes[n].size()));
    }

    ruvu::TDozEngine& engine = Component().Engine();
    engine.Options.SpanOptions = {};
    std::string joined = "C:\\OUT\\";
    const int32_t result = engine.ReadSpan("C:\\SET.ZIP", joined);
    size_t made = 0;
    std::string output;
    for (const auto& entry : fs::directory_iterator(root + "/OUT")) {
        ++made;
        output = entry.path().string();
    }
    if (result != 0) {
        if (made != 0 || !joined.empty()) {
            Fail("a failed join left its output");
        }
        return 0;
    }
    if (made != 1) {
        Fail("a join made no single output");
    }
    // The first entry's local header, or the end record of a set without entries.
    char head[4] = {};
    std::ifstream(output, std::ios::binary).read(head, sizeof head);
    if (head[0] != 'P' || head[1] != 'K' ||
        !((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6))) {
        Fail("the joined archive does not start with a record");
    }
    return 0;
}
