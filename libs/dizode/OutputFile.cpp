#include "libs/dizode/OutputFile.h"

#include <cstring>

namespace ruvu::dizode {

namespace {
constexpr size_t kBufferSize = 1 << 20;
}

OutputFile::OutputFile(platform::File& file) : file_(file), buffer_(kBufferSize) {
    const int64_t position = file_.Position();
    position_ = position > 0 ? static_cast<uint64_t>(position) : 0;
}

bool OutputFile::Fail(platform::HostError error) {
    if (!failed_) {
        failed_ = true;
        error_ = error == platform::HostError::None ? platform::HostError::GenFailure : error;
    }
    return false;
}

bool OutputFile::Flush() {
    if (failed_) {
        return false;
    }
    if (used_ == 0) {
        return true;
    }
    const int64_t written = file_.Write(buffer_.data(), used_);
    if (written != static_cast<int64_t>(used_)) {
        used_ = 0;
        return Fail(file_.Error());
    }
    used_ = 0;
    return true;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (failed_) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    position_ += size;
    if (size >= buffer_.size()) {
        // Large blocks go straight to the file, without a copy.
        if (!Flush()) {
            return false;
        }
        const int64_t written = file_.Write(bytes, size);
        return written == static_cast<int64_t>(size) || Fail(file_.Error());
    }
    while (size > 0) {
        const size_t take = std::min(size, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, bytes, take);
        used_ += take;
        bytes += take;
        size -= take;
        if (used_ == buffer_.size() && !Flush()) {
            return false;
        }
    }
    return true;
}

bool OutputFile::Patch(uint64_t position, std::string_view bytes) {
    if (!Flush()) {
        return false;
    }
    if (file_.Seek(static_cast<int64_t>(position)) < 0 ||
        file_.Write(bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size()) ||
        file_.Seek(static_cast<int64_t>(position_)) < 0) {
        return Fail(file_.Error());
    }
    return true;
}

bool OutputFile::TruncateTo(uint64_t position) {
    if (!Flush()) {
        return false;
    }
    if (!file_.SetSize(static_cast<int64_t>(position)) || file_.Seek(static_cast<int64_t>(position)) < 0) {
        return Fail(file_.Error());
    }
    position_ = position;
    return true;
}

}  // namespace ruvu::dizode
