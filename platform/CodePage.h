// Conversion between the OEM code page and the system's "ANSI" text, which is UTF-8. The OEM code
// page is CP852 (Hungarian) unless RUVUVADU_OEMCP names another one that iconv knows (CP437, ...).
// Characters without an equivalent become "_".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ruvu::platform {

std::string OemToAnsi(std::string_view oem);
std::string AnsiToOem(std::string_view ansi);
// The iconv name of the OEM code page in use ("CP852").
std::string OemCodePage();

// True when the text is valid UTF-8.
bool IsValidUtf8(std::string_view text);
// True when every byte is below 0x80.
bool IsPlainAscii(std::string_view text);
// The first count characters of a UTF-8 text, never cutting a multi-byte character.
std::string_view Utf8Prefix(std::string_view text, size_t count);

}  // namespace ruvu::platform
