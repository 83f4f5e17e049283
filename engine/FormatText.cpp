#include "engine/FormatText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace ruvu {

int64_t FormatArg::Number() const {
    const int64_t* number = std::get_if<int64_t>(&value_);
    return number ? *number : 0;
}

std::string FormatArg::Text() const {
    if (const std::string* text = std::get_if<std::string>(&value_)) {
        return *text;
    }
    return std::to_string(std::get<int64_t>(value_));
}

namespace {

// Caps width and precision so a hostile format cannot ask for a huge field.
constexpr int kMaxField = 4096;

bool ReadCount(std::string_view format, size_t& pos, int& value) {
    size_t start = pos;
    value = 0;
    while (pos < format.size() && format[pos] >= '0' && format[pos] <= '9') {
        value = std::min(kMaxField, value * 10 + (format[pos] - '0'));
        ++pos;
    }
    return pos > start;
}

std::string NumberText(int64_t number, char type, int precision) {
    char buffer[32];
    bool negative = false;
    uint64_t magnitude = 0;
    int base = 10;
    if (type == 'x' || type == 'X') {
        base = 16;
        magnitude = static_cast<uint32_t>(number);
    } else if (type == 'u') {
        magnitude = static_cast<uint32_t>(number);
    } else {
        negative = number < 0;
        magnitude = negative ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
    }
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, base);
    std::string digits(buffer, result.ptr);
    if (type == 'X') {
        for (char& c : digits) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    if (precision > static_cast<int>(digits.size())) {
        digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
    }
    return negative ? "-" + digits : digits;
}

}  // namespace

std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args) {
    std::vector<const FormatArg*> list;
    for (const FormatArg& arg : args) {
        list.push_back(&arg);
    }
    size_t next = 0;
    std::string out;
    out.reserve(format.size() + 16);
    size_t pos = 0;
    while (pos < format.size()) {
        char c = format[pos];
        if (c != '%') {
            out += c;
            ++pos;
            continue;
        }
        if (pos + 1 < format.size() && format[pos + 1] == '%') {
            out += '%';
            pos += 2;
            continue;
        }
        size_t start = pos++;
        bool left = pos < format.size() && format[pos] == '-';
        if (left) {
            ++pos;
        }
        int width = 0;
        ReadCount(format, pos, width);
        int precision = -1;
        if (pos < format.size() && format[pos] == '.') {
            ++pos;
            ReadCount(format, pos, precision);
        }
        char type = pos < format.size() ? format[pos] : '\0';
        if (type != 'd' && type != 'u' && type != 'x' && type != 'X' && type != 's') {
            out.append(format.substr(start, pos - start));
            continue;
        }
        ++pos;
        std::string field;
        if (next < list.size()) {
            const FormatArg& arg = *list[next];
            if (type == 's') {
                field = arg.Text();
                if (precision >= 0 && static_cast<size_t>(precision) < field.size()) {
                    field.resize(static_cast<size_t>(precision));
                }
            } else {
                field = arg.IsNumber() ? NumberText(arg.Number(), type, precision) : arg.Text();
            }
        }
        ++next;
        if (static_cast<int>(field.size()) < width) {
            std::string pad(static_cast<size_t>(width) - field.size(), ' ');
            field = left ? field + pad : pad + field;
        }
        out += field;
    }
    return out;
}

}  // namespace ruvu
