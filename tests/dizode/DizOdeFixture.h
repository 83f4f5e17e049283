// Common ground of the DIZODE.DLL suites: the library loaded from the program's folder as the
// program loads it, a fresh folder, a recording callback and a record builder wired to both.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "abi/LibraryEntry.h"
#include "tests/libsupport/LibraryUnderTest.h"
#include "tests/libsupport/PeerTools.h"
#include "tests/libsupport/RecordBuilder.h"
#include "tests/libsupport/RecordingCallback.h"
#include "tests/libsupport/TempFolder.h"

namespace ruvu::dizode::test {

using testsupport::ReadFileBytes;
using testsupport::ZipParamsBuilder;

// Sets RUVUVADU_THREADS, the threads the library compresses on, for the life of the object.
class ThreadCount {
  public:
    explicit ThreadCount(int threads) { setenv("RUVUVADU_THREADS", std::to_string(threads).c_str(), 1); }
    ~ThreadCount() { unsetenv("RUVUVADU_THREADS"); }
    ThreadCount(const ThreadCount&) = delete;
    ThreadCount& operator=(const ThreadCount&) = delete;
};

class DizOdeTest : public ::testing::Test {
  protected:
    DizOdeTest() : library_(abi::kZipLibraryFile) {}

    void SetUp() override {
        ASSERT_TRUE(library_.Loaded()) << "DIZODE.DLL not found beside the test program";
        exec_ = library_.ZipExec();
        ASSERT_NE(exec_, nullptr);
    }

    // A record for the archive (a name below the temporary folder) with this test's callback.
    ZipParamsBuilder Params(const std::string& archive = "out.zip") {
        return ZipParamsBuilder(tmp_.Win(archive), callback_.Handle(), callback_.CallerRef());
    }
    int32_t Run(ZipParamsBuilder& builder) { return exec_(&builder.Build()); }

    std::string Archive(const std::string& name = "out.zip") const { return tmp_.Host(name); }

    // The archive passes every peer's integrity check.
    void ExpectPeersAccept(const std::string& archive, const std::string& password = {}) {
        const auto unzip = testsupport::UnzipTest(archive, password);
        EXPECT_TRUE(unzip.Ok()) << unzip.output;
        const auto sevenZip = testsupport::SevenZipTest(archive, password);
        EXPECT_TRUE(sevenZip.Ok()) << sevenZip.output;
        if (password.empty()) {
            const auto python = testsupport::PythonZipTest(archive);
            EXPECT_TRUE(python.Ok()) << python.output;
            const auto bsdtar = testsupport::BsdtarList(archive);
            EXPECT_TRUE(bsdtar.Ok()) << bsdtar.output;
        }
    }

    testsupport::LibraryUnderTest library_;
    abi::ZipExecFunction exec_ = nullptr;
    testsupport::TempFolder tmp_;
    testsupport::RecordingCallback callback_;
};

}  // namespace ruvu::dizode::test
