#include "splitter/FileSplitter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/Interaction.h"
#include "platform/WinPath.h"
#include "splitter/ChunkCopy.h"
#include "splitter/FileIdentity.h"
#include "splitter/SplitterError.h"

namespace ruvu {

namespace {

using platform::File;
using platform::HostError;

constexpr int64_t kHeaderSize = static_cast<int64_t>(kSplitHeaderSize);
// The header and the disk events count pieces in 16 bits, and a join announces one disk more than the
// set has.
constexpr int64_t kMaxPieces = 0xFFFE;
constexpr std::string_view kSplitTitle = "FileSplitter Hibaüzenet";
constexpr std::string_view kJoinTitle = "Hibaüzenet";
constexpr std::string_view kMessageTitle = "Üzenet";
constexpr std::string_view kBadSizes = "Érvénytelen darab- vagy pufferméret.";

void Box(std::string_view text, std::string_view title) {
    platform::CurrentInteraction().MessageBox(text, title, platform::MB_OK);
}

// Pieces on drive A: or B: are on floppies; without a disk handler the splitter asks for each disk.
bool IsFloppyName(std::string_view name) {
    return name.size() >= 2 && name[1] == ':' &&
           (name[0] == 'a' || name[0] == 'A' || name[0] == 'b' || name[0] == 'B');
}

// The file a join builds: a replacement of the target (platform/FileReplacement.h) that takes its
// place on Commit and leaves nothing behind otherwise. Its folder is pinned at the start, so a floppy
// changed in the meantime cannot redirect the final rename.
class JoinOutput {
  public:
    explicit JoinOutput(const std::string& target) : target_(target) {
        platform::ReplacementOptions options;
        // Not forced to the disk before the rename, so a join is as fast as a plain copy; the pieces it
        // comes from stay where they are.
        options.durable = false;
        replacement_ = platform::FileReplacement::Begin(target, options);
        if (!replacement_.IsOpen()) {
            throw EFileSplitter::CreateError(target, replacement_.Error());
        }
    }

    File& Output() { return replacement_.Out(); }
    std::optional<FileId> TargetId() const { return IdOf(target_); }

    void Commit() {
        if (!replacement_.Commit()) {
            throw EFileSplitter::CreateError(target_, replacement_.Error());
        }
    }

  private:
    std::string target_;
    platform::FileReplacement replacement_;
};

// A piece being written. An old file of the same name is overwritten in place and cut to what was
// written when the piece is closed, whichever way the split goes on: to the caller the piece is new,
// and the file system is spared freeing and allocating the old blocks again, which costs more than the
// copy itself. Only an old file that cannot be opened for writing (read-only, open elsewhere) is
// deleted first.
class PieceWriter {
  public:
    PieceWriter() = default;
    PieceWriter(const PieceWriter&) = delete;
    PieceWriter& operator=(const PieceWriter&) = delete;
    ~PieceWriter() { Close(); }

    File& Piece() { return piece_; }

    void Create(const std::string& name, bool exists) {
        piece_ = File::Open(name, platform::Access::Write, platform::Share::Exclusive,
                            platform::Disposition::OpenAlways);
        if (!piece_.IsOpen() && exists) {
            platform::DeleteFile(name);
            piece_ = File::Open(name, platform::Access::Write, platform::Share::Exclusive,
                                platform::Disposition::CreateAlways);
        }
        if (!piece_.IsOpen()) {
            throw EFileSplitter::CreateError(name, piece_.Error());
        }
    }

    void Close() {
        if (piece_.IsOpen()) {
            piece_.Truncate();
            piece_.Close();
        }
    }

