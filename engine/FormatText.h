// Filling a message text's format specifiers with arguments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace ruvu {

// One argument: a whole number or a text.
class FormatArg {
  public:
    FormatArg(int32_t value) : value_(int64_t{value}) {}
    FormatArg(int64_t value) : value_(value) {}
    FormatArg(uint32_t value) : value_(int64_t{value}) {}
    FormatArg(std::string_view text) : value_(std::string(text)) {}
    FormatArg(const std::string& text) : value_(text) {}
    FormatArg(const char* text) : value_(std::string(text)) {}

    bool IsNumber() const { return std::holds_alternative<int64_t>(value_); }
    int64_t Number() const;    // a text reads as 0
    std::string Text() const;  // a number reads as its decimal form

  private:
    std::variant<int64_t, std::string> value_;
};

// Replaces each specifier %[-][width][.precision]type (type d, u, x, X or s) by the next argument and
// "%%" by "%". Precision gives numbers a minimum digit count and cuts texts. A missing argument gives
// an empty field, an argument of the other kind is converted, and a malformed specifier is copied as
// it stands, so a text from any source formats without failing.
std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace ruvu
