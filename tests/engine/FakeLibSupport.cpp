#include "tests/engine/FakeLibSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace ruvu::enginetest {

namespace {

std::optional<std::string> Unhex(const std::string& hex) {
    if (hex == "null") {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return out;
}

}  // namespace

uint32_t FakeCall::U32(size_t offset) const {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<uint8_t>(record.at(offset + i));
    }
    return value;
}

uint16_t FakeCall::U16(size_t offset) const {
    return static_cast<uint16_t>(static_cast<uint8_t>(record.at(offset)) |
                                 (static_cast<uint8_t>(record.at(offset + 1)) << 8));
}

bool FakeCall::Zero(size_t offset, size_t size) const {
    return record.substr(offset, size).find_first_not_of('\0') == std::string::npos;
}

FakeScript::FakeScript(const TempDir& dir, const std::string& script) : path_(dir / "fakelib.log") {
    setenv("FAKELIB_RECORD", path_.c_str(), 1);
    setenv("FAKELIB_SCRIPT", script.c_str(), 1);
}

FakeScript::~FakeScript() {
    unsetenv("FAKELIB_RECORD");
    unsetenv("FAKELIB_SCRIPT");
}

std::vector<FakeCall> FakeScript::Calls() const {
    std::vector<FakeCall> calls;
    std::istringstream in(ReadFile(path_));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "record") {
            std::string hex;
            fields >> hex;
            calls.emplace_back().record = Unhex(hex).value_or("");
            continue;
        }
        if (calls.empty()) {
            continue;
        }
        FakeCall& call = calls.back();
        size_t index = 0;
        std::string hex;
        if (kind == "text") {
            fields >> index >> hex;
            call.texts[index] = Unhex(hex).value_or("");
        } else if (kind == "spec") {
            fields >> index >> hex;
            call.specs.push_back(Unhex(hex).value_or(""));
        } else if (kind == "spectext") {
            fields >> index >> hex;
            call.specTexts.push_back(Unhex(hex));
        } else if (kind == "specpassword") {
            fields >> index >> hex;
            call.specPasswords.push_back(Unhex(hex));
        } else if (kind == "exclude") {
            fields >> index >> hex;
            call.excludes.push_back(Unhex(hex).value_or(""));
        } else if (kind == "answer") {
            FakeAnswer& a = call.answers.emplace_back();
            std::string text, data, overrun;
            fields >> index >> a.result >> a.actionCode >> a.errorCode >> a.fileSize >> a.dataValue >> text >>
                data >> overrun;
            a.text = Unhex(text).value_or("");
            a.data = Unhex(data).value_or("");
            a.overrun = overrun == "overrun";
        }
    }
    return calls;
}

FakeCall FakeScript::Last() const {
    std::vector<FakeCall> calls = Calls();
    EXPECT_FALSE(calls.empty()) << "the fake library was not called";
    return calls.empty() ? FakeCall{} : calls.back();
}

int FakeScript::Aborts() const {
    std::istringstream in(ReadFile(path_));
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        count += line == "abort" ? 1 : 0;
    }
    return count;
}

}  // namespace ruvu::enginetest
