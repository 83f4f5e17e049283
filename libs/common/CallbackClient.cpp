#include "libs/common/CallbackClient.h"

#include <algorithm>
#include <cstring>

#include "platform/Handles.h"

namespace ruvu::libcommon {

namespace {

constexpr size_t kTextOffset = 0x1C;
// Texts this long or longer go by handle, so they never reach DataValue behind the Text field.
constexpr size_t kInlineTextLimit = sizeof(abi::CallbackRecord::Text);
// The engine answers with at most 512 characters and a NUL from offset 0x1C.
constexpr size_t kAnswerLimit = abi::kCallbackTextSize;

std::string AnswerText(const abi::CallbackRecord& record, size_t limit = kAnswerLimit) {
    const auto* bytes = reinterpret_cast<const char*>(&record) + kTextOffset;
    const size_t room = std::min(limit, abi::kCallbackRecordSize - kTextOffset);
    size_t length = 0;
    while (length < room && bytes[length] != '\0') {
        ++length;
    }
    return std::string(bytes, length);
}

}  // namespace

struct CallbackClient::Call {
    abi::CallbackRecord record{};
    uint32_t action = 0;
    std::string_view text;
    size_t inlineLimit = kInlineTextLimit;
    int32_t result = 0;
};

CallbackClient::CallbackClient(uint32_t callbackHandle, uint32_t callerRef, bool isZipOperation,
                               const std::atomic<bool>* abortFlag)
    : callback_(reinterpret_cast<abi::CallbackFunction>(platform::ResolveHandle(callbackHandle))),
      callerRef_(callerRef),
      isZip_(isZipOperation),
      abortFlag_(abortFlag) {}

bool CallbackClient::Invoke(Call& call) {
    if (stop_ != 0) {
        return false;
    }
    if (abortFlag_ != nullptr && abortFlag_->load()) {
        stop_ = abi::kResultAborted;
        return false;
    }
    if (callback_ == nullptr) {
        return true;
    }
    call.record.CallerRef = callerRef_;
    call.record.IsZipOperation = isZip_ ? 1 : 0;
    call.record.ActionCode = abi::MakeActionCode(call.action);
    std::string longText;
    platform::ScopedHandle textHandle;
    if (call.text.size() < call.inlineLimit) {
        if (!call.text.empty()) {
            std::memcpy(call.record.Text, call.text.data(), call.text.size());
        }
        call.record.Text[call.text.size()] = '\0';
    } else {
        longText.assign(call.text);
        textHandle = platform::ScopedHandle(longText.data());
        call.record.SetTextPointer(textHandle.Get());
    }
    call.result = callback_(&call.record);
    if (call.result == abi::kCallbackHandlerException) {
        stop_ = abi::kResultHandlerException;
    } else if (call.result != 0) {
        stop_ = abi::kResultCancelled;
    } else if (abortFlag_ != nullptr && abortFlag_->load()) {
        stop_ = abi::kResultAborted;
    }
    return stop_ == 0;
}

bool CallbackClient::Simple(uint32_t action, std::string_view text, int32_t errorCode, int32_t fileSize,
                            uint32_t dataValue) {
    Call call;
    call.action = action;
    call.text = text;
    call.record.ErrorCode = errorCode;
    call.record.FileSize = fileSize;
    call.record.DataValue = dataValue;
    return Invoke(call);
}

namespace {
int32_t Clamp32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}
uint32_t ClampU32(int64_t value) {
    return static_cast<uint32_t>(std::clamp<int64_t>(value, 0, UINT32_MAX));
}
}  // namespace

bool CallbackClient::Tick() {
    return Simple(abi::kActionTick, {}, 0, 0);
}

bool CallbackClient::ItemStart(std::string_view name, int64_t size) {
    // The engine reads the item size as an unsigned 32-bit value.
    return Simple(abi::kActionItemStart, name, 0, static_cast<int32_t>(ClampU32(size)));
}

bool CallbackClient::ItemProgress(int64_t bytesRead, int64_t bytesWritten) {
    return Simple(abi::kActionItemProgress, {}, 0, Clamp32(bytesRead), ClampU32(bytesWritten));
}

bool CallbackClient::ItemEnd(int64_t bytesWritten) {
    return Simple(abi::kActionItemEnd, {}, 0, 0, ClampU32(bytesWritten));
}

bool CallbackClient::Message(std::string_view text, int32_t code) {
    return Simple(abi::kActionMessage, text, code, 0);
}

