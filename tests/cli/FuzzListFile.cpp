// Feeds arbitrary bytes to the command-line mode as a list file: its lines are split, read in upper
// case and cut into tokens by the rules of the command executor, and every line but "R" (which would
// start a program) runs through the executor against a drive C that is a fresh folder. Nothing may
// crash or hang; every token keeps at most 80 characters, the rest of a line at most 200, and taking
// tokens always ends.
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/CommandRunner.h"
#include "app/ProgramArguments.h"
#include "engine/DozErozev.h"
#include "platform/CodePage.h"
#include "platform/Interaction.h"
#include "tests/fuzz/FuzzDrive.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

size_t Characters(const std::string& text) {
    size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ruvu::fuzz::DriveC("fuzz-listfile");
    ruvu::fuzz::KeepLibrariesLoaded();
    static ruvu::platform::ScriptedInteraction ui;
    ruvu::platform::InstallInteraction(&ui);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ruvu::platform::SetCurrentDirectory("C:\\");
    ruvu::TDozErozev component;
    component.SetUnattended(true);
    bool abortRun = false;
    int32_t exitStatus = 0;
    ruvu::CommandTarget target{component, abortRun, exitStatus, {}, {}, {}};
    for (const std::string& line : ruvu::ListFileLines(text)) {
        std::string rest = ruvu::CommandText(line);
        std::string token;
        for (size_t taken = 0;; ++taken) {
            ruvu::NextToken(rest, token);
            if (Characters(token) > ruvu::kTokenLimit || Characters(rest) > ruvu::kRestLimit) {
                ruvu::fuzz::Fail("a token or the rest of a line is longer than its limit");
            }
            if (token.empty()) {
                break;
            }
            if (taken > line.size()) {
                ruvu::fuzz::Fail("taking tokens does not end");
            }
        }
        const std::string command = ruvu::CommandText(line);
        if (command.rfind("R ", 0) == 0 || command == "R") {
            continue;
        }
        try {
            ruvu::RunCommand(line, target);
        } catch (const std::exception&) {
            // An error that ends a run, as a folder that cannot be entered.
        }
    }
    return 0;
}
