// Feeds arbitrary bytes to the archive listing: the end-record search, the extended end records and
// the central directory reader, through the component as the program uses it. Drive C is a fresh
// temporary folder holding only the input, so part names made from it find nothing else. Besides
// "no crash", every listed name and comment must be well-formed UTF-8.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "platform/CodePage.h"
#include "tests/fuzz/FuzzDrive.h"

namespace {

ruvu::TDozErozev& Component() {
    static ruvu::TDozErozev component;
    return component;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ruvu::fuzz::DriveC("fuzz-zipdir");
    Component().SetUnattended(true);
    Component().SetUseDirOnlyEntries(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(ruvu::fuzz::DriveC("fuzz-zipdir") + "/IN.ZIP", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ruvu::TDozErozev& component = Component();
    // The first byte picks the code page rule, so converted and unconverted names are both tried.
    component.SetCodePage(size > 0 && (data[0] & 1) ? ruvu::cpOEM : ruvu::cpAuto);
    component.SetZipFileName("C:\\IN.ZIP");
    for (const ruvu::ZipDirEntry& entry : component.Entries()) {
        if (!ruvu::platform::IsValidUtf8(entry.FileName) || !ruvu::platform::IsValidUtf8(entry.FileComment)) {
            std::fprintf(stderr, "listed text is not UTF-8\n");
            std::abort();
        }
    }
    if (!ruvu::platform::IsValidUtf8(component.Engine().ArchiveComment)) {
        std::abort();
    }
    return 0;
}
