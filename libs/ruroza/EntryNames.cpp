#include "libs/ruroza/EntryNames.h"

#include <algorithm>

#include "libs/common/PathTools.h"
#include "platform/WinPath.h"

namespace ruvu::ruroza {

std::string ListedName(const libcommon::ArchiveEntry& entry) {
    return platform::SlashesToBackslashes(entry.name);
}

std::string TargetName::Relative() const {
    std::string out;
    for (const auto& part : components) {
        if (!out.empty()) {
            out.push_back('\\');
        }
        out += part;
    }
    return out;
}

bool LinkStaysInside(const std::vector<std::string>& components, std::string_view target) {
    if (target.empty() || target.front() == '/' || target.find('\0') != std::string_view::npos ||
        components.empty()) {
        return false;
    }
    // Depth below the base: the link's own folder first.
    size_t depth = components.size() - 1;
    size_t start = 0;
    while (start <= target.size()) {
        const size_t end = std::min(target.find('/', start), target.size());
        const std::string_view part = target.substr(start, end - start);
        if (part == "..") {
            if (depth == 0) {
                return false;
            }
            --depth;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}

TargetName MakeTargetName(std::string_view listedName, bool isFolder, bool keepFolders) {
    TargetName target;
    if (listedName.find('\0') != std::string_view::npos) {
        target.problem = "the name holds a NUL character";
        return target;
    }
    target.isFolder = isFolder;
    target.components = libcommon::CleanComponents(listedName, &target.changed);
    if (!keepFolders && target.components.size() > 1) {
        target.components.erase(target.components.begin(), target.components.end() - 1);
    }
    if (target.components.empty()) {
        target.problem = "nothing is left of the name once unsafe parts are removed";
        // A bare folder entry without folders kept is no problem: it just creates nothing.
        if (target.isFolder && !target.changed) {
            target.problem.clear();
        }
    }
    return target;
}

}  // namespace ruvu::ruroza
