// Time, programs and the search path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ruvu::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the Windows tick counter.
uint32_t GetTickCount();

// Starts a program from a command line ("PROG ARG1 "ARG 2"") without waiting for it. The program is
// found like SearchPath finds it (a ".EXE" name also matches the same name without the extension).
// Returns a value above 31 on success, 2 when the program was not found, 0 when it could not start.
uint32_t WinExec(std::string_view commandLine);

// Finds a file on the search path: the program's folder, the current folder, then the folders of PATH.
// Returns its Windows path, or an empty string.
std::string SearchPath(std::string_view fileName);

}  // namespace ruvu::platform
