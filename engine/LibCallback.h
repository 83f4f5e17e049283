// The callback both libraries call for every file and step of a work call. Its handle goes into the
// parameter records; the record's CallerRef names the engine that answers.
#pragma once

#include <cstdint>
#include <string>

#include "abi/CallbackRecord.h"

namespace ruvu {

// The text of a record: from Text, or from the handle in TextPointer when Text's first four bytes
// are zero; at most 512 characters, every "/" turned into "\".
std::string CallbackText(const abi::CallbackRecord& record);
// Writes an answer text of at most limit characters and its NUL from offset 0x1C.
void WriteCallbackText(abi::CallbackRecord& record, std::string_view text, size_t limit);

}  // namespace ruvu

// Finds the engine through CallerRef and lets it answer. Returns 10106 once an event handler has
// failed during the work call, otherwise the engine's Cancel (0 or 1).
extern "C" int32_t EngineCallback(ruvu::abi::CallbackRecord* record);
