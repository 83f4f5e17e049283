// Texts and arrays the engine passes by handle in the parameter records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ruvu::libcommon {

// The NUL-terminated text a handle names; empty for 0 or a handle that is not registered.
std::string HandleText(uint32_t handle);
// True when the handle is 0 or names an empty text.
bool HandleTextEmpty(uint32_t handle);
// The archive a record's text handle names, as a full path; nullopt with error set when the text is
// empty or no valid path.
std::optional<std::string> ArchivePath(uint32_t handle, std::string& error);
// The texts of an array of count text handles (uint32_t each) named by arrayHandle. Missing entries
// give empty texts; a missing array or a count below 1 gives an empty list.
std::vector<std::string> HandleTextArray(uint32_t arrayHandle, int32_t count);

}  // namespace ruvu::libcommon
