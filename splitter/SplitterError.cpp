#include "splitter/SplitterError.h"

namespace ruvu {

namespace {

EFileSplitter Make(std::string_view what, std::string_view name, platform::HostError code) {
    std::string text = "Cannot " + std::string(what) + " file \"" + std::string(name) + "\".";
    if (code != platform::HostError::None) {
        text += " " + platform::HostErrorText(code);
    }
    return EFileSplitter(std::move(text), code);
}

}  // namespace

EFileSplitter EFileSplitter::OpenError(std::string_view name, platform::HostError code) {
    return Make("open", name, code);
}

EFileSplitter EFileSplitter::CreateError(std::string_view name, platform::HostError code) {
    return Make("create", name, code);
}

EFileSplitter EFileSplitter::ReadError(std::string_view name, platform::HostError code) {
    return Make("read", name, code);
}

}  // namespace ruvu
