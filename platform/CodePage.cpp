#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
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

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t length;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            auto cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = cp << 6 | (cc & 0x3F);
        }
        // No overlong forms, no surrogates, nothing beyond U+10FFFF.
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += length;
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
