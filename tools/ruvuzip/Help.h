// The texts of ruvuzip --help and --version.
#pragma once

#include <string_view>

namespace ruvu::ruvuzip {

// Every command, option and exit status; help2man makes the manual page of it.
std::string_view HelpText();
// "ruvuzip (RuvuvADU) VERSION".
std::string_view VersionText();

}  // namespace ruvu::ruvuzip
