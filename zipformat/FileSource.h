// A ByteSource over an open file of the host layer.
#pragma once

#include "platform/File.h"
#include "zipformat/ByteSource.h"

namespace ruvu::zip {

class FileSource : public ByteSource {
  public:
    // The file object must outlive the source; it may be reopened (assigned) in between reads.
    explicit FileSource(platform::File& file) : file_(file) {}
    int64_t Size() override { return file_.Size(); }
    int64_t ReadAt(uint64_t pos, void* buffer, size_t count) override;

  private:
    platform::File& file_;
};

}  // namespace ruvu::zip
