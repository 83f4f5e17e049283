// Making text safe to show: names and comments not converted from a code page are taken as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace ruvu {

// The text with every byte that is not part of a well-formed UTF-8 sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view text);

}  // namespace ruvu
