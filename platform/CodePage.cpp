#include "platform/CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace ruvu::platform {

namespace {

constexpr const char* kDefaultOemCodePage = "CP852";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One cached descriptor per direction, reopened when RUVUVADU_OEMCP changes. iconv_t keeps shift
// state and is not thread-safe, so every use holds the mutex.
struct Converters {
    std::mutex mutex;
    std::string requested;  // RUVUVADU_OEMCP as last seen
    std::string active;     // the code page the converters use
    iconv_t toAnsi = kNoConverter;
    iconv_t toOem = kNoConverter;
    std::set<std::string> reportedUnknown;

    ~Converters() { Close(); }
    void Close() {
        if (toAnsi != kNoConverter) {
            iconv_close(toAnsi);
        }
        if (toOem != kNoConverter) {
            iconv_close(toOem);
        }
        toAnsi = toOem = kNoConverter;
    }
};

Converters& TheConverters() {
    static Converters converters;
    return converters;
}

std::string RequestedCodePage() {
    const char* value = std::getenv("RUVUVADU_OEMCP");
    return value != nullptr && *value != '\0' ? std::string(value) : std::string(kDefaultOemCodePage);
}

// Opens the converters for the requested code page (caller holds the mutex); an unknown name is
// reported once and the default used instead.
void Prepare(Converters& c) {
    std::string wanted = RequestedCodePage();
    if (wanted == c.requested && c.toAnsi != kNoConverter) {
        return;
    }
    c.Close();
    c.requested = wanted;
    c.active = wanted;
    c.toAnsi = iconv_open("UTF-8", wanted.c_str());
    c.toOem = iconv_open(wanted.c_str(), "UTF-8");
    if (c.toAnsi == kNoConverter || c.toOem == kNoConverter) {
        c.Close();
        if (c.reportedUnknown.insert(wanted).second) {
            std::fprintf(stderr, "RUVUVADU_OEMCP: unknown code page \"%s\", using %s\n", wanted.c_str(),
                         kDefaultOemCodePage);
        }
        c.toAnsi = iconv_open("UTF-8", kDefaultOemCodePage);
        c.toOem = iconv_open(kDefaultOemCodePage, "UTF-8");
        c.active = kDefaultOemCodePage;
    }
}

// Length of the UTF-8 sequence starting at text[0] (1 for a stray byte), for skipping what the
// target code page lacks.
size_t Utf8SequenceLength(std::string_view text) {
    auto lead = static_cast<unsigned char>(text[0]);
    size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    size_t i = 1;
    while (i < length && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
        ++i;
    }
    return i;
}

std::string Convert(iconv_t cd, std::string_view input, bool inputIsUtf8) {
    std::string output;
    if (cd == kNoConverter) {
        return std::string(input);
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[1024];
    while (!input.empty()) {
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char* out = buffer;
        size_t outLeft = sizeof(buffer);
        size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        int err = errno;
        output.append(buffer, static_cast<size_t>(out - buffer));
        input.remove_prefix(input.size() - inLeft);
        if (result != static_cast<size_t>(-1) || err == E2BIG) {
            continue;
        }
        // EILSEQ: no equivalent (or not valid input); EINVAL: cut short at the end.
        output += '_';
        input.remove_prefix(inputIsUtf8 ? Utf8SequenceLength(input) : 1);
    }
    char* out = buffer;
    size_t outLeft = sizeof(buffer);
    iconv(cd, nullptr, nullptr, &out, &outLeft);
    output.append(buffer, static_cast<size_t>(out - buffer));
    return output;
}

constexpr const char* kDefaultFallbackCodePage = "ISO-8859-2";

// The UTF-8 text of each byte in the fallback code page, built once per code page named by
// RUVUVADU_ANSICP (iconv byte by byte, so only single-byte code pages give more than Latin-1).
struct FallbackTable {
    std::mutex mutex;
    std::string requested;  // RUVUVADU_ANSICP as last seen
    std::string active;
    std::array<std::string, 256> characters;
    std::set<std::string> reportedUnknown;
};

FallbackTable& TheFallbackTable() {
    static FallbackTable table;
    return table;
}

// The character of the same number (ISO-8859-1), for a byte a code page leaves undefined.
std::string Latin1Character(uint8_t byte) {
    if (byte < 0x80) {
        return std::string(1, static_cast<char>(byte));
    }
    return {static_cast<char>(0xC0 | byte >> 6), static_cast<char>(0x80 | (byte & 0x3F))};
}

// Fills the table for the requested code page (caller holds the mutex); an unknown name is reported
// once and the default used instead.
void PrepareFallback(FallbackTable& t) {
    const char* value = std::getenv("RUVUVADU_ANSICP");
    const std::string wanted = value != nullptr && *value != '\0' ? value : kDefaultFallbackCodePage;
    if (wanted == t.requested && !t.active.empty()) {
        return;
    }
    t.requested = wanted;
    iconv_t cd = iconv_open("UTF-8", wanted.c_str());
    t.active = wanted;
    if (cd == kNoConverter) {
        if (t.reportedUnknown.insert(wanted).second) {
            std::fprintf(stderr, "RUVUVADU_ANSICP: unknown code page \"%s\", using %s\n", wanted.c_str(),
                         kDefaultFallbackCodePage);
        }
        cd = iconv_open("UTF-8", kDefaultFallbackCodePage);
        t.active = kDefaultFallbackCodePage;
    }
    for (int byte = 0; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        char out[8];
        char* inPtr = &in;
        size_t inLeft = 1;
        char* outPtr = out;
        size_t outLeft = sizeof out;
        std::string& character = t.characters[static_cast<size_t>(byte)];
        if (cd != kNoConverter) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        if (cd != kNoConverter && iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
            inLeft == 0 && outPtr != out) {
            character.assign(out, static_cast<size_t>(outPtr - out));
        } else {
            character = Latin1Character(static_cast<uint8_t>(byte));
        }
    }
    if (cd != kNoConverter) {
        iconv_close(cd);
    }
}

// Length of the well-formed UTF-8 sequence at the start of text, or 0 (overlong forms, surrogates and
// values above U+10FFFF are not well-formed).
size_t WellFormedLength(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string OemToAnsi(std::string_view oem) {
    Converters& c = TheConverters();
    std::lock_guard lock(c.mutex);
    Prepare(c);
    return Convert(c.toAnsi, oem, false);
}

std::string AnsiToOem(std::string_view ansi) {
    Converters& c = TheConverters();
    std::lock_guard lock(c.mutex);
    Prepare(c);
    return Convert(c.toOem, ansi, true);
}

std::string OemCodePage() {
    Converters& c = TheConverters();
    std::lock_guard lock(c.mutex);
    Prepare(c);
    return c.active;
}

std::string FallbackCodePage() {
    FallbackTable& t = TheFallbackTable();
    std::lock_guard lock(t.mutex);
    PrepareFallback(t);
    return t.active;
}

std::string FallbackToUtf8(std::string_view bytes) {
    FallbackTable& t = TheFallbackTable();
    std::lock_guard lock(t.mutex);
    PrepareFallback(t);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        out += t.characters[static_cast<uint8_t>(c)];
    }
    return out;
}

std::string RepairUtf8(std::string_view text) {
    if (IsValidUtf8(text)) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size() * 2);
    while (!text.empty()) {
        const size_t length = WellFormedLength(text);
        if (length == 0) {
            out += FallbackToUtf8(text.substr(0, 1));
            text.remove_prefix(1);
        } else {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    while (!text.empty()) {
        if (static_cast<uint8_t>(text[0]) < 0x80) {
            text.remove_prefix(1);
            continue;
        }
        const size_t length = WellFormedLength(text);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

std::string_view Utf8Prefix(std::string_view text, size_t count) {
    size_t characters = 0;
    size_t end = 0;
    for (; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && characters++ == count) {
            break;
        }
    }
    return text.substr(0, end);
}

bool IsPlainAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace ruvu::platform