  private:
    File piece_;
};

}  // namespace

std::string NextPieceName(std::string_view name, uint32_t pieceNumber) {
    char number[16];
    std::snprintf(number, sizeof number, ".%03u", pieceNumber);
    return platform::ChangeFileExt(name, number);
}

TFileSplitter::TFileSplitter() : SplitHeader_(NewSplitHeader()) {}

void TFileSplitter::SetFileName(std::string_view value) {
    if (value == FileName_) {
        return;
    }
    FileName_ = value;
    if (!SplitNameSet_) {
        SplitFileName_ = platform::ChangeFileExt(FileName_, ".SPL");
    }
}

void TFileSplitter::SetSplitFileName(std::string_view value) {
    if (value == SplitFileName_) {
        return;
    }
    SplitFileName_ = value;
    SplitNameSet_ = true;
}

void TFileSplitter::SetReduceFirstSizeBy(int32_t value) {
    if (int64_t{Size_} - kHeaderSize - value > 0) {
        ReduceFirstSizeBy_ = value;
    }
}

template <typename Step>
bool TFileSplitter::Guarded(uint16_t diskId, Step&& step) {
    for (;;) {
        try {
            step();
            return true;
        } catch (const EFileSplitter& error) {
            int answer = platform::IDCANCEL;
            if (OnError) {
                answer = OnError(this, diskId, SplitHeader_.PieceCount, static_cast<uint16_t>(error.Code()));
            }
            if (answer == platform::IDOK) {
                continue;
            }
            if (answer == platform::IDCANCEL) {
                throw;
            }
            return false;
        }
    }
}

void TFileSplitter::NeedDisk(uint16_t diskId, std::string_view pieceName, std::string_view prompt,
                             bool& cont) {
    if (OnNeedDisk) {
        OnNeedDisk(this, diskId, SplitHeader_.PieceCount, cont);
    } else if (diskId > 1 && IsFloppyName(pieceName)) {
        Box(prompt, kMessageTitle);
    }
}

void TFileSplitter::Progress(int64_t done, int64_t total) {
    if (OnProgress && total > 0) {
        OnProgress(this, static_cast<uint16_t>(done * 100 / total));
    }
}

bool TFileSplitter::HoldsPiece(const std::string& name, uint16_t number) const {
    const int64_t firstSize = int64_t{Size_} - ReduceFirstSizeBy_;
    // Where the piece's data starts in the input, and how many bytes the piece holds.
    const int64_t start = number == 1 ? 0 : firstSize - kHeaderSize + int64_t{number - 2} * Size_;
    const int64_t header = number == 1 ? kHeaderSize : 0;
    const int64_t expected =
        std::min<int64_t>(number == 1 ? firstSize : Size_, header + splitInputSize_ - start);
    File piece = File::Open(name, platform::Access::Read, platform::Share::DenyNone);
    File input = File::Open(FileName_, platform::Access::Read, platform::Share::DenyNone);
    if (!piece.IsOpen() || !input.IsOpen() || expected <= header || piece.Size() != expected ||
        input.Seek(start) < 0) {
        return false;
    }
    std::vector<char> held(1 << 16);
    std::vector<char> wanted(held.size());
    if (number == 1) {
        const std::array<uint8_t, kSplitHeaderSize> bytes = EncodeSplitHeader(SplitHeader_);
        if (piece.ReadFull(held.data(), kSplitHeaderSize) != kHeaderSize ||
            !std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const uint8_t*>(held.data()))) {
            return false;
        }
    }
    for (int64_t left = expected - header; left > 0;) {
        const auto take = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(held.size())));
        if (piece.ReadFull(held.data(), take) != static_cast<int64_t>(take) ||
            input.ReadFull(wanted.data(), take) != static_cast<int64_t>(take) ||
            !std::equal(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(take), wanted.begin())) {
            return false;
        }
        left -= static_cast<int64_t>(take);
    }
    return true;
}

uint16_t TFileSplitter::EarlierPieceInPlace(uint16_t diskId) const {
    if (splitInputSize_ < 0) {
        return 0;
    }
    std::string name = SplitFileName_;
    for (uint16_t n = 1; n < diskId; ++n) {
        if (platform::FileExists(name) && HoldsPiece(name, n)) {
            return n;
        }
        name = NextPieceName(name, n);
    }
    return 0;
}

