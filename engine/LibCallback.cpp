#include "engine/LibCallback.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "abi/LibraryEntry.h"
#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/Messages.h"
#include "platform/Handles.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

constexpr size_t kTextOffset = 0x1C;
constexpr size_t kNameLimit = abi::kCallbackTextSize;
constexpr size_t kPasswordLimit = 80;
constexpr size_t kCommentLimit = 511;
constexpr size_t kInlineExtraLimit = 511;
constexpr uint32_t kMaxRepeatCount = 15;

char* TextBytes(abi::CallbackRecord& record) {
    return reinterpret_cast<char*>(&record) + kTextOffset;
}

const char* TextBytes(const abi::CallbackRecord& record) {
    return reinterpret_cast<const char*>(&record) + kTextOffset;
}

bool EndsWithSeparator(std::string_view name) {
    return !name.empty() && platform::IsPathSeparator(name.back());
}

}  // namespace

std::string CallbackText(const abi::CallbackRecord& record) {
    const char* bytes = TextBytes(record);
    std::string text;
    if (bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0) {
        if (const char* pointed = platform::ResolveHandleAs<const char>(record.TextPointer())) {
            text = pointed;
        }
    } else {
        text.assign(bytes, strnlen(bytes, abi::kCallbackTextSize));
    }
    return platform::SlashesToBackslashes(text);
}

void WriteCallbackText(abi::CallbackRecord& record, std::string_view text, size_t limit) {
    const size_t length = std::min({text.size(), limit, abi::kCallbackTextSize});
    char* bytes = TextBytes(record);
    std::memcpy(bytes, text.data(), length);
    bytes[length] = '\0';
}

int32_t TDozEngine::HandleCallback(abi::CallbackRecord& record) {
    if (ShuttingDown) {
        return Cancel;
    }
    const uint32_t action = record.ActionCode & abi::kActionMask;
    try {
        AnswerCallback(record, action);
    } catch (const std::exception& error) {
        NoteHandlerException(action, error.what());
    } catch (...) {
        NoteHandlerException(action, "");
    }
    return ExceptionText.empty() ? Cancel : abi::kCallbackHandlerException;
}

void TDozEngine::NoteHandlerException(uint32_t action, std::string_view text) {
    if (ExceptionText.empty()) {
        ExceptionText = " #" + std::to_string(action) + " \"" + std::string(text) + "\"";
    }
    Cancel = 1;
}

std::string TDozEngine::CallbackMessageText(const abi::CallbackRecord& record) const {
    std::string text = CallbackText(record);
    const int32_t id = static_cast<int32_t>(record.ActionCode >> 16);
    if (id == 0) {
        return text;
    }
    const std::string idText = LoadZipStr(id);
    if (idText.empty()) {
        return text;
    }
    // P is 1-based; the part kept starts there and is Length - P characters long.
    const size_t position = std::max<size_t>((record.ActionCode >> 8) & 0xFF, 1);
    const size_t length = text.size() > position ? text.size() - position : 0;
    const std::string part = position <= text.size() ? text.substr(position - 1, length) : std::string();
    return idText + " " + part;
}

