// The stub a self-extracting executable starts with, loaded whole. This program carries no stub in
// its own resources, so it always comes from a file: the one named, else "ZEZIZEZ.BIN" found on the
// search path (the program's folder, the current folder, PATH).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ruvu {

// The stub's file name (the stub of the one language there is, "US").
inline constexpr std::string_view kStubFileName = "ZEZIZEZ.BIN";

class TSFXBinStream {
  public:
    // stubPath: a file, or a folder ending in "\" (or empty) to look for the stub's file name in.
    // ESfxError 10802 when no stub is found or it cannot be read.
    explicit TSFXBinStream(std::string_view stubPath);

    std::vector<uint8_t> Bytes;
    std::string StubPath;  // the file the stub was read from
};

}  // namespace ruvu
