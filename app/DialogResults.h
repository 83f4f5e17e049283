// What the add and extract dialogs leave for the commands that showed them. Program-wide, as the
// commands read them after the modal dialog has closed.
#pragma once

#include <string>

namespace ruvu {

struct DialogResults {
    // True unless the dialog was closed with its OK button (the add dialog: see TAddForm).
    bool DialogCanceled = false;
    // Extraction base folder; empty after Cancel.
    std::string ExtractDir;
    bool ExpandDirs = false;      // extract into the folders stored in the archive
    bool OverwriteFiles = false;  // overwrite existing files
    bool AllFiles = true;         // every entry rather than the selected grid rows
};

// The one set of results of the running program.
DialogResults& Results();

}  // namespace ruvu
