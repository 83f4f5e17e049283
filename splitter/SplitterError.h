// The error the splitter raises to its caller when a file cannot be opened, created, read or replaced.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/HostError.h"

namespace ruvu {

class EFileSplitter : public std::runtime_error {
  public:
    EFileSplitter(std::string text, platform::HostError code) : std::runtime_error(text), code_(code) {}
    platform::HostError Code() const { return code_; }

    // 'Cannot open file "NAME". <reason>'
    static EFileSplitter OpenError(std::string_view name, platform::HostError code);
    // 'Cannot create file "NAME". <reason>'
    static EFileSplitter CreateError(std::string_view name, platform::HostError code);
    // 'Cannot read file "NAME". <reason>'
    static EFileSplitter ReadError(std::string_view name, platform::HostError code);

  private:
    platform::HostError code_;
};

}  // namespace ruvu
