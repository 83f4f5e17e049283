// Entry points of the two run-time libraries, their results and their codes.
#pragma once

#include <cstdint>

#include "CallbackRecord.h"
#include "UnzParams.h"
#include "ZipParams.h"

namespace ruvu::abi {

// The engine's callback; its handle is the Callback field of both parameter records.
using CallbackFunction = int32_t (*)(CallbackRecord* record);

// Work entries: the number of files processed, or a negative result below. Called with a null record
// they ask the library to abort the job in progress.
using ZipExecFunction = int32_t (*)(ZipParams* params);
using UnzExecFunction = int32_t (*)(UnzParams* params);
using VersionFunction = int32_t (*)();

inline constexpr const char* kZipLibraryFile = "DIZODE.DLL";
inline constexpr const char* kUnzLibraryFile = "RUROZA.DLL";
inline constexpr const char* kZipExecName = "DizOdeExec";
inline constexpr const char* kZipVersionName = "GetDizOdeVersion";
inline constexpr const char* kZipPrivVersionName = "GetDizOdePrivVersion";
inline constexpr const char* kUnzExecName = "RurOzaExec";
inline constexpr const char* kUnzVersionName = "GetRurOzaVersion";
inline constexpr const char* kUnzPrivVersionName = "GetRurOzaPrivVersion";

// The version both libraries of this build report, and the record version the engine writes.
inline constexpr int32_t kLibraryVersion = 180;
inline constexpr int32_t kRecordVersion = 177;
inline constexpr int32_t kSpecMarker = 7;

// Negative work results.
enum WorkResult : int32_t {
    kResultAborted = -1,  // stopped by an abort request (null record)
    kResultFatal = -2,
    kResultBusy = -3,       // a work call is already running
    kResultCancelled = -4,  // the callback answered 1
    kResultNoMemory = -5,
    kResultBadRecord = -6,  // a parameter record the library cannot use
    kResultCritical = -7,
    kResultHandlerException = -8,  // the callback answered 10106
};

// The callback's answer after an event handler of the program failed.
inline constexpr int32_t kCallbackHandlerException = 10106;

// Error numbers the libraries put in the low byte of ErrorCode with action 4 and action 11; the
// engine's ErrCode becomes this number, and the program's exit status with it.
enum LibraryCode : int32_t {
    kCodeOk = 0,
    kCodeWarning = 1,           // some files were skipped
    kCodeArchiveStructure = 2,  // the archive is damaged
    kCodeBadData = 3,           // an entry failed its CRC or its compressed data is broken
    kCodeNoMemory = 4,
    kCodeWriteError = 5,   // writing failed, the disk is full
    kCodeCreateError = 6,  // a file or folder could not be created
    kCodeReadError = 7,    // a file could not be opened or read
    kCodeBadParameters = 8,
    kCodeCancelled = 9,     // stopped by the callback
    kCodeNothingToDo = 10,  // no file matched
    kCodeBadPassword = 11,
    kCodeUnsupported = 12,  // an entry the library cannot handle
    kCodeNoArchive = 13,    // the archive is missing or is no zip archive
    kCodeTempFile = 14,     // the temporary archive could not be written
};

// Why an entry was skipped (action 11 passes the value + 1 in the low byte of FileSize).
enum UnZipSkipType : int32_t {
    stNotNewer = 0,            // freshen or update: the file on disk is not older
    stNoOverwrite = 1,         // the file exists and is not overwritten
    stNotPresent = 2,          // freshen: no such file on disk
    stBadPassword = 3,         // wrong or missing password
    stCompressionUnknown = 4,  // a compression method the library does not have
    stUnsupported = 5,         // strong encryption, ZIP64 sizes or another feature the library lacks
    stBadName = 6,             // a name that cannot be written safely
    stCrcError = 7,            // the data failed its CRC check
    stDataError = 8,           // the compressed data is broken
    stWriteError = 9,          // the file could not be created or written
};

}  // namespace ruvu::abi

extern "C" {
int32_t DizOdeExec(ruvu::abi::ZipParams* params);
int32_t GetDizOdeVersion();
int32_t GetDizOdePrivVersion();
int32_t RurOzaExec(ruvu::abi::UnzParams* params);
int32_t GetRurOzaVersion();
int32_t GetRurOzaPrivVersion();
}
