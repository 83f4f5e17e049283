// dozdrv: drives the archive component from the command line, so that its work can be timed against
// peer tools without the program's windows.
//
//   dozdrv list ARCHIVE   one line per entry: name, compressed size, original size, CRC-32 and MS-DOS
//                         date and time in hexadecimal, separated by tabs; then "count N errcode E".
//
// Every message of the component goes to standard error. The exit status is 0 when ErrCode is 0.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/DozErozev.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHex8(std::string& out, uint32_t value) {
    char digits[8];
    for (int i = 7; i >= 0; --i) {
        digits[i] = kHexDigits[value & 0xF];
        value >>= 4;
    }
    out.append(digits, sizeof digits);
}

int Usage() {
    std::fputs("usage: dozdrv list ARCHIVE\n", stderr);
    return 2;
}

int List(const char* archive) {
    ruvu::TDozErozev component;
    component.SetUnattended(true);
    component.OnMessage = [](ruvu::TObject*, int32_t code, const std::string& text) {
        std::fprintf(stderr, "%d: %s\n", code, text.c_str());
    };
    component.SetZipFileName(archive);

    std::string out;
    out.reserve(1 << 20);
    for (const ruvu::ZipDirEntry& entry : component.Entries()) {
        out += entry.FileName;
        out += '\t';
        out += std::to_string(entry.CompressedSize);
        out += '\t';
        out += std::to_string(entry.UncompressedSize);
        out += '\t';
        AppendHex8(out, entry.Crc32);
        out += '\t';
        AppendHex8(out, entry.DosDateTime);
        out += '\n';
        if (out.size() >= (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    const int32_t errCode = component.ErrCode();
    out += "count " + std::to_string(component.Count()) + " errcode " + std::to_string(errCode) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 && errCode == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "list") == 0) {
        return List(argv[2]);
    }
    return Usage();
}
