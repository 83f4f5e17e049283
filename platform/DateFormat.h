// The program-wide short date and time formats, as the program shows dates (the archive grid, proposed
// file names). They start from the user's LC_TIME formats (LC_ALL, LC_TIME or LANG) and can be changed
// for the rest of the run; every thread sees the same setting. Where the user has no locale of their
// own (C, POSIX, or one that is not installed) they are the Hungarian ones of the interface:
// "yyyy. mm. dd." and "h:nn" (2024. 03. 07.  9:05).
//
// Format tokens, letters in either case: "yyyy" four-digit year, "yy" two-digit year, "mm" and "m"
// month with and without a leading zero, "dd" and "d" day, "hh" and "h" hour (24-hour clock), "nn" and
// "n" minute, "ss" and "s" second. "mm" or "m" right after an hour token (separators between them
// allowed) is the minute. Text between single or double quotes is copied without its quotes; every
// other character, separators included, is copied as written.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace ruvu::platform {

std::string ShortDateFormat();
void SetShortDateFormat(std::string_view format);
std::string ShortTimeFormat();
void SetShortTimeFormat(std::string_view format);

// A broken-down local time written with a format.
std::string FormatDateTime(std::string_view format, const std::tm& time);
// The date, and the time, with the program's short formats.
std::string FormatShortDate(const std::tm& time);
std::string FormatShortTime(const std::tm& time);

// A strftime format ("%Y-%m-%d", "%H:%M:%S") in the tokens above; conversions without a token (names of
// days and months, AM/PM) are left out.
std::string FormatFromStrftime(std::string_view strftimeFormat);
// The user's locale's date format, and its time format without the seconds, in the tokens above; the
// Hungarian ones where there is no such locale.
std::string LocaleShortDateFormat();
std::string LocaleShortTimeFormat();

}  // namespace ruvu::platform
