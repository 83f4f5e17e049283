// Common ground of the RUROZA.DLL suites: the library loaded from the program's folder as the program
// loads it, a fresh folder, a recording callback wired to each record, and the comparisons the
// suites share (a folder tree against what unzip extracts).
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "abi/LibraryEntry.h"
#include "tests/libsupport/LibraryUnderTest.h"
#include "tests/libsupport/PeerTools.h"
#include "tests/libsupport/RecordBuilder.h"
#include "tests/libsupport/RecordingCallback.h"
#include "tests/libsupport/TempFolder.h"
#include "tests/ruroza/CraftedZip.h"

namespace ruvu::ruroza::test {

using testsupport::ReadFileBytes;
using testsupport::UnzParamsBuilder;

// One file or folder of a tree: kind, bytes, modification time and permission bits.
struct TreeItem {
    bool folder = false;
    std::string bytes;
    std::time_t mtime = 0;
    unsigned mode = 0;
};
// Every item below a host folder by its relative path ("a/b.txt"); links are not followed.
std::map<std::string, TreeItem> Snapshot(const std::string& folder);
// Names of the leftover temporary files below a folder.
std::vector<std::string> TemporaryFiles(const std::string& folder);

// Runs a shell command line (for the peers' pipes and standard input); the output is returned.
testsupport::ToolResult Shell(const std::string& command, const std::string& workDir = {});

class RurOzaTest : public ::testing::Test {
  protected:
    RurOzaTest() : library_(abi::kUnzLibraryFile) {}

    void SetUp() override {
        ASSERT_TRUE(library_.Loaded()) << "RUROZA.DLL not found beside the test program";
        exec_ = library_.UnzExec();
        ASSERT_NE(exec_, nullptr);
    }

    // A record for an archive below the temporary folder, extracting into "out" with folder names.
    UnzParamsBuilder Params(const std::string& archive, const std::string& outFolder = "out") {
        UnzParamsBuilder builder(tmp_.Win(archive), callback_.Handle(), callback_.CallerRef());
        builder.ExtractDir(tmp_.Win(outFolder));
        builder.Params().DirNamesFlag = -1;
        tmp_.MakeDir(outFolder);
        return builder;
    }
    int32_t Run(UnzParamsBuilder& builder) { return exec_(&builder.Build()); }
    // Extracts everything into "out" with default options.
    int32_t Extract(const std::string& archive, const std::string& password = {}) {
        auto params = Params(archive);
        params.Password(password);
        return Run(params);
    }
    int32_t Test(const std::string& archive, const std::string& password = {}) {
        auto params = Params(archive);
        params.Password(password);
        params.Params().TestFlag = -1;
        return Run(params);
    }
    std::string WriteZip(const std::string& name, const std::vector<CraftedEntry>& entries) {
        return tmp_.Write(name, BuildZip(entries));
    }

    // Extracts the archive with ours into "out" and with unzip into "unzip": the trees must match in
    // names, bytes and file dates.
    void ExpectSameAsUnzip(const std::string& archive, const std::string& password = {});

    // Removes what the last extractions wrote ("out" and "unzip") and the recorded calls.
    void ClearOutput();

    // Skip reasons reported with action 11 (the UnZipSkipType values).
    std::vector<int> SkipTypes() const;
    std::vector<std::string> SkippedNames() const;

    testsupport::LibraryUnderTest library_;
    abi::UnzExecFunction exec_ = nullptr;
    testsupport::TempFolder tmp_;
    testsupport::RecordingCallback callback_;
};

}  // namespace ruvu::ruroza::test