void TDozEngine::AnswerCallback(abi::CallbackRecord& record, uint32_t action) {
    TDozErozev& c = Component();
    const auto unsignedSize = [&] { return int64_t{static_cast<uint32_t>(record.FileSize)}; };
    switch (action) {
        case abi::kActionTick:
            ReportProgress(pkTick, record.ErrorCode, unsignedSize(), {});
            return;
        case abi::kActionItemStart:
        case abi::kActionItemProgress:
        case abi::kActionItemEnd:
            ReportProgress(static_cast<int32_t>(action), record.ErrorCode, unsignedSize(),
                           CallbackMessageText(record), int64_t{static_cast<uint32_t>(record.DataValue)});
            return;
        case abi::kActionMessage:
        case abi::kActionTotalCount:
        case abi::kActionExtItemStart:
        case abi::kActionExtItemProgress:
            ReportProgress(static_cast<int32_t>(action), record.ErrorCode, unsignedSize(),
                           CallbackMessageText(record));
            return;
        case abi::kActionTotalSize: {
            const uint64_t total = (uint64_t{static_cast<uint32_t>(record.ErrorCode)} << 32) |
                                   static_cast<uint32_t>(record.FileSize);
            ReportProgress(pkTotalBytes, 0, static_cast<int64_t>(total), CallbackMessageText(record));
            return;
        }
        case abi::kActionNewName:
            AnswerNewName(record);
            break;
        case abi::kActionPassword:
            AnswerPassword(record);
            break;
        case abi::kActionCrcError: {
            if (c.OnCRC32Error) {
                bool doExtract = true;
                c.OnCRC32Error(&c, CallbackMessageText(record), static_cast<uint32_t>(record.ErrorCode),
                               static_cast<uint32_t>(record.FileSize), doExtract);
                record.ErrorCode = doExtract ? 1 : 0;
            } else {
                record.ErrorCode = 2;
            }
            break;
        }
        case abi::kActionOverwrite:
            if (c.OnExtractOverwrite) {
                bool doOverwrite = (record.FileSize & 0xFF) != 0;
                const bool isOlder = (record.ErrorCode & 0x10000) != 0;
                c.OnExtractOverwrite(&c, CallbackMessageText(record), isOlder, doOverwrite,
                                     record.ErrorCode & 0xFFFF);
                record.FileSize = doOverwrite ? 1 : 0;
            }
            break;
        case abi::kActionSkipped: {
            const std::string text = CallbackMessageText(record);
            if (record.ErrorCode != 0) {
                ErrCode = static_cast<int8_t>(record.ErrorCode & 0xFF);
                FullErrCode = record.ErrorCode;
            }
            const int32_t skipType = (record.FileSize & 0xFF) - 1;
            if (c.OnExtractSkipped) {
                c.OnExtractSkipped(&c, text, skipType, record.ErrorCode);
            } else if (c.OnMessage) {
                c.OnMessage(&c, msg::DllUnknownError, "Skipped " + text + " " + std::to_string(skipType));
            }
            break;
        }
        case abi::kActionComment:
            if (c.OnFileComment) {
                const char* old = record.OldComment();
                std::string comment(old, strnlen(old, abi::kOldCommentSize));
                bool changed = false;
                c.OnFileComment(&c, CallbackMessageText(record), comment, changed);
                if (changed) {
                    WriteCallbackText(record, comment, kCommentLimit);
                }
                record.ErrorCode = changed ? 1 : 0;
                record.FileSize = static_cast<int32_t>(std::min(comment.size(), kCommentLimit));
            }
            break;
        case abi::kActionStream:
            AnswerStream(record);
            break;
        case abi::kActionExtraData:
            AnswerExtraData(record);
            break;
        case abi::kActionExtractName:
            if (c.OnSetExtName) {
                const std::string text = CallbackMessageText(record);
                std::string name = text;
                bool changed = false;
                c.OnSetExtName(&c, name, changed);
                if (changed && name != text && EndsWithSeparator(name) == EndsWithSeparator(text)) {
                    WriteCallbackText(record, name, kNameLimit);
                    record.ErrorCode = 1;
                } else {
                    record.ErrorCode = 0;
                }
            }
            break;
        default:
            // Actions the engine has no use for.
            return;
    }
    ReportProgress(pkAfterCallbackOnly, 0, 0, {});
}

