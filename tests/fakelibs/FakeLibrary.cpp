// A stand-in for either run-time library, for the engine's tests. It writes what it receives into the
// file named by FAKELIB_RECORD and plays the callback steps of FAKELIB_SCRIPT.
//
// Built as DIZODE.DLL (FAKE_ZIP) or RUROZA.DLL; FAKE_VERSION is what its version entry reports, 0 to
// export no version entry at all.
//
// Script: steps separated by ';', each a list of KEY=VALUE fields separated by '|':
//   a action, e ErrorCode, s FileSize, p position P, m message id, t text (in Text),
//   l text given by handle (TextPointer), x text whose handle goes into DataValue,
//   d bytes (hex) whose handle goes into DataValue, o OldComment, w DataValue as a number.
// A step "r=N" sets the work result (default: the number of steps played). The fake stops at the
// first non-zero answer and returns -4, or -8 for 10106.
//
// Record file lines: "record HEX" (the parameter record), "text OFFSET HEX" (each text field),
// "spec I HEX", "spectext I HEX", "specpassword I HEX", "exclude I HEX", and per step
// "answer I RESULT ACTIONCODE ERRORCODE FILESIZE DATAVALUE TEXTHEX DATAHEX".
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "abi/LibraryEntry.h"
#include "platform/Handles.h"

