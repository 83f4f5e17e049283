// splitdrv: drives the file splitter from the command line, so that its work can be timed against
// cp without the program's windows.
//
//   splitdrv split FILE FIRSTPIECE   cuts FILE into FIRSTPIECE and the pieces after it
//   splitdrv join FIRSTPIECE FILE    glues the pieces starting at FIRSTPIECE into FILE
//
// The splitter keeps its default piece and buffer sizes. Messages go to standard error; the exit
// status is 0 when the operation succeeded.
#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/Interaction.h"
#include "splitter/FileSplitter.h"

namespace {

int Usage() {
    std::fputs("usage: splitdrv split FILE FIRSTPIECE | splitdrv join FIRSTPIECE FILE\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        return Usage();
    }
    ruvu::TFileSplitter splitter;
    bool ok = false;
    try {
        if (std::strcmp(argv[1], "split") == 0) {
            splitter.SetFileName(argv[2]);
            splitter.SetSplitFileName(argv[3]);
            ok = splitter.Split();
        } else if (std::strcmp(argv[1], "join") == 0) {
            splitter.SetSplitFileName(argv[2]);
            splitter.SetFileName(argv[3]);
            ok = splitter.Join();
        } else {
            return Usage();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "splitdrv: %s\n", error.what());
        return 1;
    }
    return ok ? 0 : 1;
}
