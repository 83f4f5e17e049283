// What every work entry of a library needs around its job: one job at a time in the process, the abort
// request of a null record, and no exception across the library boundary. Each library keeps one
// WorkGate for its work entry.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "libs/common/CallbackClient.h"

namespace ruvu::libcommon {

class WorkGate {
  public:
    // A null record: asks the running job (if any) to stop. Returns 0, the work entry's result then.
    int32_t RequestAbort();
    // Runs the job unless one is running already (kResultBusy). The job gets the abort flag to hand to
    // its CallbackClient. An exception escaping the job gives kResultFatal.
    int32_t Run(const std::function<int32_t(const std::atomic<bool>& abortFlag)>& job);

  private:
    std::atomic<bool> running_{false};
    std::atomic<bool> abort_{false};
};

// Runs a job, turning exceptions into results reported through the callback: out of memory into
// kResultNoMemory (kCodeNoMemory), anything else into kResultFatal.
int32_t GuardJob(CallbackClient& client, const std::function<int32_t()>& job);

}  // namespace ruvu::libcommon
