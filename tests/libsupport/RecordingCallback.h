// A callback for library tests: records every call with its text and fields and answers from a
// script (passwords, new names, comments, overwrite answers, a stop at the n-th progress call, ...).
// Its Handle() goes into the record's Callback field; CallerRef() into its CallerRef field.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "abi/CallbackRecord.h"
#include "platform/Handles.h"

namespace ruvu::testsupport {

struct CallbackEvent {
    uint32_t action = 0;
    uint32_t actionCode = 0;
    int32_t errorCode = 0;
    int32_t fileSize = 0;
    uint32_t dataValue = 0;
    int32_t isZip = 0;
    std::string text;          // inline text or the text behind TextPointer
    std::string externalName;  // action 7: the text behind DataValue
    std::string oldComment;    // action 12
};

class RecordingCallback {
  public:
    RecordingCallback();
    RecordingCallback(const RecordingCallback&) = delete;
    RecordingCallback& operator=(const RecordingCallback&) = delete;

    uint32_t Handle() const;
    uint32_t CallerRef() const { return self_.Get(); }

    // Script.
    std::deque<std::optional<std::string>> passwords;   // action 8: nullopt answers "no password"
    bool cancelAllPasswords = false;                    // action 8 answers with ActionCode 0
    std::map<std::string, std::string> newNames;        // action 7 and 17: entry name -> new name
    std::map<std::string, std::string> comments;        // action 12: entry name -> comment
    std::deque<bool> overwriteAnswers;                  // action 10
    std::optional<int32_t> crcAnswer;                   // action 9
    int stopAtProgress = 0;                             // answer stopResult at the n-th action 2 (0: never)
    int stopAtAction = -1;                              // answer stopResult at the first call of this action
    int32_t stopResult = 1;                             // 1 cancels, 10106 reports a failed handler
    std::function<void(const CallbackEvent&)> onEvent;  // runs inside the callback

    // Record.
    std::vector<CallbackEvent> events;
    std::vector<CallbackEvent> Of(uint32_t action) const;
    // Texts of action 4 messages, and those with a non-zero code.
    std::vector<std::string> Messages() const;
    std::vector<std::string> Problems() const;
    // The highest LibraryCode reported with action 4 or 11.
    int32_t WorstCode() const;
    bool HasMessage(const std::string& part) const;
    void Clear() { events.clear(); }

  private:
    static int32_t Trampoline(abi::CallbackRecord* record);
    int32_t Answer(abi::CallbackRecord* record);

    platform::ScopedHandle self_;
    int progressCalls_ = 0;
};

}  // namespace ruvu::testsupport
