// The record a run-time library passes to the engine's callback for every file and step, and the
// meaning of its actions from both sides. The library allocates the record (kCallbackRecordSize
// bytes, zero-filled), fills the fields of the action, calls the callback and reads the answer.
//
// ActionCode: bits 0-5 the action, bits 8-15 a 1-based character position P and bits 16-31 a message
// id of the engine's table (0 = none): the engine then shows that message's text, a blank and the
// library's text from character P on.
//
// | action | library sets (in)                                  | engine answers (out)                     |
// |--------|----------------------------------------------------|------------------------------------------|
// | 0      | nothing (a tick)                                   | -                                        |
// | 1      | item starts: Text name, FileSize its size          | -                                        |
// | 2      | bytes done: FileSize bytes read since the last     | -                                        |
// |        | report, DataValue bytes written since then         |                                          |
// | 3      | item ends; DataValue bytes written not yet reported| -                                        |
// | 4      | message: ErrorCode 0 (information) or a            | -                                        |
// |        | LibraryCode in its low byte, Text the message      |                                          |
// | 5      | item count in FileSize                             | -                                        |
// | 6      | total bytes: ErrorCode high, FileSize low 32 bits  | -                                        |
// | 7      | name of a file being added: Text the entry name;   | ErrorCode 1: new name in Text            |
// |        | FileSize 0 with DataValue the handle of the file's |                                          |
// |        | own (external) name                                |                                          |
// | 8      | password: Text the entry, ErrorCode bit 0 set for a| ErrorCode 1: password in Text (at most 80)|
// |        | new (encrypting) password, FileSize repeat count   | FileSize repeat count (at most 15);      |
// |        |                                                    | ActionCode 0: cancel all further requests|
// | 9      | CRC error: Text entry, ErrorCode found CRC,        | ErrorCode 1 keep the file, 0 delete it,  |
// |        | FileSize expected CRC                              | 2 (no handler) keep it with a message    |
// | 10     | file exists: Text file, FileSize low byte 1/0 the  | FileSize 1/0: overwrite or not           |
// |        | default, ErrorCode bit 16 the file is older than   |                                          |
// |        | the entry, low 16 bits the entry's directory index |                                          |
// | 11     | file skipped: Text file, ErrorCode a LibraryCode or| -                                        |
// |        | 0, FileSize low byte = UnZipSkipType + 1           |                                          |
// | 12     | file comment: Text entry, OldComment the comment   | ErrorCode 1: new comment in Text, its    |
// |        |                                                    | length in FileSize                       |
// | 13     | in-memory output (never used by this system)       |                                          |
// | 14     | extra field: Text entry, FileSize length, DataValue| ErrorCode -1: new data, FileSize length; |
// |        | handle of the bytes                                | up to 511 bytes in Text, else DataValue  |
// |        |                                                    | the handle of the bytes                  |
// | 17     | name of a file being extracted: Text the name      | ErrorCode 1: new name in Text            |
//
// The callback's result: 0 go on, 1 stop (the user cancelled), 10106 stop (an event handler of the
// program failed). A library that is told to stop ends its work call with kResultCancelled or
// kResultHandlerException and leaves every archive as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ruvu::abi {

enum CallbackAction : uint32_t {
    kActionTick = 0,
    kActionItemStart = 1,
    kActionItemProgress = 2,
    kActionItemEnd = 3,
    kActionMessage = 4,
    kActionTotalCount = 5,
    kActionTotalSize = 6,
    kActionNewName = 7,
    kActionPassword = 8,
    kActionCrcError = 9,
    kActionOverwrite = 10,
    kActionSkipped = 11,
    kActionComment = 12,
    kActionStream = 13,
    kActionExtraData = 14,
    kActionExtItemStart = 15,
    kActionExtItemProgress = 16,
    kActionExtractName = 17,
};

inline constexpr uint32_t kActionMask = 0x3F;
inline constexpr size_t kCallbackTextSize = 512;
inline constexpr size_t kOldCommentSize = 248;
inline constexpr size_t kCallbackRecordSize = 0x220;

#pragma pack(push, 1)

struct CallbackRecord {
    uint32_t Reserved00;
    uint32_t CallerRef;  // the CallerRef of the parameter record
    uint32_t Reserved08;
    int32_t IsZipOperation;  // non-zero when DIZODE.DLL calls
    uint32_t ActionCode;
    int32_t ErrorCode;
    int32_t FileSize;
    // 0x1C: Text (512 bytes, NUL-terminated). When its first four bytes are zero, the four bytes at
    // 0x20 (TextPointer) hold the handle of the text instead. OldComment lies at 0x11C inside it.
    char Text[0x214 - 0x1C];
    uint32_t DataValue;  // 0x214; the last 8 bytes of a 512-byte Text overlap it
    uint8_t Tail[kCallbackRecordSize - 0x218];

    uint32_t TextPointer() const {
        uint32_t value;
        std::memcpy(&value, Text + 4, sizeof value);
        return value;
    }
    void SetTextPointer(uint32_t handle) {
        std::memset(Text, 0, 4);
        std::memcpy(Text + 4, &handle, sizeof handle);
    }
    char* OldComment() { return Text + (0x11C - 0x1C); }
    const char* OldComment() const { return Text + (0x11C - 0x1C); }
    // The 512 bytes from 0x1C, which reach over DataValue.
    char* TextArea() { return Text; }
};

#pragma pack(pop)

static_assert(sizeof(CallbackRecord) == kCallbackRecordSize);
static_assert(offsetof(CallbackRecord, CallerRef) == 0x04);
static_assert(offsetof(CallbackRecord, IsZipOperation) == 0x0C);
static_assert(offsetof(CallbackRecord, ActionCode) == 0x10);
static_assert(offsetof(CallbackRecord, ErrorCode) == 0x14);
static_assert(offsetof(CallbackRecord, FileSize) == 0x18);
static_assert(offsetof(CallbackRecord, Text) == 0x1C);
static_assert(offsetof(CallbackRecord, Text) + 4 == 0x20);                // TextPointer
static_assert(offsetof(CallbackRecord, Text) + (0x11C - 0x1C) == 0x11C);  // OldComment
static_assert(offsetof(CallbackRecord, DataValue) == 0x214);
static_assert(offsetof(CallbackRecord, Text) + kCallbackTextSize + 1 <= kCallbackRecordSize);

inline uint32_t MakeActionCode(uint32_t action, uint32_t position = 0, uint32_t messageId = 0) {
    return (action & kActionMask) | ((position & 0xFF) << 8) | (messageId << 16);
}

}  // namespace ruvu::abi
