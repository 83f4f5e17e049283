#include "platform/TextCase.h"

#include <cstdint>

namespace ruvu::platform {

namespace {

constexpr char32_t kStrayByte = 0xF0000;

bool IsContinuation(std::string_view text, size_t at) {
    return at < text.size() && (static_cast<uint8_t>(text[at]) & 0xC0) == 0x80;
}

// Latin Extended-A pairs its letters in runs: in some the upper case has the even code point, in the
// others the odd one. 0x130/0x131 (dotted I, dotless i), 0x138 (kra), 0x149 and 0x17F have no
// partner in the code pages and stay alone.
bool EvenIsUpper(char32_t c) {
    return (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
}
bool OddIsUpper(char32_t c) {
    return (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
}

template <char32_t (*Map)(char32_t)>
std::string MapCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        // Names are mostly ASCII: those bytes need no decoding.
        if (const auto byte = static_cast<uint8_t>(text[i]); byte < 0x80) {
            out.push_back(static_cast<char>(Map(byte)));
            ++i;
            continue;
        }
        const size_t start = i;
        const char32_t c = NextUtf8Char(text, i);
        const char32_t mapped = Map(c);
        if (mapped == c) {
            out.append(text.substr(start, i - start));
        } else {
            AppendUtf8Char(out, mapped);
        }
    }
    return out;
}

}  // namespace

char32_t NextUtf8Char(std::string_view text, size_t& i) {
    const auto b0 = static_cast<uint8_t>(text[i]);
    auto byte = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    if (b0 >= 0xC2 && b0 < 0xE0 && IsContinuation(text, i + 1)) {
        const char32_t c = ((b0 & 0x1Fu) << 6) | (byte(1) & 0x3Fu);
        i += 2;
        return c;
    }
    if (b0 >= 0xE0 && b0 < 0xF0 && IsContinuation(text, i + 1) && IsContinuation(text, i + 2)) {
        const char32_t c = ((b0 & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        // Overlong forms and UTF-16 surrogates are no characters.
        if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
            i += 3;
            return c;
        }
    } else if (b0 >= 0xF0 && b0 < 0xF5 && IsContinuation(text, i + 1) && IsContinuation(text, i + 2) &&
               IsContinuation(text, i + 3)) {
        const char32_t c =
            ((b0 & 0x07u) << 18) | ((byte(1) & 0x3Fu) << 12) | ((byte(2) & 0x3Fu) << 6) | (byte(3) & 0x3Fu);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            i += 4;
            return c;
        }
    }
    ++i;
    return kStrayByte + b0;
}

void AppendUtf8Char(std::string& out, char32_t c) {
    if (c >= kStrayByte + 0x80 && c <= kStrayByte + 0xFF) {
        out.push_back(static_cast<char>(c - kStrayByte));
    } else if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

char32_t UpperChar(char32_t c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return c - 0x20;
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if ((EvenIsUpper(c) && (c & 1) != 0) || (OddIsUpper(c) && (c & 1) == 0)) {
        return c - 1;
    }
    return c;
}

char32_t LowerChar(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 0x20;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    if ((EvenIsUpper(c) && (c & 1) == 0) || (OddIsUpper(c) && (c & 1) != 0)) {
        return c + 1;
    }
    return c;
}

std::string UpperCase(std::string_view text) {
    return MapCase<UpperChar>(text);
}

std::string LowerCase(std::string_view text) {
    return MapCase<LowerChar>(text);
}

int CompareText(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = UpperChar(NextUtf8Char(a, i));
        const char32_t cb = UpperChar(NextUtf8Char(b, j));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

bool SameText(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}

}  // namespace ruvu::platform
