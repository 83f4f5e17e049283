#include "platform/DateFormat.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <optional>

namespace ruvu::platform {

namespace {

struct Formats {
    std::mutex mutex;
    std::optional<std::string> shortDate;
    std::optional<std::string> shortTime;
};

Formats& ProgramFormats() {
    static Formats formats;
    return formats;
}

using FormatSlot = std::optional<std::string> Formats::*;

// A program format, taken from the locale on first use.
std::string Current(FormatSlot slot, std::string (*fromLocale)()) {
    Formats& formats = ProgramFormats();
    std::lock_guard lock(formats.mutex);
    if (!(formats.*slot)) {
        formats.*slot = fromLocale();
    }
    return *(formats.*slot);
}

void Replace(FormatSlot slot, std::string_view format) {
    Formats& formats = ProgramFormats();
    std::lock_guard lock(formats.mutex);
    formats.*slot = std::string(format);
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void AppendNumber(std::string& out, int value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width) {
        out.append(static_cast<size_t>(width) - digits.size(), '0');
    }
    out += digits;
}

// The interface speaks Hungarian: without a locale of the user's own, dates are written the Hungarian
// way rather than in the C locale's US order.
constexpr std::string_view kHungarianShortDate = "yyyy. mm. dd.";
constexpr std::string_view kHungarianShortTime = "h:nn";

// The locale LC_TIME takes from the environment, as setlocale does: LC_ALL, LC_TIME, then LANG.
std::string TimeLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "C";
}

// The strftime format of an LC_TIME item of the user's locale; nullopt when that locale is C or POSIX
// or is not installed.
std::optional<std::string> LocaleItem(nl_item item) {
    const std::string name = TimeLocaleName();
    if (name == "C" || name == "POSIX" || name.starts_with("C.")) {
        return std::nullopt;
    }
    locale_t host = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (host == static_cast<locale_t>(nullptr)) {
        return std::nullopt;
    }
    std::string format = nl_langinfo_l(item, host);
    freelocale(host);
    return format;
}

// Position of the first token letter c outside quotes; npos when there is none.
size_t FindToken(std::string_view format, char c) {
    char quote = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (quote != 0) {
            quote = format[i] == quote ? 0 : quote;
        } else if (format[i] == '\'' || format[i] == '"') {
            quote = format[i];
        } else if (Lower(format[i]) == c) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

}  // namespace

std::string ShortDateFormat() {
    return Current(&Formats::shortDate, LocaleShortDateFormat);
}

void SetShortDateFormat(std::string_view format) {
    Replace(&Formats::shortDate, format);
}

std::string ShortTimeFormat() {
    return Current(&Formats::shortTime, LocaleShortTimeFormat);
}

void SetShortTimeFormat(std::string_view format) {
    Replace(&Formats::shortTime, format);
}

std::string FormatDateTime(std::string_view format, const std::tm& time) {
    std::string out;
    bool afterHour = false;
    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '\'' || c == '"') {
            size_t close = format.find(c, i + 1);
            size_t end = close == std::string_view::npos ? format.size() : close;
            out.append(format.substr(i + 1, end - i - 1));
            i = close == std::string_view::npos ? format.size() : close + 1;
            continue;
        }
        const char token = Lower(c);
        size_t run = 1;
        while (i + run < format.size() && Lower(format[i + run]) == token) {
            ++run;
        }
        const int width = run >= 2 ? 2 : 1;
        switch (token) {
            case 'y':
                if (run >= 3) {
                    AppendNumber(out, time.tm_year + 1900, 4);
                } else {
                    AppendNumber(out, (time.tm_year + 1900) % 100, 2);
                }
                afterHour = false;
                break;
            case 'm':
                AppendNumber(out, afterHour ? time.tm_min : time.tm_mon + 1, width);
                afterHour = false;
                break;
            case 'd':
                AppendNumber(out, time.tm_mday, width);
                afterHour = false;
                break;
            case 'h':
                AppendNumber(out, time.tm_hour, width);
                afterHour = true;
                break;
            case 'n':
                AppendNumber(out, time.tm_min, width);
                afterHour = false;
                break;
            case 's':
                AppendNumber(out, time.tm_sec, width);
                afterHour = false;
                break;
            default:
                out.append(format.substr(i, run));
                break;
        }
        i += run;
    }
    return out;
}

std::string FormatShortDate(const std::tm& time) {
    return FormatDateTime(ShortDateFormat(), time);
}

std::string FormatShortTime(const std::tm& time) {
    return FormatDateTime(ShortTimeFormat(), time);
}

std::string FormatFromStrftime(std::string_view strftimeFormat) {
    std::string out;
    size_t i = 0;
    while (i < strftimeFormat.size()) {
        const char c = strftimeFormat[i++];
        if (c != '%') {
            if (IsAsciiLetter(c)) {
                out += '"';
                out += c;
                out += '"';
            } else {
                out += c;
            }
            continue;
        }
        // Flags and modifiers: "-" drops the leading zero, the others change nothing here.
        bool noPadding = false;
        while (i < strftimeFormat.size() &&
               std::string_view("-_0^#EO").find(strftimeFormat[i]) != std::string_view::npos) {
            noPadding = noPadding || strftimeFormat[i] == '-' || strftimeFormat[i] == '_';
            ++i;
        }
        if (i >= strftimeFormat.size()) {
            break;
        }
        switch (strftimeFormat[i++]) {
            case 'Y':
            case 'G':
                out += "yyyy";
                break;
            case 'y':
            case 'g':
                out += "yy";
                break;
            case 'm':
                out += noPadding ? "m" : "mm";
                break;
            case 'd':
                out += noPadding ? "d" : "dd";
                break;
            case 'e':
                out += "d";
                break;
            case 'D':
                out += "mm/dd/yy";
                break;
            case 'F':
                out += "yyyy-mm-dd";
                break;
            case 'H':
            case 'I':
                out += noPadding ? "h" : "hh";
                break;
            case 'k':
            case 'l':
                out += "h";
                break;
            case 'M':
                out += noPadding ? "n" : "nn";
                break;
            case 'S':
                out += noPadding ? "s" : "ss";
                break;
            case 'T':
            case 'r':
                out += "hh:nn:ss";
                break;
            case 'R':
                out += "hh:nn";
                break;
            case 'n':
            case 't':
                out += ' ';
                break;
            case '%':
                out += '%';
                break;
            default:
                break;
        }
    }
    return Trimmed(out);
}

std::string LocaleShortDateFormat() {
    const std::optional<std::string> format = LocaleItem(D_FMT);
    return format ? FormatFromStrftime(*format) : std::string(kHungarianShortDate);
}

std::string LocaleShortTimeFormat() {
    const std::optional<std::string> item = LocaleItem(T_FMT);
    if (!item) {
        return std::string(kHungarianShortTime);
    }
    std::string format = FormatFromStrftime(*item);
    // The short form leaves the seconds out, with the separator before them.
    size_t seconds = FindToken(format, 's');
    if (seconds != std::string::npos) {
        size_t end = seconds;
        while (end < format.size() && format[end] == 's') {
            ++end;
        }
        size_t start = seconds;
        while (start > 0 && !IsAsciiLetter(format[start - 1]) && format[start - 1] != '"') {
            --start;
        }
        format.erase(start, end - start);
    }
    return Trimmed(format);
}

}  // namespace ruvu::platform
