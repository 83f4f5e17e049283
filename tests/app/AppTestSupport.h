// Fixtures of the program's suites: the three forms created as the program creates them, a scripted
// interaction for every box, a fresh temporary folder, archives made by the peer tools, and a way to
// drive a modal dialog while the command that opened it waits.
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Addunit.h"
#include "app/extrunit.h"
#include "app/mainunit.h"
#include "platform/Interaction.h"
#include "tests/libsupport/TempFolder.h"

namespace ruvu::apptest {

class Program {
  public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The texts of the boxes shown so far, and the last one ("" when none).
    std::vector<std::string> BoxTexts() const;
    std::string LastBox() const;
    // Selects grid rows first to last (0-based).
    void SelectRows(int first, int last);
    // Opens an archive through the open command, the file dialog answering with its Windows path.
    void Open(const std::string& hostPath);

    testsupport::TempFolder temp;
    platform::ScriptedInteraction ui;
    std::unique_ptr<TMainform> main;
    TExtract* extract = nullptr;
    TAddForm* add = nullptr;

  private:
    platform::Interaction* previous_;
    std::string startDir_;
};

// Runs action on the next modal dialog as soon as it is shown (from inside its exec()); a dialog the
// action leaves open is rejected, so a failing test never hangs.
void WhenModal(std::function<void(QWidget*)> action);

// Writes the files (name -> content) below folder and zips them into archive with the peer zip tool,
// stored (no compression) so their bytes can be found and damaged; returns the archive's host path.
std::string MakeZip(const testsupport::TempFolder& temp, const std::string& archive,
                    const std::map<std::string, std::string>& files);

// Flips a byte in the middle of each named text inside a file.
void DamageFile(const std::string& hostPath, const std::vector<std::string>& needles);

}  // namespace ruvu::apptest
