#include "libs/ruroza/ExtractOptions.h"

#include <algorithm>

#include "libs/common/ParamText.h"
#include "platform/Drives.h"
#include "platform/Handles.h"

namespace ruvu::ruroza {

using libcommon::HandleText;

namespace {
// The engine never allows more than this many password questions for one entry.
constexpr int kMaxPasswordRequests = 15;
}  // namespace

std::optional<ExtractOptions> ReadExtractOptions(const abi::UnzParams& p, std::string& error) {
    ExtractOptions o;
    auto archivePath = libcommon::ArchivePath(p.ZipFileNameText, error);
    if (!archivePath) {
        return std::nullopt;
    }
    o.archivePath = std::move(*archivePath);
    o.test = p.TestFlag != 0;
    // Testing writes nothing, so a folder is neither needed nor checked.
    const std::string folder = o.test ? std::string() : HandleText(p.ExtractDirText);
    o.baseFolder = platform::ExpandFileName(folder.empty() ? platform::GetCurrentDirectory() : folder);
    if (o.baseFolder.empty()) {
        error = "Invalid extract folder: " + folder;
        return std::nullopt;
    }
    o.password = HandleText(p.PasswordText);
    if (p.SpecCount > 0) {
        const auto* specs = platform::ResolveHandleAs<const abi::UnzSpecEntry>(p.SpecArray);
        if (specs == nullptr) {
            error = "The file specifications are missing";
            return std::nullopt;
        }
        for (int32_t i = 0; i < p.SpecCount; ++i) {
            std::string spec = HandleText(specs[i].SpecText);
            if (!spec.empty()) {
                o.specs.push_back(std::move(spec));
            }
        }
        if (o.specs.empty()) {
            error = "No file specification given";
            return std::nullopt;
        }
    }
    o.passwordRequests = std::clamp(p.PasswordReqCount, 0, kMaxPasswordRequests);
    o.trace = p.TraceFlag != 0;
    o.verbose = p.VerboseFlag != 0 || o.trace;
    o.update = p.UpdateFlag != 0;
    o.freshen = p.FreshenFlag != 0 && !o.update;
    o.dirNames = p.DirNamesFlag != 0;
    o.overwrite = p.OverwriteFlag != 0;
    o.codePage = zip::CodePageRuleFromCode(p.CodePageCode);
    return o;
}

}  // namespace ruvu::ruroza
