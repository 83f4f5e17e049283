#include "app/BigCopyWindow.h"

#include <QApplication>
#include <QVBoxLayout>

#include "app/QtText.h"
#include "app/WidgetSetup.h"

namespace ruvu {

TFormBigCopy::TFormBigCopy(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("FormBigCopy");
    ProgressBar1 = Named<QProgressBar>("ProgressBar1");
    ProgressBar2 = Named<QProgressBar>("ProgressBar2");
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 100);
        bar->setMinimumWidth(320);
    }
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(10, 10, 10, 10);
    rows->addWidget(ProgressBar1);
    rows->addWidget(ProgressBar2);
    rows->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormBigCopy::SetCaption(std::string_view caption) {
    setWindowTitle(ToQ(caption));
}

void TFormBigCopy::SetPieceProgress(int percent) {
    ProgressBar1->setValue(percent);
}

void TFormBigCopy::SetDiskMaximum(int maximum) {
    ProgressBar2->setMaximum(maximum);
}

void TFormBigCopy::SetDiskPosition(int position) {
    ProgressBar2->setValue(position);
}

void TFormBigCopy::Show() {
    show();
    raise();
    // Painted at once: the workflow's first dialog may come before the event loop runs again.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFormBigCopy::SetHourglass(bool on) {
    if (on) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

void TFormBigCopy::Close() {
    close();
}

}  // namespace ruvu
