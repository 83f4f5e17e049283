// The floppy copy workflow: copies a backup file between the hard disk and a series of floppies. From
// the hard disk to drive A: or B: it splits the file into floppy-sized pieces, asking for each disk
// and wiping it first when the user leaves the box ticked; from a floppy it joins the pieces again;
// between two hard-disk names it copies the file. A companion ".inf" text travels with the backup.
// Questions go through the installed interaction; progress shows in a BigCopyWindow.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "splitter/BigCopyWindow.h"
#include "splitter/FileSplitter.h"

namespace ruvu {

// Runs the workflow. Source or Dest "?" asks with the open or save dialog; Title is the window's
// caption and the dialogs' title. A failure sets abortRun (the caller clears it before) and shows its
// message; cancelling a dialog or answering No to the overwrite question ends without copying and
// without setting abortRun; cancelling a disk prompt stops a split without setting abortRun and fails a
// join. A copy onto or from floppies says when it has finished or was cancelled, and a join that fails
// at a piece that is not on the disk, or at another set's piece (a wrong disk), says which.
// Side effect: with Dest "?" the program's short date format is "yyyy/mm/dd" from then on.
// Raises EFileSplitter when the splitter does (a file that cannot be opened, created or read), after
// closing the window.
void BigCopy(std::string_view Source, std::string_view Dest, std::string_view Title, bool& abortRun,
             BigCopyWindow& window);

// The state of one BigCopy call and the handlers of its splitter.
class TBigCopyRun {
  public:
    explicit TBigCopyRun(BigCopyWindow& window);
    TBigCopyRun(const TBigCopyRun&) = delete;
    TBigCopyRun& operator=(const TBigCopyRun&) = delete;

    // The splitter's OnNeedDisk: asks for the disk (not after the last piece of a join), copies the
    // companion file while the first disk is still in the drive, wipes the floppy when asked to. A
    // floppy that holds an earlier piece of the split is neither wiped nor written: the person is told
    // and asked for another disk.
    void FileSplitter1NeedDisk(TFileSplitter* Sender, uint16_t DiskID, uint16_t NumOfDisks, bool& Continue);
    // The splitter's OnProgress: the upper bar.
    void FileSplitter1Progress(TFileSplitter* Sender, uint16_t PercentDone);

    char FloppyDrive = ' ';  // 'A' or 'B' when the destination is on that floppy drive
    bool Splitting = false;  // the pieces are being written
    bool Cancelled = false;  // a disk prompt was answered with "Megszakitás"
    std::string SourceInf;   // companion names of source and destination
    std::string DestInf;
    int64_t Counter = 0;  // bytes copied by CopyFileCounted
    TFileSplitter FileSplitter1;

  private:
    BigCopyWindow& window_;
};

// The companion name of a file: the name up to and including its first "." (anywhere in the path)
// followed by "inf"; the name + ".inf" when there is no ".". C:\MY.DIR\BACKUP.ZIP gives C:\MY.inf.
std::string CompanionInfName(std::string_view name);

// Deletes the files matching a mask, with the folders below it and their content. A mask without "*"
// and "?" names one file. Folders whose names begin with "." and folders with more attributes than
// the directory bit (hidden, links) are left alone. Errors are ignored.
void EraseFiles(std::string_view mask);

// Copies a file in blocks of 20000 bytes, letting the window system work between blocks and adding
// each block's length to counter. False when the source does not exist or an input/output error
// stopped the copy (a partly written destination is then removed).
bool CopyFileCounted(std::string_view source, std::string_view destination, int64_t& counter);

}  // namespace ruvu
