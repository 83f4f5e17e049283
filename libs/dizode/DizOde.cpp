// The library's entry points. One job runs at a time in the process; a null record asks the running
// job to stop. No exception leaves the library.
#include <atomic>
#include <new>

#include "abi/LibraryEntry.h"
#include "libs/common/CallbackClient.h"
#include "libs/dizode/JobOptions.h"
#include "libs/dizode/Jobs.h"
#include "libs/dizode/Reporter.h"

namespace ruvu::dizode {
namespace {

// The private build number reported next to the version.
constexpr int32_t kPrivateVersion = 1800;

std::atomic<bool> gRunning{false};
std::atomic<bool> gAbort{false};

struct RunningGuard {
    ~RunningGuard() { gRunning.store(false); }
};

int32_t Execute(abi::ZipParams& params) {
    libcommon::CallbackClient client(params.Callback, params.CallerRef, true, &gAbort);
    std::string error;
    const auto options = ReadJobOptions(params, error);
    Reporter reporter(client, options ? options->verbose : params.VerboseFlag != 0,
                      options ? options->trace : params.TraceFlag != 0);
    if (!options) {
        client.Message(error, abi::kCodeBadParameters);
        return client.Stopped() ? client.StopResult() : abi::kResultBadRecord;
    }
    try {
        return options->deleteMode ? RunDelete(*options, reporter) : RunAdd(*options, reporter);
    } catch (const std::bad_alloc&) {
        client.Message("Requested memory not available", abi::kCodeNoMemory);
        return abi::kResultNoMemory;
    } catch (const std::exception& e) {
        client.Message(std::string("Fatal error: ") + e.what(), abi::kCodeWarning);
        return abi::kResultFatal;
    }
}

}  // namespace
}  // namespace ruvu::dizode

extern "C" {

__attribute__((visibility("default"))) int32_t DizOdeExec(ruvu::abi::ZipParams* params) {
    using namespace ruvu::dizode;
    if (params == nullptr) {
        if (gRunning.load()) {
            gAbort.store(true);
        }
        return 0;
    }
    bool expected = false;
    if (!gRunning.compare_exchange_strong(expected, true)) {
        return ruvu::abi::kResultBusy;
    }
    RunningGuard guard;
    gAbort.store(false);
    try {
        return Execute(*params);
    } catch (...) {
        return ruvu::abi::kResultFatal;
    }
}

__attribute__((visibility("default"))) int32_t GetDizOdeVersion() {
    return ruvu::abi::kLibraryVersion;
}

__attribute__((visibility("default"))) int32_t GetDizOdePrivVersion() {
    return ruvu::dizode::kPrivateVersion;
}
}
