// The executable or archive being written: writes that fail with the message id of what was being
// written, and the count of bytes written so far (the shift of the archive's offsets depends on it).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/File.h"
#include "sfx/SfxError.h"

namespace ruvu {

class SfxOutput {
  public:
    explicit SfxOutput(platform::File& file) : file_(file) {}

    // Writes every byte or raises failId.
    void Write(std::string_view bytes, int32_t failId) {
        if (file_.Write(bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size())) {
            throw ESfxError(failId);
        }
        written_ += bytes.size();
    }
    uint64_t Written() const { return written_; }

  private:
    platform::File& file_;
    uint64_t written_ = 0;
};

}  // namespace ruvu
