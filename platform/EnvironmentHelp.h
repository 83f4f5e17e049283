// The environment variables the host layer reads, as the programs' --help texts end with them.
#pragma once

#include <string_view>

namespace ruvu::platform {

inline constexpr std::string_view kEnvironmentHelp = R"(Environment:
  RUVUVADU_DRIVES  drive letters for host folders, ";"-separated LETTER=SPEC items: "/dir"
                   (fixed disk), "removable:/dir" or "floppy:/dir" (a virtual floppy changer);
                   unset, C: is "/"
  RUVUVADU_OEMCP   the OEM code page of MS-DOS names in archives (default CP852)
  RUVUVADU_ANSICP  the code page of names that are neither OEM nor UTF-8 (default ISO-8859-2)
)";

}  // namespace ruvu::platform
