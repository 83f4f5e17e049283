// The compression methods the library decodes, chosen by an entry's method field. A new method gets a
// decoder file of its own (MethodDecoder.h) and one row in MethodDecoders.cpp; nothing else decides
// which methods can be extracted.
#pragma once

#include <cstdint>
#include <memory>

#include "libs/ruroza/MethodDecoder.h"

namespace ruvu::ruroza {

// Whether entries of the method can be decoded.
bool IsDecodableMethod(uint16_t method);

// A new decoder for the method; nullptr when the method is not decodable.
std::unique_ptr<MethodDecoder> MakeMethodDecoder(uint16_t method);

}  // namespace ruvu::ruroza
