// Driving the fake libraries of tests/fakelibs: the script they play, and what they recorded.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace ruvu::enginetest {

// DLLDirectory values of the fake library folders beside the test program.
inline constexpr const char* kFakeLibs = ".\\fakelibs\\script";
inline constexpr const char* kFakeLibsV160 = ".\\fakelibs\\v160";
inline constexpr const char* kFakeLibsNoVersion = ".\\fakelibs\\noversion";

// One callback the fake made and the record as the engine left it.
struct FakeAnswer {
    int32_t result = 0;
    uint32_t actionCode = 0;
    int32_t errorCode = 0;
    int32_t fileSize = 0;
    uint32_t dataValue = 0;
    std::string text;  // from offset 0x1C up to the NUL
    std::string data;  // extra data passed back by handle (action 14)
    bool overrun = false;
};

// One work call as the fake saw it.
struct FakeCall {
    std::string record;                   // the parameter record's bytes
    std::map<size_t, std::string> texts;  // text fields by offset (absent: null)
    std::vector<std::string> specs;       // raw entries
    std::vector<std::optional<std::string>> specTexts;
    std::vector<std::optional<std::string>> specPasswords;
    std::vector<std::string> excludes;
    std::vector<FakeAnswer> answers;

    uint32_t U32(size_t offset) const;
    uint16_t U16(size_t offset) const;
    int32_t I32(size_t offset) const { return static_cast<int32_t>(U32(offset)); }
    // Whether every byte of the range is zero.
    bool Zero(size_t offset, size_t size) const;
};

// Sets the script and a record file for the scope.
class FakeScript {
  public:
    FakeScript(const TempDir& dir, const std::string& script);
    ~FakeScript();
    FakeScript(const FakeScript&) = delete;
    FakeScript& operator=(const FakeScript&) = delete;

    // Every work call recorded so far.
    std::vector<FakeCall> Calls() const;
    FakeCall Last() const;
    int Aborts() const;

  private:
    std::string path_;
};

}  // namespace ruvu::enginetest
