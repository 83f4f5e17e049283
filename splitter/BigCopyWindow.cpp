#include "splitter/BigCopyWindow.h"

namespace ruvu {

void TextBigCopyWindow::SetDiskPosition(int position) {
    if (position != position_ && position > 0) {
        std::fprintf(out_, "Lemez %d/%d\n", position, maximum_);
        std::fflush(out_);
    }
    position_ = position;
}

void TextBigCopyWindow::Show() {
    if (!caption_.empty()) {
        std::fprintf(out_, "%s\n", caption_.c_str());
        std::fflush(out_);
    }
}

}  // namespace ruvu
