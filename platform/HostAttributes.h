// Windows attributes of a host entry (not part of the host layer's interface).
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace ruvu::platform::detail {

// The FileAttributes bits of an entry whose stat (links followed) is st.
uint32_t AttributesOf(const std::string& hostPath, const struct stat& st);

}  // namespace ruvu::platform::detail
