// The library's entry points. One job runs at a time in the process; a null record asks the running
// job to stop. No exception leaves the library.
#include "abi/LibraryEntry.h"
#include "libs/common/CallbackClient.h"
#include "libs/common/WorkGate.h"
#include "libs/ruroza/ExtractJob.h"
#include "libs/ruroza/ExtractOptions.h"

namespace ruvu::ruroza {
namespace {

// The private build number reported next to the version.
constexpr int32_t kPrivateVersion = 1800;

libcommon::WorkGate gGate;

int32_t Execute(abi::UnzParams& params, const std::atomic<bool>& abortFlag) {
    libcommon::CallbackClient client(params.Callback, params.CallerRef, false, &abortFlag);
    std::string error;
    const auto options = ReadExtractOptions(params, error);
    if (!options) {
        client.Message(error, abi::kCodeBadParameters);
        return client.Stopped() ? client.StopResult() : abi::kResultBadRecord;
    }
    return libcommon::GuardJob(client, [&] { return RunExtract(*options, client); });
}

}  // namespace
}  // namespace ruvu::ruroza

extern "C" {

__attribute__((visibility("default"))) int32_t RurOzaExec(ruvu::abi::UnzParams* params) {
    using ruvu::ruroza::gGate;
    if (params == nullptr) {
        return gGate.RequestAbort();
    }
    return gGate.Run(
        [params](const std::atomic<bool>& abortFlag) { return ruvu::ruroza::Execute(*params, abortFlag); });
}

__attribute__((visibility("default"))) int32_t GetRurOzaVersion() {
    return ruvu::abi::kLibraryVersion;
}

__attribute__((visibility("default"))) int32_t GetRurOzaPrivVersion() {
    return ruvu::ruroza::kPrivateVersion;
}
}
