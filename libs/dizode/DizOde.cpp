// The library's entry points. One job runs at a time in the process; a null record asks the running
// job to stop. No exception leaves the library.
#include "abi/LibraryEntry.h"
#include "libs/common/CallbackClient.h"
#include "libs/common/WorkGate.h"
#include "libs/dizode/JobOptions.h"
#include "libs/dizode/Jobs.h"
#include "libs/dizode/Reporter.h"

namespace ruvu::dizode {
namespace {

// The private build number reported next to the version.
constexpr int32_t kPrivateVersion = 1800;

libcommon::WorkGate gGate;

int32_t Execute(abi::ZipParams& params, const std::atomic<bool>& abortFlag) {
    libcommon::CallbackClient client(params.Callback, params.CallerRef, true, &abortFlag);
    std::string error;
    const auto options = ReadJobOptions(params, error);
    if (!options) {
        client.Message(error, abi::kCodeBadParameters);
        return client.Stopped() ? client.StopResult() : abi::kResultBadRecord;
    }
    Reporter reporter(client, options->verbose, options->trace);
    return libcommon::GuardJob(client, [&] {
        return options->deleteMode ? RunDelete(*options, reporter) : RunAdd(*options, reporter);
    });
}

}  // namespace
}  // namespace ruvu::dizode

extern "C" {

__attribute__((visibility("default"))) int32_t DizOdeExec(ruvu::abi::ZipParams* params) {
    using ruvu::dizode::gGate;
    if (params == nullptr) {
        return gGate.RequestAbort();
    }
    return gGate.Run(
        [params](const std::atomic<bool>& abortFlag) { return ruvu::dizode::Execute(*params, abortFlag); });
}

__attribute__((visibility("default"))) int32_t GetDizOdeVersion() {
    return ruvu::abi::kLibraryVersion;
}

__attribute__((visibility("default"))) int32_t GetDizOdePrivVersion() {
    return ruvu::dizode::kPrivateVersion;
}
}
