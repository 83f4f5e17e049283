// TFileSplitter cuts one file into numbered pieces of a fixed size, so that each fits on a floppy, and
// glues such pieces back together. It copies bytes and knows nothing of what they hold.
//
// Pieces: the first is SplitFileName itself (normally X.SPL) and starts with the 32-byte header of
// SplitHeader.h; piece k (k >= 2) is the name of piece k - 1 with its extension replaced by k - 1 in
// at least three digits: X.SPL, X.001, ..., X.999, X.1000. The pieces of a set may lie on different
// disks under the same name. Piece 1 holds Size - ReduceFirstSizeBy bytes with the header, every other
// piece Size bytes, the last what remains.
//
// Every change of disk is announced through OnNeedDisk. Messages go to the installed interaction as
// message boxes with the OK button only and no icon. Errors while creating pieces go through OnError;
// the other file errors (opening the input, reading pieces) are raised as EFileSplitter to the caller.
// Files are Windows paths of the host layer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "splitter/SplitHeader.h"

namespace ruvu {

class TFileSplitter {
  public:
    // A piece is about to be written or read. DiskID counts pieces from 1; NumOfDisks is the number
    // of pieces, 0 while it is not known yet. Continue comes in true; false stops the operation.
    using TNeedDiskEvent =
        std::function<void(TFileSplitter* Sender, uint16_t DiskID, uint16_t NumOfDisks, bool& Continue)>;
    // Progress within the current piece, in percent.
    using TProgressEvent = std::function<void(TFileSplitter* Sender, uint16_t PercentDone)>;
    // A step of the split raised an error; errorCode is the host error number. Returns a modal result:
    // 1 (OK) does the whole step again, 2 (Cancel) raises the error to the caller of Split, any other
    // value goes on without the step, which then ends the split with a write failure, since the data of
    // the step is missing.
    using TOnErrorEvent =
        std::function<int(TFileSplitter* Sender, uint16_t DiskID, uint16_t NumOfDisks, uint16_t errorCode)>;

    static constexpr int32_t kDefaultSize = 1457664;

    TFileSplitter();

    // The whole file: read by Split, written by Join. Setting a new value also names the first piece
    // after it (extension ".SPL") until SplitFileName has been set through its setter.
    const std::string& FileName() const { return FileName_; }
    void SetFileName(std::string_view value);
    // Name of the first piece.
    const std::string& SplitFileName() const { return SplitFileName_; }
    void SetSplitFileName(std::string_view value);
    // Piece size in bytes, header included.
    int32_t Size() const { return Size_; }
    void SetSize(int32_t value) { Size_ = value; }
    // Size of the copy buffer in bytes.
    int32_t BufferSize() const { return BufferSize_; }
    void SetBufferSize(int32_t value) { BufferSize_ = value; }
    // The first piece is this many bytes smaller than Size; a value that would leave no room for data
    // (Size - 32 - value <= 0) is ignored.
    int32_t ReduceFirstSizeBy() const { return ReduceFirstSizeBy_; }
    void SetReduceFirstSizeBy(int32_t value);

    // Writes the pieces of FileName. True unless a failure was reported; a split stopped at a disk
    // prompt returns true and leaves the pieces written so far. Refuses (message, false) sizes that
    // leave no room for data, a file that needs more than 65534 pieces, and a piece name that is the
    // input file itself.
    bool Split();
    // Rebuilds FileName from the pieces starting at SplitFileName. True unless a failure was reported
    // (a stop at a disk prompt and a missing piece are failures). The file is built beside FileName
    // under a temporary name and replaces FileName only when the join succeeded, so a failed join
    // leaves an existing FileName as it was.
    bool Join();

    // The header of the last operation: after a join what the first piece carried.
    const TSplitHeader& SplitHeader() const { return SplitHeader_; }
    // The piece the last join did not find (a wrong or empty disk in the drive); empty when it found
    // every piece it looked for. The join itself fails at a missing piece without a message.
    const std::string& MissingPiece() const { return MissingPiece_; }
    // The piece the last join stopped at because it cannot belong to the set (another set's piece of
    // that name on a wrong disk): an empty one, or one whose size differs from the pieces between the
    // first and the last (the last may be shorter).
    const std::string& ForeignPiece() const { return ForeignPiece_; }

    // Asked during a split before piece diskId is written (from OnNeedDisk): the number of an earlier
    // piece of the set being written that is where piece diskId goes, recognised by its name, size and
    // content, so the disk holding it is not wiped or written over; 0 when there is none.
    uint16_t EarlierPieceInPlace(uint16_t diskId) const;

    TNeedDiskEvent OnNeedDisk;
    TProgressEvent OnProgress;
    TOnErrorEvent OnError;

  private:
    template <typename Step>
    bool Guarded(uint16_t diskId, Step&& step);
    void NeedDisk(uint16_t diskId, std::string_view pieceName, std::string_view prompt, bool& cont);
    void Progress(int64_t done, int64_t total);
    // True when the file name holds exactly what piece number of the split being made holds.
    bool HoldsPiece(const std::string& name, uint16_t number) const;

    std::string FileName_;
    std::string SplitFileName_;
    int32_t Size_ = kDefaultSize;
    int32_t BufferSize_ = kDefaultSize;
    int32_t ReduceFirstSizeBy_ = 0;
    bool SplitNameSet_ = false;
    TSplitHeader SplitHeader_;
    std::string MissingPiece_;
    std::string ForeignPiece_;
    int64_t splitInputSize_ = -1;  // the size of the file being split, while a split runs
};

// The name of the piece that follows a piece of the given number (from 1): NextPieceName("A:\X.SPL", 1)
// is "A:\X.001", NextPieceName("A:\X.009", 10) is "A:\X.010".
std::string NextPieceName(std::string_view name, uint32_t pieceNumber);

}  // namespace ruvu
