// The archive being written: large buffered writes to a platform file, the position of each byte
// written, and patching bytes already written (local headers get their sizes once the data is known).
// The first failed write sticks: every later call fails too and Error() tells why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.h"

namespace ruvu::dizode {

class OutputFile {
  public:
    explicit OutputFile(platform::File& file);

    bool Write(const void* data, size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Overwrites bytes at an earlier position (flushes first).
    bool Patch(uint64_t position, std::string_view bytes);
    // Drops everything from position on (used to redo an entry stored instead of deflated).
    bool TruncateTo(uint64_t position);
    bool Flush();

    uint64_t Position() const { return position_; }
    bool Failed() const { return failed_; }
    platform::HostError Error() const { return error_; }

  private:
    bool Fail(platform::HostError error);

    platform::File& file_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    uint64_t position_ = 0;
    bool failed_ = false;
    platform::HostError error_ = platform::HostError::None;
};

}  // namespace ruvu::dizode
