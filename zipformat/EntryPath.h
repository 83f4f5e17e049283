// The parts of a stored entry name that may be created below a base folder: everything that could
// lead outside it (a drive, a leading separator, "..") is removed, so the extracting library and the
// self-extracting stub write names by one rule.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ruvu::zip {

// "\" and "/" both separate the components of stored names.
inline bool IsNameSeparator(char c) {
    return c == '\\' || c == '/';
}

// The components of a path split at "\" or "/", without a drive ("C:"), empty components (leading,
// doubled or trailing separators), "." and "..". With resolveParents a ".." removes the component
// before it; a ".." with nothing before it is always dropped. unsafe (optional) is set when a drive, a
// leading separator or a dropped ".." was removed.
std::vector<std::string> CleanComponents(std::string_view path, bool* unsafe = nullptr,
                                         bool resolveParents = false);

}  // namespace ruvu::zip
