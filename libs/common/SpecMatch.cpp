#include "libs/common/SpecMatch.h"

#include <cstdint>
#include <vector>

namespace ruvu::libcommon {

namespace {

// Decodes one UTF-8 character at text[i]; invalid bytes stand for themselves.
char32_t NextChar(std::string_view text, size_t& i) {
    const auto b0 = static_cast<uint8_t>(text[i]);
    auto cont = [&](size_t k) {
        return i + k < text.size() && (static_cast<uint8_t>(text[i + k]) & 0xC0) == 0x80;
    };
    if (b0 >= 0xC2 && b0 < 0xE0 && cont(1)) {
        const char32_t c = ((b0 & 0x1Fu) << 6) | (static_cast<uint8_t>(text[i + 1]) & 0x3Fu);
        i += 2;
        return c;
    }
    if (b0 >= 0xE0 && b0 < 0xF0 && cont(1) && cont(2)) {
        const char32_t c = ((b0 & 0x0Fu) << 12) | ((static_cast<uint8_t>(text[i + 1]) & 0x3Fu) << 6) |
                           (static_cast<uint8_t>(text[i + 2]) & 0x3Fu);
        i += 3;
        return c;
    }
    if (b0 >= 0xF0 && b0 < 0xF5 && cont(1) && cont(2) && cont(3)) {
        const char32_t c = ((b0 & 0x07u) << 18) | ((static_cast<uint8_t>(text[i + 1]) & 0x3Fu) << 12) |
                           ((static_cast<uint8_t>(text[i + 2]) & 0x3Fu) << 6) |
                           (static_cast<uint8_t>(text[i + 3]) & 0x3Fu);
        i += 4;
        return c;
    }
    ++i;
    // Stray bytes map into a private range so they never equal a real character.
    return b0 < 0x80 ? b0 : 0xF0000 + b0;
}

char32_t FoldChar(char32_t c) {
    if (c >= 'A' && c <= 'Z') {
        return c + 32;
    }
    if (c == '\\') {
        return '/';
    }
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 32;
    }
    // Latin Extended-A: upper and lower case alternate, in two runs with different parity.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
        return c | 1;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c & 1) != 0 ? c + 1 : c;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    return c;
}

std::vector<char32_t> Folded(std::string_view text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        out.push_back(FoldChar(NextChar(text, i)));
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c >= 0xF0000 && c <= 0xF00FF) {
        out.push_back(static_cast<char>(c - 0xF0000));
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

}  // namespace

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

std::string FoldName(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char32_t c : Folded(utf8)) {
        AppendUtf8(out, c);
    }
    return out;
}

bool SameName(std::string_view a, std::string_view b) {
    return Folded(a) == Folded(b);
}

bool MatchSpec(std::string_view pattern, std::string_view name) {
    std::vector<char32_t> p = Folded(pattern);
    const std::vector<char32_t> n = Folded(name);
    if (p.size() >= 3 && p[p.size() - 3] == '*' && p[p.size() - 2] == '.' && p.back() == '*') {
        p.resize(p.size() - 2);
    }
    // Greedy matching with one backtrack point: linear in practice, never exponential.
    size_t pi = 0;
    size_t ni = 0;
    size_t starP = SIZE_MAX;
    size_t starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (starP != SIZE_MAX) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') {
        ++pi;
    }
    return pi == p.size();
}

}  // namespace ruvu::libcommon
