// Builds the parameter records of the two libraries by hand, as the engine will: texts and arrays are
// registered in the host layer's handle table and released with the builder.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "abi/UnzParams.h"
#include "abi/ZipParams.h"
#include "platform/Handles.h"

namespace ruvu::testsupport {

// Owns texts and arrays and their handles.
class HandleArena {
  public:
    // A NUL-terminated copy of the text; 0 for an empty text when emptyIsNull.
    uint32_t Text(std::string_view text, bool emptyIsNull = true);
    // An array of text handles, one per text.
    uint32_t TextArray(const std::vector<std::string>& texts);
    template <class T>
    uint32_t Array(const std::vector<T>& items) {
        auto& storage = blocks_.emplace_back(items.size() * sizeof(T));
        std::memcpy(storage.data(), items.data(), storage.size());
        return Keep(storage.data());
    }
    uint32_t Keep(void* pointer);

  private:
    std::deque<std::string> texts_;
    std::deque<std::vector<uint8_t>> blocks_;
    std::deque<platform::ScopedHandle> handles_;
};

struct ZipSpec {
    std::string spec;
    std::string password;  // empty: none
    bool encrypt = false;
    bool recurse = false;
};

// A ZipParams record filled like the engine fills it; the fields are public to adjust.
class ZipParamsBuilder {
  public:
    ZipParamsBuilder(std::string_view archivePath, uint32_t callbackHandle, uint32_t callerRef = 0);

    ZipParamsBuilder& Spec(std::string_view spec, bool recurse = false);
    ZipParamsBuilder& Spec(const ZipSpec& spec);
    ZipParamsBuilder& Exclude(std::string_view spec);
    ZipParamsBuilder& Password(std::string_view password);
    ZipParamsBuilder& RootDir(std::string_view folder);
    ZipParamsBuilder& StoreSuffixes(std::string_view list);
    ZipParamsBuilder& ArchiveComment(std::string_view comment);
    ZipParamsBuilder& Level(int level);
    ZipParamsBuilder& DateFilter(std::string_view mmddyy);

    // The finished record (specs and exclusions registered); valid while the builder lives. Building
    // again gives the same record, so one builder can run a job twice.
    abi::ZipParams& Build();
    abi::ZipParams& Params() { return params_; }

  private:
    HandleArena arena_;
    abi::ZipParams params_{};
    std::vector<ZipSpec> specs_;
    std::vector<std::string> excludes_;
};

// An UnzParams record filled like the engine fills it.
class UnzParamsBuilder {
  public:
    UnzParamsBuilder(std::string_view archivePath, uint32_t callbackHandle, uint32_t callerRef = 0);
    UnzParamsBuilder& Spec(std::string_view spec);
    UnzParamsBuilder& Password(std::string_view password);
    UnzParamsBuilder& ExtractDir(std::string_view folder);
    abi::UnzParams& Build();
    abi::UnzParams& Params() { return params_; }

  private:
    HandleArena arena_;
    abi::UnzParams params_{};
    std::vector<std::string> specs_;
};

}  // namespace ruvu::testsupport
