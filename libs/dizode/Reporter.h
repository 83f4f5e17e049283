// Messages of a job through callback action 4: information lines (with Verbose), detail lines (with
// Trace), and warnings and errors carrying a LibraryCode. Every call returns false once the job must
// stop (the callback asked for it).
#pragma once

#include <string_view>

#include "abi/LibraryEntry.h"
#include "libs/common/CallbackClient.h"

namespace ruvu::dizode {

class Reporter {
  public:
    Reporter(libcommon::CallbackClient& client, bool verbose, bool trace)
        : client_(client), verbose_(verbose), trace_(trace) {}

    bool Verbose(std::string_view text) { return !verbose_ || client_.Message(text, 0); }
    bool Trace(std::string_view text) { return !trace_ || client_.Message(text, 0); }
    // Always shown; code is the LibraryCode (kCodeWarning for a skipped file, ...).
    bool Problem(std::string_view text, abi::LibraryCode code) { return client_.Message(text, code); }

    bool IsVerbose() const { return verbose_; }
    bool IsTrace() const { return trace_; }
    libcommon::CallbackClient& Client() { return client_; }

  private:
    libcommon::CallbackClient& client_;
    bool verbose_;
    bool trace_;
};

}  // namespace ruvu::dizode
