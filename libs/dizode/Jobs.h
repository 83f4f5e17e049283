// The two jobs of the library. Each returns the work result: the number of files added (or entries
// deleted), 0 when nothing was done (the reason was reported), or a negative WorkResult.
#pragma once

#include <cstdint>

#include "libs/dizode/JobOptions.h"
#include "libs/dizode/Reporter.h"

namespace ruvu::dizode {

// Adds, replaces, freshens or updates entries from the specs; moves the sources afterwards.
int32_t RunAdd(const JobOptions& options, Reporter& reporter);
// Removes the entries matching the specs.
int32_t RunDelete(const JobOptions& options, Reporter& reporter);

}  // namespace ruvu::dizode
