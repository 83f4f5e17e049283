#include "zipformat/EntryPath.h"

namespace ruvu::zip {

std::vector<std::string> CleanComponents(std::string_view path, bool* unsafe, bool resolveParents) {
    bool dropped = false;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        path.remove_prefix(2);
        dropped = true;
    }
    if (!path.empty() && IsNameSeparator(path.front())) {
        dropped = true;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsNameSeparator(path[end])) {
            ++end;
        }
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (resolveParents && !parts.empty()) {
                parts.pop_back();
            } else {
                dropped = true;
            }
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    if (unsafe != nullptr) {
        *unsafe = dropped;
    }
    return parts;
}

}  // namespace ruvu::zip
