// One entry's data, from its local header to the bytes of the file: stored or deflated, decrypted
// with the traditional zip encryption, its size and CRC-32 checked against the central header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "stub/StubHost.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/ZipCrypto.h"

namespace ruvu::stub {

enum class DataResult {
    Ok,
    Unsupported,  // a method other than stored and deflated, strong encryption, ZIP64 sizes
    Damaged,      // unreadable, wrong size or CRC
    WriteFailed,
};

// Where an entry's data starts (its encryption header included), behind its local header, and the
// local header's flags.
struct LocalData {
    uint64_t Start = 0;
    uint16_t Flags = 0;
};
// The data behind the local header at localHeaderPos; nullopt when no local header is there.
std::optional<LocalData> FindData(zip::ByteSource& source, uint64_t localHeaderPos);

// Whether the password opens the entry (its check byte matches); keys are left ready for the data.
bool OpensEntry(zip::ByteSource& source, const LocalData& data, const zip::CentralDirEntry& entry,
                const std::string& password, zip::ZipCryptoKeys& keys);

// Writes the entry's data to out: decrypted with keys when given (the encryption header already
// read), inflated, checked.
DataResult CopyEntryData(zip::ByteSource& source, const LocalData& data, const zip::CentralDirEntry& entry,
                         zip::ZipCryptoKeys* keys, OutputFile& out);

// Why an entry cannot be extracted at all; empty when it can.
std::string UnsupportedReason(const zip::CentralDirEntry& entry);

}  // namespace ruvu::stub