namespace {

using ruvu::platform::ResolveHandleAs;
using ruvu::platform::ScopedHandle;

std::string Hex(const void* data, size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out.empty() ? "-" : out;
}

std::string HexText(uint32_t handle) {
    const char* text = ResolveHandleAs<const char>(handle);
    return text != nullptr ? Hex(text, std::strlen(text)) : "null";
}

std::string Unhex(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(separator, start), text.size());
        if (end > start) {
            parts.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

class RecordFile {
  public:
    RecordFile() {
        const char* path = std::getenv("FAKELIB_RECORD");
        file_ = path != nullptr ? std::fopen(path, "a") : nullptr;
    }
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    void Line(const std::string& line) {
        if (file_ != nullptr) {
            std::fprintf(file_, "%s\n", line.c_str());
        }
    }

  private:
    std::FILE* file_;
};

void RecordText(RecordFile& out, const void* record, size_t offset) {
    uint32_t handle;
    std::memcpy(&handle, static_cast<const uint8_t*>(record) + offset, sizeof handle);
    if (handle != 0) {
        out.Line("text " + std::to_string(offset) + " " + HexText(handle));
    }
}

template <class Entry>
void RecordSpecs(RecordFile& out, uint32_t arrayHandle, int32_t count) {
    const auto* entries = ResolveHandleAs<const Entry>(arrayHandle);
    for (int32_t i = 0; entries != nullptr && i < count; ++i) {
        const std::string index = std::to_string(i);
        out.Line("spec " + index + " " + Hex(&entries[i], sizeof(Entry)));
        out.Line("spectext " + index + " " + HexText(entries[i].SpecText));
        if constexpr (sizeof(Entry) == sizeof(ruvu::abi::SpecEntry)) {
            out.Line("specpassword " + index + " " + HexText(entries[i].PasswordText));
        }
    }
}

int32_t Play(RecordFile& out, uint32_t callbackHandle, uint32_t callerRef, bool isZip) {
    const auto callback =
        reinterpret_cast<ruvu::abi::CallbackFunction>(ruvu::platform::ResolveHandle(callbackHandle));
    const char* script = std::getenv("FAKELIB_SCRIPT");
    int32_t result = 0;
    bool resultSet = false;
    int index = 0;
    for (std::string_view step : Split(script != nullptr ? script : "", ';')) {
        // Four spare bytes behind the record, as a library may allocate, show writes past its end.
        std::vector<uint8_t> block(ruvu::abi::kCallbackRecordSize + 4, 0xEE);
        std::memset(block.data(), 0, ruvu::abi::kCallbackRecordSize);
        auto& record = *reinterpret_cast<ruvu::abi::CallbackRecord*>(block.data());
        record.CallerRef = callerRef;
        record.IsZipOperation = isZip ? 1 : 0;
        uint32_t action = 0, position = 0, messageId = 0;
        std::deque<std::string> kept;
        std::deque<ScopedHandle> handles;
        for (std::string_view field : Split(step, '|')) {
            const size_t eq = field.find('=');
            const std::string key(field.substr(0, eq));
            const std::string value(eq == std::string_view::npos ? "" : field.substr(eq + 1));
            if (key == "r") {
                result = std::stoi(value);
                resultSet = true;
            } else if (key == "a") {
                action = static_cast<uint32_t>(std::stoul(value));
            } else if (key == "e") {
                record.ErrorCode = static_cast<int32_t>(std::stoll(value));
            } else if (key == "s") {
                record.FileSize = static_cast<int32_t>(std::stoll(value));
            } else if (key == "p") {
                position = static_cast<uint32_t>(std::stoul(value));
            } else if (key == "m") {
                messageId = static_cast<uint32_t>(std::stoul(value));
            } else if (key == "t") {
                std::memcpy(record.Text, value.data(), std::min(value.size(), sizeof record.Text - 1));
            } else if (key == "l") {
                record.SetTextPointer(handles.emplace_back(kept.emplace_back(value).data()).Get());
            } else if (key == "x") {
                record.DataValue = handles.emplace_back(kept.emplace_back(value).data()).Get();
            } else if (key == "d") {
                record.DataValue = handles.emplace_back(kept.emplace_back(Unhex(value)).data()).Get();
            } else if (key == "o") {
                std::memcpy(record.OldComment(), value.data(), std::min<size_t>(value.size(), 247));
            } else if (key == "w") {
                record.DataValue = static_cast<uint32_t>(std::stoul(value));
            }
        }
        if (action == 0 && step.starts_with("r=")) {
            continue;
        }
        record.ActionCode = ruvu::abi::MakeActionCode(action, position, messageId);
        const int32_t answer = callback != nullptr ? callback(&record) : 0;
        const char* text = reinterpret_cast<const char*>(&record) + 0x1C;
        std::string data = "-";
        if (action == ruvu::abi::kActionExtraData && record.ErrorCode == -1 && record.FileSize > 511) {
            const char* bytes = ResolveHandleAs<const char>(record.DataValue);
            data = bytes != nullptr ? Hex(bytes, static_cast<size_t>(record.FileSize)) : "null";
        }
        const bool overrun = block[ruvu::abi::kCallbackRecordSize] != 0xEE;
        out.Line("answer " + std::to_string(index) + " " + std::to_string(answer) + " " +
                 std::to_string(record.ActionCode) + " " + std::to_string(record.ErrorCode) + " " +
                 std::to_string(record.FileSize) + " " + std::to_string(record.DataValue) + " " +
                 Hex(text, strnlen(text, 512)) + " " + data + (overrun ? " overrun" : ""));
        ++index;
        if (answer != 0) {
            return answer == ruvu::abi::kCallbackHandlerException ? ruvu::abi::kResultHandlerException
                                                                  : ruvu::abi::kResultCancelled;
        }
    }
    return resultSet ? result : index;
}

}  // namespace

extern "C" {

#ifdef FAKE_ZIP
__attribute__((visibility("default"))) int32_t DizOdeExec(ruvu::abi::ZipParams* params) {
    RecordFile out;
    if (params == nullptr) {
        out.Line("abort");
        return 0;
    }
    out.Line("record " + Hex(params, sizeof *params));
    for (size_t offset : {0x14, 0x18, 0x7C, 0x80, 0x84, 0xC8}) {
        RecordText(out, params, offset);
    }
    RecordSpecs<ruvu::abi::SpecEntry>(out, params->SpecArray, params->SpecCount);
    const auto* excludes = ResolveHandleAs<const uint32_t>(params->ExcludeArray);
    for (int32_t i = 0; excludes != nullptr && i < params->ExcludeCount; ++i) {
        out.Line("exclude " + std::to_string(i) + " " + HexText(excludes[i]));
    }
    return Play(out, params->Callback, params->CallerRef, true);
}
#if FAKE_VERSION != 0
__attribute__((visibility("default"))) int32_t GetDizOdeVersion() {
    return FAKE_VERSION;
}
#endif
__attribute__((visibility("default"))) int32_t GetDizOdePrivVersion() {
    return 4242;
}
#else
__attribute__((visibility("default"))) int32_t RurOzaExec(ruvu::abi::UnzParams* params) {
    RecordFile out;
    if (params == nullptr) {
        out.Line("abort");
        return 0;
    }
    out.Line("record " + Hex(params, sizeof *params));
    for (size_t offset : {0x18, 0x44, 0x6C}) {
        RecordText(out, params, offset);
    }
    RecordSpecs<ruvu::abi::UnzSpecEntry>(out, params->SpecArray, params->SpecCount);
    return Play(out, params->Callback, params->CallerRef, false);
}
#if FAKE_VERSION != 0
__attribute__((visibility("default"))) int32_t GetRurOzaVersion() {
    return FAKE_VERSION;
}
#endif
__attribute__((visibility("default"))) int32_t GetRurOzaPrivVersion() {
    return 4243;
}
#endif
}
