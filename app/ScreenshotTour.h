// A review aid: opens an archive in the main window, then shows the main window and every dialog in
// turn and saves a PNG of each into a folder. Started by the program when RUVUVADU_SCREENSHOTS names
// that folder (RUVUVADU_SCREENSHOT_ARCHIVE the archive, as a host path).
#pragma once

#include <string>

namespace ruvu {

class TMainform;
class TExtract;
class TAddForm;
class QtInteraction;

// Returns the process's exit status: 0 when every picture was saved.
int RunScreenshotTour(TMainform& mainform, TExtract& extract, TAddForm& add, QtInteraction& interaction,
                      const std::string& folder, const std::string& archive);

}  // namespace ruvu
