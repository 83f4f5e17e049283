#include "app/DriveFolderLists.h"

#include <QStyle>
#include <algorithm>

#include "app/QtText.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/FindFiles.h"
#include "platform/Interaction.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

constexpr int kPathRole = Qt::UserRole;

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    const int order = platform::CompareText(a, b);
    return order != 0 ? order < 0 : a < b;
}

// Names of a folder's entries that are (folders) or are not (files) folders, hidden ones left out.
std::vector<std::string> EntryNames(const std::string& folder, bool folders) {
    std::vector<std::string> names;
    for (const platform::FindEntry& entry :
         platform::FindFiles(platform::JoinPath(folder, "*.*"), platform::faDirectory)) {
        if (((entry.attributes & platform::faDirectory) != 0) == folders) {
            names.push_back(entry.name);
        }
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

}  // namespace

std::vector<std::string> SubfolderNames(const std::string& folder) {
    return EntryNames(folder, true);
}

TDriveComboBox::TDriveComboBox(bool upperCase, QWidget* parent) : QComboBox(parent), upperCase_(upperCase) {
    Refresh();
    SetDrive(platform::CurrentDrive());
    connect(this, &QComboBox::activated, this, &TDriveComboBox::DriveChosen);
}

void TDriveComboBox::Refresh() {
    clear();
    for (const platform::DriveMapping& drive : platform::DriveMap()) {
        const char shown = upperCase_ ? drive.letter : static_cast<char>(drive.letter - 'A' + 'a');
        addItem(QString(QChar(shown)) + ":", QVariant(static_cast<int>(drive.letter)));
    }
    SetDrive(shown_);
}

char TDriveComboBox::Drive() const {
    return currentIndex() < 0 ? 0 : static_cast<char>(currentData().toInt());
}

void TDriveComboBox::SetDrive(char letter) {
    const int index = findData(QVariant(static_cast<int>(letter)));
    if (index >= 0) {
        setCurrentIndex(index);
        shown_ = letter;
    }
}

void TDriveComboBox::DriveChosen(int index) {
    const char letter = static_cast<char>(itemData(index).toInt());
    if (dirList_ == nullptr || letter == shown_) {
        shown_ = letter;
        return;
    }
    if (!dirList_->SetDirectory(platform::GetDriveCurrentDirectory(letter))) {
        // A drive without a readable medium: stay on the drive the folder list shows.
        SetDrive(shown_);
        platform::CurrentInteraction().MessageBox(std::string("A(z) ") + letter + ": meghajtó nem olvasható.",
                                                  "RuvuvADU", platform::MB_OK);
    }
}

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The list is rebuilt after the click has been handled, never inside its signal.
    auto choose = [this](QListWidgetItem* item) {
        std::string path = FromQ(item->data(kPathRole).toString());
        QMetaObject::invokeMethod(
            this, [this, path] { OpenLine(path); }, Qt::QueuedConnection);
    };
    connect(this, &QListWidget::itemClicked, this, choose);
    connect(this, &QListWidget::itemActivated, this, choose);
}

void TDirectoryListBox::SetFileList(TFileListBox* fileList) {
    fileList_ = fileList;
    if (fileList_ != nullptr && !directory_.empty()) {
        fileList_->SetDirectory(directory_);
    }
}

bool TDirectoryListBox::SetDirectory(const std::string& path) {
    const std::string folder = platform::ExcludeTrailingBackslash(platform::ExpandFileName(path));
    if (folder.empty() || !platform::DirectoryExists(folder)) {
        return false;
    }
    const std::vector<std::string> subfolders = SubfolderNames(folder);
    directory_ = folder;
    clear();

    // The root, then every folder on the way down, each one step further in.
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    std::string walked = folder.substr(0, 3);
    int depth = 0;
    auto addLine = [this](const QIcon& icon, int level, const std::string& text, const std::string& target) {
        auto* item = new QListWidgetItem(icon, QString(level * 2, ' ') + ToQ(text), this);
        item->setData(kPathRole, ToQ(target));
        return item;
    };
    QListWidgetItem* current = addLine(open, depth, walked, walked);
    size_t start = 3;
    while (start < folder.size()) {
        size_t end = folder.find('\\', start);
        if (end == std::string::npos) {
            end = folder.size();
        }
        const std::string name = folder.substr(start, end - start);
        walked = platform::JoinPath(walked, name);
        current = addLine(open, ++depth, name, walked);
        start = end + 1;
    }
    for (const std::string& name : subfolders) {
        addLine(closed, depth + 1, name, platform::JoinPath(folder, name));
    }
    setCurrentItem(current);
    scrollToItem(current);

    if (driveList_ != nullptr) {
        driveList_->SetDrive(folder[0]);
    }
    if (fileList_ != nullptr) {
        fileList_->SetDirectory(directory_);
    }
    emit DirectoryChanged();
    return true;
}

void TDirectoryListBox::Refresh() {
    std::string folder = directory_;
    while (!folder.empty()) {
        if (SetDirectory(folder)) {
            return;
        }
        const std::string parent = platform::ExtractFileDir(folder);
        folder = parent == folder ? std::string() : parent;
    }
    SetDirectory(platform::GetCurrentDirectory());
}

void TDirectoryListBox::OpenLine(const std::string& path) {
    if (path != directory_ && !SetDirectory(path)) {
        // The folder went away meanwhile: show what is there now.
        SetDirectory(directory_);
    }
}

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void TFileListBox::SetDirectory(const std::string& path) {
    QStringList selected;
    if (path == directory_) {
        for (const QListWidgetItem* item : selectedItems()) {
            selected << item->text();
        }
    }
    directory_ = path;
    clear();
    for (const std::string& name : EntryNames(path, false)) {
        addItem(ToQ(name));
        item(count() - 1)->setSelected(selected.contains(ToQ(name)));
    }
}

}  // namespace ruvu
