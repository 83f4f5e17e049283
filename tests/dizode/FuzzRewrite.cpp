// Feeds arbitrary bytes to DIZODE.DLL as an archive to change, through the component as the program
// uses it: a delete of some entries and an add of a small file, each copying the other entries byte for
// byte through their local headers. Nothing may crash or hang, nothing may appear beside the archive,
// and an archive that was changed must list without an error: a rewrite never leaves it damaged.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/DozErozev.h"
#include "platform/Interaction.h"
#include "tests/fuzz/FuzzDrive.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

namespace fs = std::filesystem;

std::string root;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    root = ruvu::fuzz::DriveC("fuzz-rewrite");
    ruvu::fuzz::KeepLibrariesLoaded();
    std::ofstream(root + "/NEW.TXT") << "a file to add\n";
    static ruvu::platform::ScriptedInteraction ui;
    ruvu::platform::InstallInteraction(&ui);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::ofstream(root + "/IN.ZIP", std::ios::binary | std::ios::trunc) << input;
    ruvu::TDozErozev component;
    component.SetUnattended(true);
    component.SetZipFileName("C:\\IN.ZIP");
    component.FSpecArgs() = {"*a*"};
    component.Delete();
    component.SetAddOptions({});
    component.FSpecArgs() = {"C:\\NEW.TXT"};
    component.Add();
    for (const auto& entry : fs::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name != "IN.ZIP" && name != "NEW.TXT") {
            std::fprintf(stderr, "left beside the archive: %s\n", name.c_str());
            std::abort();
        }
    }
    if (ruvu::fuzz::ReadAll(root + "/IN.ZIP") != input) {
        ruvu::TDozErozev reader;
        reader.SetUnattended(true);
        reader.SetZipFileName("C:\\IN.ZIP");
        if (reader.ErrCode() != 0) {
            std::fprintf(stderr, "a rewritten archive does not list: %d\n", reader.ErrCode());
            std::abort();
        }
    }
    return 0;
}
