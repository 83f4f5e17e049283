// The progress window of the floppy copy workflow: the upper bar for the current piece, the lower one
// for the disks. The workflow shows it without waiting and closes it at its end.
#pragma once

#include <QProgressBar>
#include <QWidget>

#include "splitter/BigCopyWindow.h"

namespace ruvu {

class TFormBigCopy : public QWidget, public BigCopyWindow {
    Q_OBJECT
  public:
    explicit TFormBigCopy(QWidget* parent = nullptr);

    void SetCaption(std::string_view caption) override;
    void SetPieceProgress(int percent) override;
    void SetDiskMaximum(int maximum) override;
    void SetDiskPosition(int position) override;
    void Show() override;
    void SetHourglass(bool on) override;
    void Close() override;

    QProgressBar* ProgressBar1;
    QProgressBar* ProgressBar2;
};

}  // namespace ruvu
