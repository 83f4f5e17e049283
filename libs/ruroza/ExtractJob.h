// One extract or test job over an archive: selects the entries, then for each one asks, checks,
// decodes and writes (or only checks) it, reporting every step through the callback. The result is
// the number of files extracted or tested successfully; folder entries are created but not counted.
#pragma once

#include <cstdint>

#include "libs/common/CallbackClient.h"
#include "libs/ruroza/ExtractOptions.h"

namespace ruvu::ruroza {

// Runs the job; returns the files done, or a negative work result when the job was stopped.
int32_t RunExtract(const ExtractOptions& options, libcommon::CallbackClient& client);

}  // namespace ruvu::ruroza
