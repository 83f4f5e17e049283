// The interaction of the program when it has a display: message boxes, the password dialog, the disk
// prompt, the overwrite question and the file dialogs as Qt windows, the hourglass as the
// application's override cursor.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/Interaction.h"

namespace ruvu {

class QtInteraction : public platform::Interaction {
  public:
    // Dialogs are centred on the active modal window, else on the main window.
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }

    // A box with the flags' buttons (Hungarian captions), icon and default button. No icon unless the
    // flags ask for one. Closing it without a button gives Cancel, No or Abort where the box has one,
    // else its only button.
    int MessageBox(std::string_view text, std::string_view caption, uint32_t flags) override;
    platform::PasswordAnswer PasswordDialog(std::string_view caption, std::string_view prompt,
                                            int buttonSelector) override;
    void ProcessPendingEvents() override;
    platform::Cursor ScreenCursor() const override { return cursor_; }
    void SetScreenCursor(platform::Cursor cursor) override;
    platform::NextFloppyAnswer NextFloppyDialog(const platform::NextFloppyRequest& request) override;
    bool OverwriteQuestion(std::string_view caption, std::string_view firstText,
                           std::string_view secondText) override;
    // Paths go in and out as Windows paths through the drive map. The save dialog never asks about
    // an existing file: its callers ask themselves.
    std::optional<std::string> OpenFileDialog(const platform::FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const platform::FileDialogRequest& request) override;

  private:
    QWidget* ParentWidget() const;
    std::optional<std::string> FileDialog(const platform::FileDialogRequest& request, bool open);

    QPointer<QWidget> mainWindow_;
    platform::Cursor cursor_ = platform::Cursor::Default;
};

// The filter of a file dialog request ("Desc|*.zip;*.spl|...") as Qt's name filters, each pattern
// also in upper case so that names match whatever their case.
QStringList QtNameFilters(std::string_view filter);

}  // namespace ruvu
