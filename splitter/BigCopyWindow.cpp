#include "splitter/BigCopyWindow.h"

namespace ruvu {

void TextBigCopyWindow::SetDiskPosition(int position) {
    if (maximum_ > 0) {
        std::fprintf(out_, "Lemez %d/%d\n", position + 1, maximum_);
        std::fflush(out_);
    }
}

void TextBigCopyWindow::Show() {
    if (!caption_.empty()) {
        std::fprintf(out_, "%s\n", caption_.c_str());
        std::fflush(out_);
    }
}

}  // namespace ruvu
