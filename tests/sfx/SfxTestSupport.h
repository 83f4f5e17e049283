// Helpers of the self-extracting archive suites: the stubs the build put beside the test program,
// small executables built byte by byte with a resource tree of their own, icon files, and runs of a
// made executable with answers on standard input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace ruvu::sfxtest {

// The file of that name beside the test program (ZEZIZEZ.BIN, ZEZIZEZ.ELF, ruvuzip).
using enginetest::BesideProgram;

// One resource of a crafted image: its type, its number and its bytes.
struct Resource {
    uint32_t type;
    uint16_t id;
    std::string data;
};

// A 32-bit executable image of headers and one resource section at file offset 0x200 and address
// 0x1000, holding the resources (one language each).
struct PeImage {
    std::string bytes;
    size_t resourceSectionHeader = 0;   // file offset of the section header
    size_t rootDirectory = 0;           // file offset of the root resource directory
    std::vector<size_t> dataPositions;  // file offset of each resource's bytes, in the order given
};
PeImage BuildPe(const std::vector<Resource>& resources);

// An icon file of the images, each described as 32x32 in 32-bit colour.
std::string BuildIco(const std::vector<std::string>& images);

// Runs a program with input on standard input; status and standard output and error together.
struct ProgramRun {
    int status = -1;
    std::string output;
};
ProgramRun RunWithInput(const std::vector<std::string>& argv, const std::string& workDir,
                        std::string_view input);

}  // namespace ruvu::sfxtest
