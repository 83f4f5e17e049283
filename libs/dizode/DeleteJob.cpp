#include <sys/stat.h>

#include <string>
#include <vector>

#include "libs/common/PathTools.h"
#include "libs/common/SpecMatch.h"
#include "libs/dizode/ArchiveRewrite.h"
#include "libs/dizode/Jobs.h"
#include "platform/FileSystem.h"

namespace ruvu::dizode {

namespace {

// A spec names an entry itself, or a folder and everything below it.
bool SpecSelects(std::string spec, const std::string& name) {
    while (!spec.empty() && (spec.back() == '/' || spec.back() == '\\')) {
        spec.pop_back();
    }
    if (spec.empty()) {
        return false;
    }
    return libcommon::MatchSpec(spec, name) || libcommon::MatchSpec(spec + "/", name) ||
           libcommon::MatchSpec(spec + "/*", name);
}

}  // namespace

int32_t RunDelete(const JobOptions& o, Reporter& reporter) {
    auto& client = reporter.Client();
    struct stat st {};
    const auto host = libcommon::HostPathOf(o.archivePath);
    if (!host || stat(host->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        reporter.Problem("Archive not found: " + o.archivePath, abi::kCodeNoArchive);
        return client.Stopped() ? client.StopResult() : 0;
    }
    // Locked before it is read, so that a writer running meanwhile loses nothing.
    ArchiveRewrite rewrite(reporter);
    if (!rewrite.Begin(o.archivePath)) {
        return client.Stopped() ? client.StopResult() : 0;
    }
    libcommon::ArchiveReader reader;
    reader.SetListZip64Entries(true);
    if (!reader.Open(o.archivePath, o.codePage)) {
        reporter.Problem(reader.LastError().text + ": " + o.archivePath, reader.LastError().code);
        return client.Stopped() ? client.StopResult() : 0;
    }
    std::vector<bool> remove(reader.Entries().size(), false);
    int32_t removed = 0;
    for (size_t i = 0; i < reader.Entries().size(); ++i) {
        const std::string& name = reader.Entries()[i].name;
        bool selected = false;
        for (const SpecItem& spec : o.specs) {
            selected = selected || SpecSelects(spec.spec, name);
        }
        for (const std::string& exclude : o.excludes) {
            selected = selected && !SpecSelects(exclude, name);
        }
        if (selected) {
            remove[i] = true;
            ++removed;
            if (!reporter.Verbose("deleting: " + name)) {
                return client.StopResult();
            }
        }
    }
    if (removed == 0) {
        reporter.Problem("Nothing to do", abi::kCodeNothingToDo);
        return client.Stopped() ? client.StopResult() : 0;
    }
    if (!client.TotalCount(removed)) {
        return client.StopResult();
    }
    if (!rewrite.CopyPrefix(reader, reader.PrefixSize())) {
        return client.Stopped() ? client.StopResult() : 0;
    }
    for (size_t i = 0; i < reader.Entries().size(); ++i) {
        if (!remove[i] && !rewrite.CopyEntry(reader, reader.Entries()[i])) {
            return client.Stopped() ? client.StopResult() : 0;
        }
    }
    if (client.Stopped() || !rewrite.Commit(reader.Comment(), &reader)) {
        return client.Stopped() ? client.StopResult() : 0;
    }
    return removed;
}

}  // namespace ruvu::dizode
