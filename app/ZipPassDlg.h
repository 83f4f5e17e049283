// The password dialog, built in code: a prompt, a password field of at most 80 characters and one to
// four buttons. OK is always there; the button selector adds Cancel (bit 2), Cancel all (bit 4) and
// Abort (bit 8). The modal result is the Windows id of the button: 1 OK, 2 Cancel, 9 Cancel all,
// 3 Abort; closing the window otherwise counts as Cancel.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string_view>
#include <vector>

#include "platform/Interaction.h"

namespace ruvu {

class TPasswordDlg : public QDialog {
    Q_OBJECT
  public:
    TPasswordDlg(std::string_view caption, std::string_view prompt, int buttonSelector,
                 QWidget* parent = nullptr);

    // Shows the dialog modally; the password is the field's text when OK closed it, else empty.
    static platform::PasswordAnswer Ask(std::string_view caption, std::string_view prompt, int buttonSelector,
                                        QWidget* parent);

    QLabel* Prompt;
    QLineEdit* PasswordEdit;
    std::vector<QPushButton*> Buttons;  // in the order OK, Cancel, Cancel all, Abort

  public slots:
    void reject() override;
};

}  // namespace ruvu
