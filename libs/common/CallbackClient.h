// The library side of the callback protocol (abi/CallbackRecord.h): fills a zero-filled record for
// each action, calls the engine's callback through its handle and reads the answer. Every call
// returns false once the job must stop: the callback answered 1 (cancelled) or 10106 (an event
// handler failed), or an abort was requested; StopResult() then gives the work result to return.
// Calls made after a stop do nothing and return false, so a job can unwind without more callbacks.
// Without a callback (handle 0) every call returns true and questions get their default answer.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "abi/LibraryEntry.h"

namespace ruvu::libcommon {

class CallbackClient {
  public:
    // abortFlag (may be null) is polled before each call; when it is set the job stops with
    // kResultAborted.
    CallbackClient(uint32_t callbackHandle, uint32_t callerRef, bool isZipOperation,
                   const std::atomic<bool>* abortFlag = nullptr);

    bool Tick();
    // size: the item's size, passed as the unsigned 32-bit value the engine reads.
    bool ItemStart(std::string_view name, int64_t size);
    // Bytes read and written since the last report of this item.
    bool ItemProgress(int64_t bytesRead, int64_t bytesWritten);
    // Bytes written and not yet reported.
    bool ItemEnd(int64_t bytesWritten);
    // A message line; code 0 for information or a LibraryCode (kept in the low byte).
    bool Message(std::string_view text, int32_t code = 0);
    bool TotalCount(int64_t count);
    bool TotalSize(uint64_t bytes);

    // Action 7: the engine may rename an entry. newName gets the answer when it changed the name.
    bool NewName(std::string_view entryName, std::string_view externalName,
                 std::optional<std::string>& newName);

    struct PasswordAnswer {
        std::optional<std::string> password;  // set when the engine gave one
        int32_t repeatCount = 0;
        bool cancelAll = false;  // no further requests in this job
    };
    // Action 8: asks for a password (newPassword: for encrypting). At most 80 characters are kept.
    bool Password(std::string_view entryName, bool newPassword, int32_t repeatCount, PasswordAnswer& answer);

    // Action 9: a CRC error. keep gets 1 keep the file, 0 delete it, 2 no handler (keep with a message).
    bool CrcError(std::string_view entryName, uint32_t foundCrc, uint32_t expectedCrc, int32_t& keep);
    // Action 10: the file exists. overwrite starts as the default and gets the answer.
    bool Overwrite(std::string_view fileName, bool older, uint16_t entryIndex, bool& overwrite);
    // Action 11: a skipped file with its reason.
    bool Skipped(std::string_view fileName, int32_t libraryCode, abi::UnZipSkipType type);
    // Action 12: the engine may set an entry's comment (newComment gets it when changed).
    bool Comment(std::string_view entryName, std::string_view oldComment,
                 std::optional<std::string>& newComment);
    // Action 17: the engine may rename a file being extracted.
    bool ExtractName(std::string_view name, std::optional<std::string>& newName);

    bool Stopped() const { return stop_ != 0; }
    // kResultCancelled, kResultHandlerException or kResultAborted after a stop, else 0.
    int32_t StopResult() const { return stop_; }
    bool HasCallback() const { return callback_ != nullptr; }

  private:
    struct Call;
    // Fills the common fields and the text, calls, and notes a stop. Returns false when stopped.
    bool Invoke(Call& call);
    bool Simple(uint32_t action, std::string_view text, int32_t errorCode, int32_t fileSize,
                uint32_t dataValue = 0);

    abi::CallbackFunction callback_ = nullptr;
    uint32_t callerRef_ = 0;
    bool isZip_ = false;
    const std::atomic<bool>* abortFlag_ = nullptr;
    int32_t stop_ = 0;
};

}  // namespace ruvu::libcommon
