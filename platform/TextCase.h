// Letter case of the system's text, which is UTF-8. The letters of the Windows code pages of Latin
// script (1250 Central European, 1252 Western) have an upper and a lower case: ASCII, Latin-1
// Supplement and Latin Extended-A (á/Á, é/É, ő/Ő, ű/Ű, š/Š, ł/Ł, ÿ/Ÿ). Every other character, and
// every byte that does not belong to well-formed UTF-8, is left as it is. A letter and its other case
// take the same number of bytes, so changing case never changes a text's length.
//
// Names of files and folders, commands and the add dialog's lines are upper-cased and compared with
// these rules; UpperCaseAscii and its kin (WinPath.h) stay for ASCII keywords and drive letters.
#pragma once

#include <string>
#include <string_view>

namespace ruvu::platform {

// The character of UTF-8 text starting at text[i]; i moves past it. A byte that does not start a
// well-formed sequence is taken alone and comes back as U+F0000 + the byte, so it never equals a
// real character; AppendUtf8Char writes such a value back as that byte.
char32_t NextUtf8Char(std::string_view text, size_t& i);
void AppendUtf8Char(std::string& out, char32_t c);

char32_t UpperChar(char32_t c);
char32_t LowerChar(char32_t c);

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Ordering that ignores letter case: characters are compared as their upper case, by code point
// (negative, zero, positive).
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

}  // namespace ruvu::platform
