// The progress window of the floppy copy workflow: a caption, an upper bar with the percent of the
// current piece (0..100), and a lower bar for the disks, whose maximum is set per disk. The workflow
// shows it at its start and closes it at its end, also when an error leaves the workflow. The program
// draws it as a window; TextBigCopyWindow serves runs without a display and RecordingBigCopyWindow
// tests.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace ruvu {

class BigCopyWindow {
  public:
    virtual ~BigCopyWindow() = default;

    virtual void SetCaption(std::string_view caption) = 0;
    // Upper bar: percent of the current piece.
    virtual void SetPieceProgress(int percent) = 0;
    // Lower bar: disks done, out of maximum.
    virtual void SetDiskMaximum(int maximum) = 0;
    virtual void SetDiskPosition(int position) = 0;
    // Shows the window without waiting (not modal) and paints it at once.
    virtual void Show() = 0;
    // The hourglass cursor over the window, on or off.
    virtual void SetHourglass(bool on) = 0;
    virtual void Close() = 0;
};

// Writes the caption when shown and a line for each disk the workflow turns to ("Lemez 2/3").
class TextBigCopyWindow : public BigCopyWindow {
  public:
    explicit TextBigCopyWindow(std::FILE* out = stderr) : out_(out) {}

    void SetCaption(std::string_view caption) override { caption_ = caption; }
    void SetPieceProgress(int) override {}
    void SetDiskMaximum(int maximum) override { maximum_ = maximum; }
    void SetDiskPosition(int position) override;
    void Show() override;
    void SetHourglass(bool) override {}
    void Close() override {}

  private:
    std::FILE* out_;
    std::string caption_;
    int maximum_ = 0;  // not known before the first disk
};

// Keeps what the workflow did with the window.
class RecordingBigCopyWindow : public BigCopyWindow {
  public:
    void SetCaption(std::string_view value) override { caption = value; }
    void SetPieceProgress(int percent) override { piecePercents.push_back(percent); }
    void SetDiskMaximum(int maximum) override { diskMaximums.push_back(maximum); }
    void SetDiskPosition(int position) override { diskPositions.push_back(position); }
    void Show() override { ++showCalls; }
    void SetHourglass(bool on) override { hourglass.push_back(on); }
    void Close() override { ++closeCalls; }

    std::string caption;
    std::vector<int> piecePercents;
    std::vector<int> diskMaximums;
    std::vector<int> diskPositions;
    std::vector<bool> hourglass;
    int showCalls = 0;
    int closeCalls = 0;
};

}  // namespace ruvu
