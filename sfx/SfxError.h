// Why work on a self-extracting archive failed: a message id of the engine's table, or a plain text
// where the failure has none (the icon's texts, the wrong pair of file kinds, a host error). The
// engine turns it into its own exception at the edge of each operation.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ruvu {

// The message ids this subsystem raises; the engine's table holds their texts.
namespace sfxmsg {
enum : int32_t {
    NoZipSpecified = 10102,
    HeaderCopyError = 10140,
    DataCopyError = 10184,
    StubNotFound = 10802,
    MessageTooLong = 10805,
    DefaultDirTooLong = 10806,
    CaptionTooLong = 10807,
    CommandLineTooLong = 10808,
    FallbackPathTooLong = 10809,
    InputNotExe = 10902,
    TypeUnknown = 10903,
    ZipOpenError = 11002,
    OutputCreateError = 11009,
    OutputWriteError = 11010,
    EocReadError = 11011,
    CentralHeaderReadError = 11013,
    CentralExtraReadError = 11019,
    ArchiveCommentReadError = 11023,
    CentralHeaderWriteError = 11029,
    EocWriteError = 11030,
    NotValidZip = 11036,
    CannotSpan = 11041,
    CopyArchiveCommentError = 11044,
};
}  // namespace sfxmsg

class ESfxError : public std::runtime_error {
  public:
    // A failure with a message id of the engine's table.
    explicit ESfxError(int32_t id) : std::runtime_error("id = " + std::to_string(id)), id_(id) {}
    // A failure told by a plain text.
    explicit ESfxError(const std::string& text) : std::runtime_error(text) {}

    // The message id; 0 for a plain text.
    int32_t Id() const { return id_; }

  private:
    int32_t id_ = 0;
};

}  // namespace ruvu
