#include "platform/Modules.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/Drives.h"
#include "platform/HostPaths.h"
#include "platform/WinPath.h"

namespace ruvu::platform {

namespace {

constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;

std::string ProgramHostFile() {
    std::vector<char> buffer(PATH_MAX);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

bool HasFolderPart(std::string_view name) {
    return name.find_first_of("\\/") != std::string_view::npos || !ExtractFileDrive(name).empty();
}

ModuleHandle OpenFound(const std::string& hostPath, HostError* error) {
    void* module = dlopen(hostPath.c_str(), kOpenFlags);
    detail::SetError(error, module != nullptr ? HostError::None : HostError::InvalidParameter);
    return module;
}

}  // namespace

std::string detail::ProgramHostFolder() {
    std::string file = ProgramHostFile();
    size_t slash = file.find_last_of('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash == 0 ? 1 : slash);
}

ModuleHandle LoadLibrary(std::string_view name, HostError* error) {
    if (name.empty() || name.find('\0') != std::string_view::npos) {
        detail::SetError(error, HostError::ModNotFound);
        return nullptr;
    }
    // As on Windows, a name without extension means a ".DLL" and a trailing dot means none.
    std::string fileName(name);
    if (fileName.back() == '.') {
        fileName.pop_back();
    } else if (ExtractFileExt(fileName).empty()) {
        fileName += ".DLL";
    }
    if (HasFolderPart(name)) {
        std::optional<std::string> host = ResolveHostPath(fileName);
        if (host && detail::IsHostFile(*host)) {
            return OpenFound(*host, error);
        }
        detail::SetError(error, HostError::ModNotFound);
        return nullptr;
    }
    if (std::optional<std::string> host =
            detail::FindFileInHostFolder(detail::ProgramHostFolder(), fileName)) {
        return OpenFound(*host, error);
    }
    std::optional<std::string> host = ResolveHostPath(JoinPath(GetCurrentDirectory(), fileName));
    if (host && detail::IsHostFile(*host)) {
        return OpenFound(*host, error);
    }
    void* module = dlopen(std::string(name).c_str(), kOpenFlags);
    detail::SetError(error, module != nullptr ? HostError::None : HostError::ModNotFound);
    return module;
}

void* GetProcAddress(ModuleHandle module, const char* name) {
    return module != nullptr && name != nullptr ? dlsym(module, name) : nullptr;
}

bool FreeLibrary(ModuleHandle module) {
    return module != nullptr && dlclose(module) == 0;
}

std::string GetModuleFileName(ModuleHandle module) {
    link_map* map = nullptr;
    if (module == nullptr || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
        return {};
    }
    std::string host = map->l_name != nullptr ? map->l_name : "";
    if (host.empty()) {
        return ProgramFileName();  // the program itself
    }
    if (host.front() != '/') {
        host = detail::CanonicalHostPath(host).value_or(host);
    }
    return detail::HostToWindowsPathOrRaw(host);
}

std::string ProgramFileName() {
    std::string host = ProgramHostFile();
    return host.empty() ? std::string() : detail::HostToWindowsPathOrRaw(host);
}

std::string ProgramDir() {
    return ExtractFilePath(ProgramFileName());
}

}  // namespace ruvu::platform
