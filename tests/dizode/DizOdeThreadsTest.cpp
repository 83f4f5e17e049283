// Adding on several threads: the same callbacks in the same order as on one, archives every peer and
// our own extraction read back byte for byte (files split into deflate blocks among them), and a stop
// from a callback midway that leaves nothing behind.
#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>

#include "tests/dizode/DizOdeFixture.h"

namespace ruvu::dizode::test {

using testsupport::RandomBytes;
using testsupport::SampleText;

namespace {

constexpr size_t kBlock = 2u << 20;  // the size files are split at for compression
const std::string kPassword = "titok";

// What a caller sees of a job: each callback's action, the item it names and the bytes read it
// reports. Written sizes are left out: a file split into blocks deflates a little differently.
using Sequence = std::vector<std::tuple<uint32_t, std::string, int32_t>>;

Sequence SequenceOf(const testsupport::RecordingCallback& callback) {
    Sequence sequence;
    for (const auto& e : callback.events) {
        const bool item = e.action == abi::kActionItemStart || e.action == abi::kActionItemProgress;
        sequence.emplace_back(e.action, item ? e.text : std::string(), item ? e.fileSize : 0);
    }
    return sequence;
}

}  // namespace

TEST_F(DizOdeTest, AnyThreadCountMakesCallbacksInTheSameOrderAndArchivesThatReadBackTheSame) {
    // Small files, files at a block's size and one byte either side, text with random bytes inside
    // over several blocks, an empty one, and encrypted ones (one of several blocks).
    std::map<std::string, std::string> files;
    for (int i = 0; i < 12; ++i) {
        files["small" + std::to_string(i) + ".txt"] = SampleText(static_cast<size_t>(i) * 3001, i + 1);
    }
    files["empty.txt"] = "";
    files["one-block.txt"] = SampleText(kBlock, 20);
    files["below-block.txt"] = SampleText(kBlock - 1, 21);
    files["above-block.txt"] = SampleText(kBlock + 1, 22);
    files["mixed.bin"] =
        SampleText(kBlock, 23) + RandomBytes(kBlock / 2, 24) + SampleText(kBlock / 2 + 1, 25);
    files["noise.bin"] = RandomBytes(kBlock + 7, 26);
    files["big.sec"] = SampleText(kBlock + kBlock / 2, 27);
    files["small.sec"] = SampleText(5000, 28);
    for (const auto& [name, content] : files) {
        tmp_.Write("t/" + name, content);
    }
    // A fresh callback for each run: it counts progress calls from its start.
    auto add = [&](const std::string& archive, testsupport::RecordingCallback& callback) {
        ZipParamsBuilder params(tmp_.Win(archive), callback.Handle(), callback.CallerRef());
        params.RootDir(tmp_.Win("t"));
        params.Spec("*.txt").Spec("*.bin").Spec(testsupport::ZipSpec{"*.sec", kPassword, true, false});
        return Run(params);
    };
    testsupport::LibraryUnderTest ruroza(abi::kUnzLibraryFile);
    ASSERT_TRUE(ruroza.Loaded());

    Sequence serial;
    uint64_t serialSize = 0;
    for (const int threads : {1, 2, 4}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        const ThreadCount count(threads);
        const std::string archive = "t" + std::to_string(threads) + ".zip";
        testsupport::RecordingCallback callback;
        ASSERT_EQ(add(archive, callback), static_cast<int32_t>(files.size()));
        const uint64_t size = std::filesystem::file_size(Archive(archive));
        if (threads == 1) {
            serial = SequenceOf(callback);
            serialSize = size;
        } else {
            EXPECT_EQ(SequenceOf(callback), serial);
            EXPECT_LE(size, serialSize + serialSize / 200);
        }
        ExpectPeersAccept(Archive(archive), kPassword);
        const std::string outPython = tmp_.Host("py" + std::to_string(threads));
        const auto python = testsupport::PythonExtract(Archive(archive), outPython, kPassword);
        ASSERT_TRUE(python.Ok()) << python.output;

        testsupport::RecordingCallback extractCallback;
        const std::string out = "out" + std::to_string(threads);
        tmp_.MakeDir(out);
        testsupport::UnzParamsBuilder extract(tmp_.Win(archive), extractCallback.Handle(),
                                              extractCallback.CallerRef());
        extract.ExtractDir(tmp_.Win(out)).Password(kPassword);
        ASSERT_EQ(ruroza.UnzExec()(&extract.Build()), static_cast<int32_t>(files.size()));
        for (const auto& [name, content] : files) {
            EXPECT_TRUE(ReadFileBytes(tmp_.Host(out + "/" + name)) == content) << name;
            EXPECT_TRUE(ReadFileBytes(outPython + "/" + name) == content) << name;
        }
    }

    // A stop from the progress callback midway, during the large files: the same calls up to it on
    // every thread count, and no archive.
    const int midway = static_cast<int>(std::count_if(
                           serial.begin(), serial.end(),
                           [](const auto& e) { return std::get<0>(e) == abi::kActionItemProgress; })) /
                       2;
    Sequence stopped;
    for (const int threads : {1, 2, 4}) {
        SCOPED_TRACE("stopped, threads " + std::to_string(threads));
        const ThreadCount count(threads);
        testsupport::RecordingCallback callback;
        callback.stopAtProgress = midway;
        EXPECT_EQ(add("stopped.zip", callback), abi::kResultCancelled);
        EXPECT_FALSE(std::filesystem::exists(Archive("stopped.zip")));
        if (threads == 1) {
            stopped = SequenceOf(callback);
            EXPECT_LT(stopped.size(), serial.size());
        } else {
            EXPECT_EQ(SequenceOf(callback), stopped);
        }
    }
}

}  // namespace ruvu::dizode::test
