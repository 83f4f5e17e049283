// Conversion between the OEM code page and the system's "ANSI" text, which is UTF-8. The OEM code
// page is CP852 (Hungarian) unless RUVUVADU_OEMCP names another one that iconv knows (CP437, ...).
// Characters without an equivalent become "_".
//
// Text that is neither OEM nor UTF-8 (names written on other systems in their own 8-bit code page) is
// read in the fallback code page: ISO-8859-2 (Latin-2, which agrees with Windows' CP1250 on every
// Hungarian letter) unless RUVUVADU_ANSICP names another single-byte code page that iconv knows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ruvu::platform {

std::string OemToAnsi(std::string_view oem);
std::string AnsiToOem(std::string_view ansi);
// The iconv name of the OEM code page in use ("CP852").
std::string OemCodePage();

// The iconv name of the fallback code page in use ("ISO-8859-2").
std::string FallbackCodePage();
// Bytes of the fallback code page as UTF-8. Every byte gives one character of its own (a byte the code
// page leaves undefined gives the character of the same number), so the result is always valid UTF-8
// and two different texts never give the same one.
std::string FallbackToUtf8(std::string_view bytes);
// The text with its well-formed UTF-8 sequences kept and every other byte read as FallbackToUtf8
// reads it: valid UTF-8 in which each stray byte still stands for itself.
std::string RepairUtf8(std::string_view text);

// True when the text is valid UTF-8.
bool IsValidUtf8(std::string_view text);
// True when every byte is below 0x80.
bool IsPlainAscii(std::string_view text);
// The first count characters of a UTF-8 text, never cutting a multi-byte character.
std::string_view Utf8Prefix(std::string_view text, size_t count);

}  // namespace ruvu::platform
