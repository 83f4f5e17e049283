#include "app/QtInteraction.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "app/AskOverWrite.h"
#include "app/NextFloppy.h"
#include "app/QtText.h"
#include "app/ZipPassDlg.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

namespace ruvu {

namespace {

QString ButtonCaption(int id) {
    switch (id) {
        case platform::IDOK:
            return QStringLiteral("OK");
        case platform::IDCANCEL:
            return QStringLiteral("Mégse");
        case platform::IDABORT:
            return QStringLiteral("Megszakítás");
        case platform::IDRETRY:
            return QStringLiteral("Ismét");
        case platform::IDIGNORE:
            return QStringLiteral("Kihagyás");
        case platform::IDYES:
            return QStringLiteral("Igen");
        case platform::IDNO:
            return QStringLiteral("Nem");
        default:
            return QString::number(id);
    }
}

QMessageBox::ButtonRole ButtonRole(int id) {
    switch (id) {
        case platform::IDOK:
            return QMessageBox::AcceptRole;
        case platform::IDYES:
            return QMessageBox::YesRole;
        case platform::IDNO:
            return QMessageBox::NoRole;
        case platform::IDCANCEL:
        case platform::IDABORT:
            return QMessageBox::RejectRole;
        default:
            return QMessageBox::ActionRole;
    }
}

QMessageBox::Icon BoxIcon(uint32_t flags) {
    switch (flags & platform::MB_ICONMASK) {
        case platform::MB_ICONSTOP:
            return QMessageBox::Critical;
        case platform::MB_ICONQUESTION:
            return QMessageBox::Question;
        case platform::MB_ICONWARNING:
            return QMessageBox::Warning;
        case platform::MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// The answer of a box closed without a button: the safe one it offers, else its only button.
int CloseAnswer(const std::vector<int>& buttons) {
    for (int safe : {platform::IDCANCEL, platform::IDNO, platform::IDABORT}) {
        if (std::find(buttons.begin(), buttons.end(), safe) != buttons.end()) {
            return safe;
        }
    }
    return buttons.size() == 1 ? buttons.front() : 0;
}

// The normal arrow over a question asked while the hourglass is up, so the person can answer it.
class ArrowWhileAsking {
  public:
    ArrowWhileAsking() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ArrowWhileAsking(const ArrowWhileAsking&) = delete;
    ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;
    ~ArrowWhileAsking() { QApplication::restoreOverrideCursor(); }
};

std::optional<std::string> HostFolderOf(const std::string& windowsFolder) {
    if (windowsFolder.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> host = platform::ResolveHostPath(windowsFolder);
    if (!host || !platform::DirectoryExists(windowsFolder)) {
        return std::nullopt;
    }
    return host;
}

}  // namespace

QStringList QtNameFilters(std::string_view filter) {
    QStringList parts = ToQ(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& part : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            const QString pattern = part.trimmed();
            patterns << pattern;
            if (pattern.toUpper() != pattern) {
                patterns << pattern.toUpper();
            }
        }
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

QWidget* QtInteraction::ParentWidget() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return mainWindow_ ? mainWindow_.data() : QApplication::activeWindow();
}

int QtInteraction::MessageBox(std::string_view text, std::string_view caption, uint32_t flags) {
    const std::vector<int> buttons = platform::MessageBoxButtons(flags);
    if (buttons.empty()) {
        return 0;
    }
    QMessageBox box(BoxIcon(flags), ToQ(caption), ToQ(text), QMessageBox::NoButton, ParentWidget());
    box.setObjectName("MessageBox");
    const int defaultId = platform::DefaultButton(flags);
    const int closeId = CloseAnswer(buttons);
    std::vector<std::pair<QPushButton*, int>> made;
    for (int id : buttons) {
        QPushButton* button = box.addButton(ButtonCaption(id), ButtonRole(id));
        button->setObjectName(QStringLiteral("Button%1").arg(id));
        made.emplace_back(button, id);
        if (id == defaultId) {
            box.setDefaultButton(button);
        }
        if (id == closeId) {
            box.setEscapeButton(button);
        }
    }
    ArrowWhileAsking arrow;
    box.exec();
    for (const auto& [button, id] : made) {
        if (box.clickedButton() == button) {
            return id;
        }
    }
    return closeId;
}

platform::PasswordAnswer QtInteraction::PasswordDialog(std::string_view caption, std::string_view prompt,
                                                       int buttonSelector) {
    ArrowWhileAsking arrow;
    return TPasswordDlg::Ask(caption, prompt, buttonSelector, ParentWidget());
}

void QtInteraction::ProcessPendingEvents() {
    QApplication::processEvents();
}

void QtInteraction::SetScreenCursor(platform::Cursor cursor) {
    if (cursor == cursor_) {
        return;
    }
    if (cursor == platform::Cursor::HourGlass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
    cursor_ = cursor;
}

platform::NextFloppyAnswer QtInteraction::NextFloppyDialog(const platform::NextFloppyRequest& request) {
    ArrowWhileAsking arrow;
    TFormNextFloppy dialog(ParentWidget());
    return dialog.Ask(request);
}

bool QtInteraction::OverwriteQuestion(std::string_view caption, std::string_view firstText,
                                      std::string_view secondText) {
    ArrowWhileAsking arrow;
    TFelulirhato dialog(ParentWidget());
    return dialog.AskOverWrite(firstText, secondText, caption);
}

std::optional<std::string> QtInteraction::OpenFileDialog(const platform::FileDialogRequest& request) {
    return FileDialog(request, true);
}

std::optional<std::string> QtInteraction::SaveFileDialog(const platform::FileDialogRequest& request) {
    return FileDialog(request, false);
}

std::optional<std::string> QtInteraction::FileDialog(const platform::FileDialogRequest& request, bool open) {
    QFileDialog dialog(ParentWidget(), ToQ(request.title));
    dialog.setObjectName(open ? "OpenDialog" : "SaveDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (open) {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (!request.defaultExt.empty()) {
            dialog.setDefaultSuffix(ToQ(request.defaultExt));
        }
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (!request.filter.empty()) {
        dialog.setNameFilters(QtNameFilters(request.filter));
    }
    std::optional<std::string> folder = HostFolderOf(request.initialDir);
    if (!folder) {
        folder = HostFolderOf(platform::GetCurrentDirectory());
    }
    if (folder) {
        dialog.setDirectory(ToQ(*folder));
    }
    if (!request.fileName.empty()) {
        dialog.selectFile(ToQ(request.fileName));
    }
    ArrowWhileAsking arrow;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const std::string chosen = FromQ(dialog.selectedFiles().front());
    std::optional<std::string> windowsPath = platform::HostToWindowsPath(chosen);
    if (!windowsPath) {
        MessageBox("A fájl egyik meghajtón sem érhető el: " + chosen, "RuvuvADU", platform::MB_OK);
    }
    return windowsPath;
}

}  // namespace ruvu
