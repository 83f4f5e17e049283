// Loading run-time libraries (DIZODE.DLL, RUROZA.DLL) the way Windows finds them.
#pragma once

#include <string>
#include <string_view>

#include "HostError.h"

namespace ruvu::platform {

using ModuleHandle = void*;

// Loads a library. A name with a folder part is a Windows path. A bare name is searched in the
// program's folder, then the current folder (names matched ignoring case), then by the dynamic
// loader's own search. As on Windows, a name without extension means NAME.DLL and a trailing dot
// means no extension. Returns nullptr on failure (ModNotFound when no file was found,
// InvalidParameter when the file is no library).
ModuleHandle LoadLibrary(std::string_view name, HostError* error = nullptr);
void* GetProcAddress(ModuleHandle module, const char* name);
bool FreeLibrary(ModuleHandle module);
// The Windows path of a loaded module's file.
std::string GetModuleFileName(ModuleHandle module);

// The program's own file and folder as Windows paths; the folder ends with "\".
std::string ProgramFileName();
std::string ProgramDir();

}  // namespace ruvu::platform