bool TFileSplitter::Split() {
    if (!platform::FileExists(FileName_)) {
        Box("Input fájl '" + FileName_ + "' nem található.", kSplitTitle);
        return false;
    }
    if (SplitFileName_.empty()) {
        SplitFileName_ = platform::ChangeFileExt(FileName_, ".SPL");
    }
    const int64_t firstSize = int64_t{Size_} - ReduceFirstSizeBy_;
    if (Size_ <= kHeaderSize || firstSize <= kHeaderSize || BufferSize_ <= kHeaderSize) {
        Box(kBadSizes, kSplitTitle);
        return false;
    }
    File input = File::Open(FileName_, platform::Access::Read, platform::Share::DenyWrite);
    if (!input.IsOpen()) {
        throw EFileSplitter::OpenError(FileName_, input.Error());
    }
    const int64_t fileSize = input.Size();
    if (fileSize < 0) {
        throw EFileSplitter::ReadError(FileName_, input.Error());
    }
    const std::optional<FileId> inputId = IdOf(input);
    // The smallest n >= 1 with n * Size - ReduceFirstSizeBy >= file size + header.
    const int64_t pieceCount =
        std::max<int64_t>(1, (fileSize + kHeaderSize + ReduceFirstSizeBy_ + Size_ - 1) / Size_);
    if (pieceCount > kMaxPieces) {
        Box("A fájl túl nagy: " + std::to_string(pieceCount) + " darab kellene, legfeljebb " +
                std::to_string(kMaxPieces) + " lehet.",
            kSplitTitle);
        return false;
    }
    SplitHeader_.PieceCount = static_cast<uint16_t>(pieceCount);
    auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(BufferSize_));
    ChunkCopier copier(SplitFileName_, buffer.get(), static_cast<size_t>(BufferSize_));
    splitInputSize_ = fileSize;
    struct SplitEnd {
        int64_t& size;
        ~SplitEnd() { size = -1; }
    } splitEnd{splitInputSize_};

    bool failed = false;
    bool cont = true;
    int64_t consumed = 0;  // bytes of the input copied so far
    std::string name = SplitFileName_;
    for (int64_t n = 1; n <= pieceCount && !failed && cont; ++n) {
        const auto diskId = static_cast<uint16_t>(n);
        NeedDisk(diskId, name, "Kérek egy újabb üres floppy lemezt!", cont);
        if (!cont) {
            break;
        }

        PieceWriter writer;
        File& piece = writer.Piece();
        bool isInput = false;
        Guarded(diskId, [&] {
            const bool exists = platform::FileExists(name);
            if (exists && inputId && IdOf(name) == inputId) {
                isInput = true;
                return;
            }
            writer.Create(name, exists);
        });
        if (isInput) {
            Box("Az input fájl és a(z) '" + name + "' darab ugyanaz a fájl.", kSplitTitle);
            failed = true;
            break;
        }

        int64_t limit = Size_;
        int64_t written = 0;
        int64_t chunk = std::min<int64_t>(BufferSize_, Size_);
        if (n == 1) {
            const std::array<uint8_t, kSplitHeaderSize> header = EncodeSplitHeader(SplitHeader_);
            if (piece.Write(header.data(), header.size()) < kHeaderSize) {
                Box("Fatális irási hiba. (101/1)", kMessageTitle);
                failed = true;
                break;
            }
            limit = firstSize;
            written = kHeaderSize;
            chunk = std::min<int64_t>(BufferSize_, limit) - kHeaderSize;
        }
        // What this piece holds when complete, for the progress.
        const int64_t expected = std::min(limit, written + (fileSize - consumed));

        while (written < limit) {
            // Never past the size the piece count was made for, should the input grow meanwhile.
            chunk = std::min({chunk, limit - written, fileSize - consumed});
            int64_t r = 0;
            int64_t w = -1;
            const bool done = Guarded(diskId, [&] {
                ChunkResult moved = copier.Copy(input, piece, static_cast<size_t>(chunk));
                if (moved.read < 0) {
                    throw EFileSplitter::ReadError(FileName_, input.Error());
                }
                r = moved.read;
                w = moved.written;
            });
            if (!done || w != r) {
                Box("Fatális irási hiba. (101/2)", kMessageTitle);
                failed = true;
                break;
            }
            written += w;
            consumed += r;
            Progress(written, expected);
            if (consumed >= fileSize || r < chunk) {
                break;
            }
        }
        writer.Close();
        name = NextPieceName(name, static_cast<uint32_t>(n));
    }
    return !failed;
}

