// The library's entry points. One job runs at a time in the process; a null record asks the running
// job to stop. No exception leaves the library.
#include <atomic>
#include <new>

#include "abi/LibraryEntry.h"
#include "libs/common/CallbackClient.h"
#include "libs/ruroza/ExtractJob.h"
#include "libs/ruroza/ExtractOptions.h"

namespace ruvu::ruroza {
namespace {

// The private build number reported next to the version.
constexpr int32_t kPrivateVersion = 1800;

std::atomic<bool> gRunning{false};
std::atomic<bool> gAbort{false};

struct RunningGuard {
    ~RunningGuard() { gRunning.store(false); }
};

int32_t Execute(abi::UnzParams& params) {
    libcommon::CallbackClient client(params.Callback, params.CallerRef, false, &gAbort);
    std::string error;
    const auto options = ReadExtractOptions(params, error);
    if (!options) {
        client.Message(error, abi::kCodeBadParameters);
        return client.Stopped() ? client.StopResult() : abi::kResultBadRecord;
    }
    try {
        return RunExtract(*options, client);
    } catch (const std::bad_alloc&) {
        client.Message("Requested memory not available", abi::kCodeNoMemory);
        return abi::kResultNoMemory;
    } catch (const std::exception& e) {
        client.Message(std::string("Fatal error: ") + e.what(), abi::kCodeWarning);
        return abi::kResultFatal;
    }
}

}  // namespace
}  // namespace ruvu::ruroza

extern "C" {

__attribute__((visibility("default"))) int32_t RurOzaExec(ruvu::abi::UnzParams* params) {
    using namespace ruvu::ruroza;
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

__attribute__((visibility("default"))) int32_t GetRurOzaVersion() {
    return ruvu::abi::kLibraryVersion;
}

__attribute__((visibility("default"))) int32_t GetRurOzaPrivVersion() {
    return ruvu::ruroza::kPrivateVersion;
}
}
