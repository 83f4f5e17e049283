#include "libs/common/SpecMatch.h"

#include <cstdint>
#include <vector>

#include "platform/TextCase.h"

namespace ruvu::libcommon {

namespace {

// Letter case folded by the host layer's rules; a backslash is the same separator as a slash.
char32_t FoldChar(char32_t c) {
    return c == '\\' ? '/' : platform::LowerChar(c);
}

std::vector<char32_t> Folded(std::string_view text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        out.push_back(FoldChar(platform::NextUtf8Char(text, i)));
    }
    return out;
}

}  // namespace

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

std::string FoldName(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char32_t c : Folded(utf8)) {
        platform::AppendUtf8Char(out, c);
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