bool TFileSplitter::Join() {
    MissingPiece_.clear();
    ForeignPiece_.clear();
    if (!platform::FileExists(SplitFileName_)) {
        Box("Input file '" + SplitFileName_ + "' does not exist.", kJoinTitle);
        return false;
    }
    if (FileName_.empty()) {
        FileName_ = platform::ChangeFileExt(SplitFileName_, ".XXX");
    }
    if (BufferSize_ <= 0) {
        Box(kBadSizes, kJoinTitle);
        return false;
    }
    JoinOutput output(FileName_);
    const std::optional<FileId> targetId = output.TargetId();
    auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(BufferSize_));
    ChunkCopier copier(FileName_, buffer.get(), static_cast<size_t>(BufferSize_));

    bool failed = false;
    bool cont = true;
    uint32_t n = 0;
    int64_t fullPiece = -1;  // the size of the pieces between the first and the last
    SplitHeader_.PieceCount = 0;
    std::string name = SplitFileName_;
    while (cont) {
        NeedDisk(static_cast<uint16_t>(n + 1), name, "Kérem a következő betöltendő floppy lemezt!", cont);
        if (!cont) {
            failed = true;
            break;
        }
        // The handler is asked once more after the last piece; that call only ends the loop.
        if (n > 0 && SplitHeader_.PieceCount < n + 1) {
            break;
        }
        if (!platform::FileExists(name)) {
            MissingPiece_ = name;
            failed = true;
            break;
        }
        File piece = File::Open(name, platform::Access::Read, platform::Share::DenyWrite);
        if (!piece.IsOpen()) {
            throw EFileSplitter::OpenError(name, piece.Error());
        }
        if (targetId && IdOf(piece) == targetId) {
            Box("A kimeneti fájl és a(z) '" + name + "' darab ugyanaz a fájl.", kJoinTitle);
            failed = true;
            break;
        }
        const int64_t pieceSize = piece.Size();
        if (pieceSize < 0) {
            throw EFileSplitter::ReadError(name, piece.Error());
        }
        // The pieces between the first and the last are as long as the second, the last no longer: a
        // piece of that name that is not, or an empty one, is another set's, on a wrong disk.
        if (n > 0) {
            const bool last = n + 1 >= SplitHeader_.PieceCount;
            bool foreign = pieceSize == 0;
            if (fullPiece < 0 && !last) {
                fullPiece = pieceSize;
            } else if (fullPiece >= 0) {
                foreign = foreign || (last ? pieceSize > fullPiece : pieceSize != fullPiece);
            }
            if (foreign) {
                ForeignPiece_ = name;
                failed = true;
                break;
            }
        }
        int64_t position = 0;
        if (n == 0) {
            std::array<uint8_t, kSplitHeaderSize> header{};
            int64_t r = piece.ReadFull(header.data(), header.size());
            if (r != kHeaderSize) {
                throw EFileSplitter::ReadError(name, r < 0 ? piece.Error() : HostError::HandleEof);
            }
            SplitHeader_ = DecodeSplitHeader(header);
            position = kHeaderSize;
        }
        int64_t copied = 0;
        while (position < pieceSize) {
            int64_t want = std::min<int64_t>(BufferSize_, pieceSize - position);
            ChunkResult moved = copier.Copy(piece, output.Output(), static_cast<size_t>(want));
            const int64_t r = moved.read;
            if (r < 0) {
                throw EFileSplitter::ReadError(name, piece.Error());
            }
            if (r == 0) {
                break;  // the piece got shorter while it was read
            }
            position += r;
            if (moved.written != r) {
                Box("Fatális irási hiba. (101/3)", kMessageTitle);
                failed = true;
                break;
            }
            copied += r;
            Progress(copied, pieceSize);
        }
        piece.Close();
        if (failed) {
            break;
        }
        ++n;
        name = NextPieceName(name, n);
    }
    if (!failed) {
        output.Commit();
    }
    return !failed;
}

}  // namespace ruvu
