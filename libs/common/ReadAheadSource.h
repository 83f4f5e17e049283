// The bytes of an archive file for the libraries' readers. An archive is read mostly forward in small
// pieces (a local header, its name, a small entry's data, the next header), so small reads are served
// from one window read ahead with a single positioned read; large ones go to the file directly. The
// archive is open with writes denied, so what the window holds stays true while the file is open;
// Forget drops it when the file is opened anew.
#pragma once

#include <cstddef>
#include <cstdint>

#include "libs/common/ScratchBuffer.h"
#include "platform/File.h"
#include "zipformat/ByteSource.h"

namespace ruvu::libcommon {

class ReadAheadSource : public zip::ByteSource {
  public:
    // The file object must outlive the source; it may be reopened in between reads after Forget.
    explicit ReadAheadSource(platform::File& file) : file_(file) {}

    int64_t Size() override { return file_.Size(); }
    int64_t ReadAt(uint64_t pos, void* buffer, size_t count) override;
    void Forget() { filled_ = 0; }

  private:
    static constexpr size_t kWindow = 256 * 1024;

    platform::File& file_;
    ScratchBuffer window_;
    uint64_t start_ = 0;  // file position of the window's first byte
    size_t filled_ = 0;   // bytes the window holds; fewer than kWindow where the file ends
};

}  // namespace ruvu::libcommon
