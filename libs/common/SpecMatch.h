// Matching names against file specifications as users write them: "*" any run of characters (also
// across folders), "?" exactly one character, "\" and "/" the same separator, letter case ignored
// (ASCII and the accented Latin letters, so "ŐSZ.TXT" matches "ősz.txt"). A pattern ending in "*.*"
// matches names with and without a dot, as on Windows.
#pragma once

#include <string>
#include <string_view>

namespace ruvu::libcommon {

bool MatchSpec(std::string_view pattern, std::string_view name);
// True when the text holds "*" or "?".
bool HasWildcards(std::string_view text);
// Lower-case form used for comparisons: ASCII and Latin-1/Latin Extended-A letters folded, "\" made "/".
std::string FoldName(std::string_view utf8);
// Names equal under FoldName.
bool SameName(std::string_view a, std::string_view b);

}  // namespace ruvu::libcommon
