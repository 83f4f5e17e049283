#include "sfx/SfxBinStream.h"

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "sfx/SfxError.h"

namespace ruvu {

TSFXBinStream::TSFXBinStream(std::string_view stubPath) {
    StubPath = stubPath;
    if (StubPath.empty() || StubPath.back() == '\\' || StubPath.back() == '/') {
        StubPath += kStubFileName;
    }
    if (!platform::FileExists(StubPath)) {
        StubPath = platform::SearchPath(kStubFileName);
    }
    if (StubPath.empty()) {
        throw ESfxError(sfxmsg::StubNotFound);
    }
    platform::File file = platform::File::Open(StubPath, platform::Access::Read, platform::Share::DenyWrite);
    const int64_t size = file.IsOpen() ? file.Size() : -1;
    if (size < 0) {
        throw ESfxError(sfxmsg::StubNotFound);
    }
    Bytes.resize(static_cast<size_t>(size));
    if (file.ReadFull(Bytes.data(), Bytes.size()) != size) {
        throw ESfxError(sfxmsg::StubNotFound);
    }
}

}  // namespace ruvu
