// The drive list, the folder list and the file list the add and extract dialogs are built from. They
// work on Windows paths through the host layer's drive map, so the dialogs see the same drives,
// folders and floppies as the archive engine. Linked like their classic counterparts: the drive list
// moves its folder list, the folder list refills its file list. A dialog that is shown again calls
// Refresh, so that what was created or removed meanwhile shows.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <string>
#include <vector>

namespace ruvu {

class TDirectoryListBox;
class TFileListBox;

// One line per mapped drive ("c:", or "C:" with upperCase).
class TDriveComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit TDriveComboBox(bool upperCase, QWidget* parent = nullptr);

    // Reads the drive map again, keeping the drive shown.
    void Refresh();
    char Drive() const;  // upper case; 0 when no drive is mapped
    // Selects a drive without moving the folder list.
    void SetDrive(char letter);
    // The folder list that follows this drive list.
    void SetDirList(TDirectoryListBox* dirList) { dirList_ = dirList; }

  private:
    void DriveChosen(int index);

    TDirectoryListBox* dirList_ = nullptr;
    bool upperCase_;
    char shown_ = 0;  // the drive the folder list shows
};

// The current folder with the folders above it, then its subfolders. Clicking a line (or Enter on it)
// opens that folder; the selected line is always the current folder.
class TDirectoryListBox : public QListWidget {
    Q_OBJECT
  public:
    explicit TDirectoryListBox(QWidget* parent = nullptr);

    // The current folder as a Windows path ("C:\DATA", "C:\").
    const std::string& Directory() const { return directory_; }
    // Opens a folder; false (and nothing changes) when it cannot be read.
    bool SetDirectory(const std::string& path);
    // Reads the current folder again (and its file list). A folder that is gone gives way to the
    // nearest one above it that is still there, else to the current folder of the process.
    void Refresh();
    void SetFileList(TFileListBox* fileList);
    void SetDriveList(TDriveComboBox* driveList) { driveList_ = driveList; }

  signals:
    void DirectoryChanged();

  private:
    void OpenLine(const std::string& path);

    std::string directory_;
    TFileListBox* fileList_ = nullptr;
    TDriveComboBox* driveList_ = nullptr;
};

// The files of a folder (names without path, no folders, no hidden files), sorted ignoring case,
// with extended multiple selection. Reading the same folder again keeps the files that were selected
// selected.
class TFileListBox : public QListWidget {
    Q_OBJECT
  public:
    explicit TFileListBox(QWidget* parent = nullptr);

    void SetDirectory(const std::string& path);
    const std::string& Directory() const { return directory_; }

  private:
    std::string directory_;
};

// The subfolder names of a folder (hidden ones left out), sorted ignoring case.
std::vector<std::string> SubfolderNames(const std::string& folder);

}  // namespace ruvu