bool CallbackClient::TotalCount(int64_t count) {
    return Simple(abi::kActionTotalCount, {}, 0, Clamp32(count));
}

bool CallbackClient::TotalSize(uint64_t bytes) {
    return Simple(abi::kActionTotalSize, {}, static_cast<int32_t>(bytes >> 32),
                  static_cast<int32_t>(static_cast<uint32_t>(bytes)));
}

bool CallbackClient::NewName(std::string_view entryName, std::string_view externalName,
                             std::optional<std::string>& newName) {
    newName.reset();
    std::string external(externalName);
    platform::ScopedHandle externalHandle(external.data());
    Call call;
    call.action = abi::kActionNewName;
    call.text = entryName;
    call.record.DataValue = externalHandle.Get();
    if (!Invoke(call)) {
        return false;
    }
    if (callback_ != nullptr && call.record.ErrorCode == 1) {
        newName = AnswerText(call.record);
    }
    return true;
}

bool CallbackClient::Password(std::string_view entryName, bool newPassword, int32_t repeatCount,
                              PasswordAnswer& answer) {
    answer = PasswordAnswer{};
    Call call;
    call.action = abi::kActionPassword;
    call.text = entryName;
    call.record.ErrorCode = newPassword ? 1 : 0;
    call.record.FileSize = repeatCount;
    if (!Invoke(call)) {
        return false;
    }
    if (callback_ == nullptr) {
        answer.cancelAll = true;
        return true;
    }
    if (call.record.ErrorCode == 1) {
        answer.password = AnswerText(call.record, 80);
    }
    answer.repeatCount = std::clamp(call.record.FileSize, 0, 15);
    answer.cancelAll = (call.record.ActionCode & abi::kActionMask) == 0;
    return true;
}

bool CallbackClient::CrcError(std::string_view entryName, uint32_t foundCrc, uint32_t expectedCrc,
                              int32_t& keep) {
    Call call;
    call.action = abi::kActionCrcError;
    call.text = entryName;
    call.record.ErrorCode = static_cast<int32_t>(foundCrc);
    call.record.FileSize = static_cast<int32_t>(expectedCrc);
    keep = 2;
    if (!Invoke(call)) {
        return false;
    }
    if (callback_ != nullptr) {
        keep = call.record.ErrorCode;
    }
    return true;
}

bool CallbackClient::Overwrite(std::string_view fileName, bool older, uint16_t entryIndex, bool& overwrite) {
    Call call;
    call.action = abi::kActionOverwrite;
    call.text = fileName;
    call.record.FileSize = overwrite ? 1 : 0;
    call.record.ErrorCode = static_cast<int32_t>((older ? 0x10000u : 0u) | entryIndex);
    if (!Invoke(call)) {
        return false;
    }
    if (callback_ != nullptr) {
        overwrite = (call.record.FileSize & 0xFF) != 0;
    }
    return true;
}

bool CallbackClient::Skipped(std::string_view fileName, int32_t libraryCode, abi::UnZipSkipType type) {
    return Simple(abi::kActionSkipped, fileName, libraryCode, static_cast<int32_t>(type) + 1);
}

bool CallbackClient::Comment(std::string_view entryName, std::string_view oldComment,
                             std::optional<std::string>& newComment) {
    newComment.reset();
    Call call;
    call.action = abi::kActionComment;
    call.text = entryName;
    // The name must end before OldComment starts; a longer one goes by handle.
    call.inlineLimit = static_cast<size_t>(call.record.OldComment() - call.record.Text);
    const std::string_view old = oldComment.substr(0, abi::kOldCommentSize - 1);
    if (!old.empty()) {
        std::memcpy(call.record.OldComment(), old.data(), old.size());
    }
    if (!Invoke(call)) {
        return false;
    }
    if (callback_ != nullptr && call.record.ErrorCode == 1) {
        newComment = AnswerText(call.record, 511);
    }
    return true;
}

bool CallbackClient::ExtractName(std::string_view name, std::optional<std::string>& newName) {
    newName.reset();
    Call call;
    call.action = abi::kActionExtractName;
    call.text = name;
    if (!Invoke(call)) {
        return false;
    }
    if (callback_ != nullptr && call.record.ErrorCode == 1) {
        newName = AnswerText(call.record);
    }
    return true;
}

}  // namespace ruvu::libcommon
