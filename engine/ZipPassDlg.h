// The password dialog: drawn by the installed interaction, its modal result mapped to the buttons the
// engine knows.
#pragma once

#include <string>
#include <string_view>

#include "engine/OptionSets.h"

namespace ruvu {

// Button selector bits: OK is always shown.
enum PasswordButtons : int {
    pwCancel = 2,
    pwCancelAll = 4,
    pwAbort = 8,
};

// The longest password the dialog's edit field takes.
inline constexpr size_t kPasswordDialogLength = 80;

// Shows the dialog; password gets the text typed when OK was pressed, else it is emptied. Results
// other than OK, Cancel and Cancel all count as Abort.
TPasswordButton PasswordDialog(std::string_view caption, std::string_view prompt, int buttonSelector,
                               std::string& password);

}  // namespace ruvu
