// Feeds arbitrary bytes, taken as what lies in front of the zip data of an executable, to the
// settings header readers: the name block, the current layout and the older one. Besides "no crash",
// a header that was read must read back the same after being written again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sfx/SfxError.h"
#include "sfx/SfxHeader.h"
#include "zipformat/ByteSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ruvu;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    zip::MemorySource source(bytes);
    sfx::ReadNameBlock(source, size);
    sfx::Settings settings;
    try {
        if (sfx::ReadHeader(source, size, settings)) {
            const std::string again = sfx::BuildHeader(settings);
            zip::MemorySource written(again);
            sfx::Settings reread;
            if (!sfx::ReadHeader(written, again.size(), reread) || reread.Caption != settings.Caption ||
                reread.DefaultDir != settings.DefaultDir || reread.CommandLine != settings.CommandLine ||
                reread.FallbackPath != settings.FallbackPath || reread.Message != settings.Message ||
                reread.OptionsWord != settings.OptionsWord || reread.MessageStyle != settings.MessageStyle) {
                std::abort();
            }
        }
    } catch (const ESfxError&) {
    }
    try {
        sfx::ReadOldHeader(source, size, settings);
    } catch (const ESfxError&) {
    }
    return 0;
}
