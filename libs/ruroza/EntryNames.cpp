#include "libs/ruroza/EntryNames.h"

#include <algorithm>

#include "platform/WinPath.h"
#include "zipformat/EntryPath.h"

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

TargetName MakeTargetName(std::string_view listedName, bool isFolder, bool keepFolders) {
    TargetName target;
    if (listedName.find('\0') != std::string_view::npos) {
        target.problem = "the name holds a NUL character";
        return target;
    }
    target.isFolder = isFolder;
    target.components = zip::CleanComponents(listedName, &target.changed);
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
