#include "libs/common/ParamText.h"

#include "platform/Drives.h"
#include "platform/Handles.h"

namespace ruvu::libcommon {

std::string HandleText(uint32_t handle) {
    const char* text = platform::ResolveHandleAs<const char>(handle);
    return text != nullptr ? std::string(text) : std::string();
}

bool HandleTextEmpty(uint32_t handle) {
    const char* text = platform::ResolveHandleAs<const char>(handle);
    return text == nullptr || *text == '\0';
}

std::optional<std::string> ArchivePath(uint32_t handle, std::string& error) {
    const std::string archive = HandleText(handle);
    if (archive.empty()) {
        error = "No archive name given";
        return std::nullopt;
    }
    std::string path = platform::ExpandFileName(archive);
    if (path.empty()) {
        error = "Invalid archive name: " + archive;
        return std::nullopt;
    }
    return path;
}

std::vector<std::string> HandleTextArray(uint32_t arrayHandle, int32_t count) {
    std::vector<std::string> texts;
    const auto* handles = platform::ResolveHandleAs<const uint32_t>(arrayHandle);
    if (handles == nullptr || count < 1) {
        return texts;
    }
    texts.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        texts.push_back(HandleText(handles[i]));
    }
    return texts;
}

}  // namespace ruvu::libcommon
