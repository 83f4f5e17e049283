// The texts of the program's --help and --version, and what it says when it has no window to show.
// The README's command-line section repeats the usage text word for word.
#pragma once

#include <string_view>

namespace ruvu {

// Commands, switches, exit statuses and environment variables.
std::string_view UsageText();
// "RuvuvADU" and the version, one line.
std::string_view VersionText();
// Said on standard error when the window would stay open for normal use without a display.
std::string_view NoDisplayText();

}  // namespace ruvu