void TDozEngine::AnswerNewName(abi::CallbackRecord& record) {
    TDozErozev& c = Component();
    std::string name = CallbackMessageText(record);
    bool anyChange = false;
    if (c.OnSetNewName) {
        bool changed = false;
        c.OnSetNewName(&c, name, changed);
        anyChange = changed;
    }
    if (record.FileSize == 0 && c.OnSetAddName) {
        const char* external = platform::ResolveHandleAs<const char>(record.DataValue);
        const std::string extName = platform::SlashesToBackslashes(external != nullptr ? external : "");
        bool changed = false;
        c.OnSetAddName(&c, name, extName, changed);
        anyChange = anyChange || changed;
    }
    if (anyChange) {
        WriteCallbackText(record, name, kNameLimit);
    }
    record.ErrorCode = anyChange ? 1 : 0;
}

void TDozEngine::AnswerPassword(abi::CallbackRecord& record) {
    TDozErozev& c = Component();
    std::string password;
    uint32_t repeatCount = static_cast<uint32_t>(record.FileSize);
    TPasswordButton button = pbOk;
    if (c.OnPasswordError) {
        c.OnPasswordError(&c, record.IsZipOperation != 0, password, CallbackMessageText(record), repeatCount,
                          button);
        if (button != pbOk) {
            password.clear();
        }
    } else if ((record.ErrorCode & 1) != 0) {
        GetAddPassword(button, password);
    } else {
        GetExtrPassword(button, password);
    }
    if (!password.empty()) {
        WriteCallbackText(record, password, kPasswordLimit);
        record.ErrorCode = 1;
    } else {
        record.ErrorCode = 0;
        repeatCount = 0;
    }
    record.FileSize = static_cast<int32_t>(std::min(repeatCount, kMaxRepeatCount));
    if (button == pbCancelAll) {
        record.ActionCode = 0;
    } else if (button == pbAbort) {
        Cancel = 1;
    }
}

void TDozEngine::AnswerStream(abi::CallbackRecord& record) {
    try {
        if (record.FileSize < 0) {
            throw std::bad_alloc();
        }
        MemoryStream.resize(static_cast<size_t>(record.FileSize));
        memoryHandle_ = platform::ScopedHandle(MemoryStream.data());
    } catch (const std::bad_alloc&) {
        record.ErrorCode = 1;
        record.FileSize = 0;
    }
    if (record.ErrorCode != 1) {
        record.FileSize = static_cast<int32_t>(memoryHandle_.Get());
    }
}

void TDozEngine::AnswerExtraData(abi::CallbackRecord& record) {
    TDozErozev& c = Component();
    if (!c.OnFileExtra) {
        return;
    }
    const auto* bytes = platform::ResolveHandleAs<const char>(record.DataValue);
    ExtraData.assign(bytes != nullptr && record.FileSize > 0 ? bytes : "",
                     bytes != nullptr && record.FileSize > 0 ? static_cast<size_t>(record.FileSize) : 0);
    bool changed = false;
    c.OnFileExtra(&c, CallbackMessageText(record), ExtraData, changed);
    if (!changed) {
        return;
    }
    if (ExtraData.size() > kInlineExtraLimit) {
        extraHandle_ = platform::ScopedHandle(ExtraData.data());
        record.DataValue = extraHandle_.Get();
    } else if (!ExtraData.empty()) {
        std::memcpy(TextBytes(record), ExtraData.data(), ExtraData.size());
    }
    record.FileSize = static_cast<int32_t>(ExtraData.size());
    record.ErrorCode = -1;
}

void TDozEngine::ClearCallbackData() {
    extraHandle_ = platform::ScopedHandle();
    ExtraData.clear();
    memoryHandle_ = platform::ScopedHandle();
    MemoryStream.clear();
    MemoryStream.shrink_to_fit();
}

}  // namespace ruvu

extern "C" int32_t EngineCallback(ruvu::abi::CallbackRecord* record) {
    if (record == nullptr) {
        return 0;
    }
    auto* engine = ruvu::platform::ResolveHandleAs<ruvu::TDozEngine>(record->CallerRef);
    if (engine == nullptr) {
        return 1;
    }
    return engine->HandleCallback(*record);
}
