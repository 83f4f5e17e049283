#include "libs/common/ParamText.h"

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
