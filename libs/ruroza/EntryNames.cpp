#include "libs/ruroza/EntryNames.h"

#include <algorithm>
#include <string>

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

namespace {

// The longest name a folder of the host holds, in bytes.
constexpr size_t kMaxComponentBytes = 255;
// An extension longer than this is not kept when a long name is cut.
constexpr size_t kMaxKeptExtension = 32;

// Names of devices on Windows, with or without an extension: a file of that name could not be opened
// there, and an archive taken back there would lose it.
bool IsDeviceName(std::string_view part) {
    std::string base(part.substr(0, part.find('.')));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    base = platform::UpperCaseAscii(base);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") {
        return true;
    }
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
           base[3] <= '9';
}

// Cuts a name to the host's limit at a character boundary, keeping a short extension.
std::string CutToLength(const std::string& part) {
    const size_t dot = part.rfind('.');
    const std::string ext =
        dot != std::string::npos && dot > 0 && part.size() - dot <= kMaxKeptExtension ? part.substr(dot) : "";
    size_t cut = kMaxComponentBytes - ext.size();
    while (cut > 0 && (static_cast<unsigned char>(part[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return part.substr(0, cut) + ext;
}

// One component made a name every host can hold: control characters become "_", trailing dots and
// blanks go, a device name gets "_" in front, and an over-long name is cut.
std::string SafeComponent(const std::string& part) {
    std::string safe = part;
    for (char& c : safe) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            c = '_';
        }
    }
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) {
        safe.pop_back();
    }
    if (safe.empty()) {
        safe = "_";
    }
    if (IsDeviceName(safe)) {
        safe = "_" + safe;
    }
    return safe.size() > kMaxComponentBytes ? CutToLength(safe) : safe;
}

}  // namespace

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
    for (std::string& part : target.components) {
        std::string safe = SafeComponent(part);
        if (safe != part) {
            part = std::move(safe);
            target.changed = true;
        }
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
