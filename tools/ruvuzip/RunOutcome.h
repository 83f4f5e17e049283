// What an operation of ruvuzip left undone, told by its exit status.
#pragma once

#include <cstdint>
#include <set>

#include "engine/DozErozev.h"

namespace ruvu::ruvuzip {

enum ExitStatus : int {
    kAllHandled = 0,
    kFailed = 1,
    kUsage = 2,
    kSkipped = 3,
};

class RunOutcome {
  public:
    // Watches the entries component skips. Without a password nobody can answer the library's
    // password question: it is answered with none, so the encrypted entry is skipped, and only
    // then is the unattended extract's warning told.
    RunOutcome(TDozErozev& component, bool passwordGiven);
    RunOutcome(const RunOutcome&) = delete;
    RunOutcome& operator=(const RunOutcome&) = delete;

    // After the operation: the warning when an encrypted entry went without its password, then the
    // exit status.
    ExitStatus Finish();

  private:
    TDozErozev& component_;
    int skipped_ = 0;
    int failed_ = 0;
    std::set<int32_t> skipCodes_;  // the error codes the skips left, which are no failure of their own
    bool passwordMissing_ = false;
};

}  // namespace ruvu::ruvuzip
