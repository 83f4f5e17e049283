#include "libs/common/WorkGate.h"

#include <exception>
#include <new>
#include <string>

namespace ruvu::libcommon {

int32_t WorkGate::RequestAbort() {
    if (running_.load()) {
        abort_.store(true);
    }
    return 0;
}

int32_t WorkGate::Run(const std::function<int32_t(const std::atomic<bool>& abortFlag)>& job) {
    bool expected = false;
    if (!running_.compare_exchange_strong(expected, true)) {
        return abi::kResultBusy;
    }
    abort_.store(false);
    int32_t result = abi::kResultFatal;
    try {
        result = job(abort_);
    } catch (...) {
        result = abi::kResultFatal;
    }
    running_.store(false);
    return result;
}

int32_t GuardJob(CallbackClient& client, const std::function<int32_t()>& job) {
    try {
        return job();
    } catch (const std::bad_alloc&) {
        client.Message("Requested memory not available", abi::kCodeNoMemory);
        return abi::kResultNoMemory;
    } catch (const std::exception& e) {
        client.Message(std::string("Fatal error: ") + e.what(), abi::kCodeWarning);
        return abi::kResultFatal;
    }
}

}  // namespace ruvu::libcommon
